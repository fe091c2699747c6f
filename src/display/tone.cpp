#include <cmath>

#include "display/shown.hpp"

Tone toneFor(double pct) {
  // Judged on the number the user sees, so 69.5 % already reads as 70 %.
  const auto rounded = safeInt(std::round(pct));
  if (rounded > 89) return Tone::red;
  if (rounded > 69) return Tone::orange;
  return Tone::normal;
}

RowInks rowInks(Tone tone, bool stale) {
  if (stale) return {Ink::secondary, Ink::secondary};
  switch (tone) {
    case Tone::orange:
      return {Ink::orange, Ink::orange};
    case Tone::red:
      return {Ink::red, Ink::red};
    case Tone::normal:
    case Tone::dim:
      break;
  }
  return {Ink::label, Ink::blue};
}
