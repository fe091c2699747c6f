#include "display/clock_formats.hpp"

#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/unistr.h>

#include <cmath>
#include <memory>

#include "display/phrases.hpp"

namespace {

struct ClockFormats {
  std::unique_ptr<icu::SimpleDateFormat> clockKo;
  std::unique_ptr<icu::SimpleDateFormat> clockEn;
  std::unique_ptr<icu::SimpleDateFormat> dayClockKo;
  std::unique_ptr<icu::SimpleDateFormat> dayClockEn;
  bool made = false;
};

std::unique_ptr<icu::SimpleDateFormat> makeFormat(const char* pattern, const char* locale) {
  UErrorCode status = U_ZERO_ERROR;
  auto format = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString::fromUTF8(pattern),
                                                        icu::Locale(locale), status);
  // A missing locale falls back with a warning only; a real failure leaves no
  // formatter, and the phrases then go without their clock suffix.
  if (U_FAILURE(status)) return nullptr;
  return format;
}

ClockFormats& formats() {
  static ClockFormats held;
  return held;
}

}  // namespace

void initFormatters() {
  ClockFormats& f = formats();
  f.clockKo = makeFormat("a h:mm", "ko_KR");
  f.clockEn = makeFormat("h:mm a", "en_US");
  f.dayClockKo = makeFormat("M월 d일 a h:mm", "ko_KR");
  f.dayClockEn = makeFormat("MMM d, h:mm a", "en_US");
  f.made = true;
}

std::string clockText(EpochSeconds date, bool withDay) {
  if (std::isnan(date)) return {};
  if (!formats().made) initFormatters();
  const ClockFormats& f = formats();
  const icu::SimpleDateFormat* format = withDay ? (isKorean ? f.dayClockKo.get() : f.dayClockEn.get())
                                                : (isKorean ? f.clockKo.get() : f.clockEn.get());
  if (!format) return {};
  // ICU pins anything beyond its calendar's range to the range's end; keeping
  // the value finite spares it the infinities.
  constexpr double limitMs = 8.64e18;
  const double ms = std::fmax(-limitMs, std::fmin(limitMs, date * 1000.0));
  icu::UnicodeString text;
  UErrorCode status = U_ZERO_ERROR;
  format->format(ms, text, nullptr, status);
  if (U_FAILURE(status)) return {};
  std::string out;
  text.toUTF8String(out);
  return out;
}
