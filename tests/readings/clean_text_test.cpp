#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "readings/reading.hpp"

namespace {

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

std::optional<std::string> clean(const std::string& s) {
  return cleanText(std::optional<std::string>(s), textLimit);
}

TEST(CleanText, StripsTrimsAndCutsAtGraphemeClusters) {
  const std::string flag = "\U0001F1F0\U0001F1F7", thumbs = "\U0001F44D\U0001F3FD", eAcute = "e\u0301";
  const std::string jamo = "\u1100\u1161\u11a8", man = "\U0001F468",
                    family = man + "\u200d\U0001F469\u200d\U0001F467";
  const std::tuple<const char*, std::string, std::optional<std::string>> cases[] = {
      {"controls, spaces behind one", std::string(" \n a\tb\rc\0d", 10) + "\x7f" + "e\u0085f", "abcdef"},
      {"formats gone, Unicode spaces trimmed at the ends", "\u3000\ufeffMax\u00a05\u00adx\u202e\u2003 \t",
       "Max\u00a05x"},
      {"DEL in plain ASCII", "a\x7fz", "az"},
      {"empty", "", {}},
      {"nothing but spaces, controls and formats", " \t\r\n\u00a0\u200b\u3000\ufeff", {}},
      {"ASCII one over", repeat("x", 41), repeat("x", 40)},
      {"emoji with skin tone", repeat(thumbs, 41), repeat(thumbs, 40)},
      {"flags never split", "a" + repeat(flag, 40), "a" + repeat(flag, 39)},
      {"combining marks stay on their base", repeat(eAcute, 41), repeat(eAcute, 40)},
      {"conjoining jamo", repeat(jamo, 41), repeat(jamo, 40)},
      // Joiners are format characters, so joined pieces count alone.
      {"joined family falls apart", repeat(family, 14), repeat(man + "\U0001F469\U0001F467", 13) + man},
      {"ASCII spaces left at the cut", "Max 5x" + repeat(" ", 34) + "y", "Max 5x"},
      {"Unicode spaces left at the cut", repeat("\uac00", 39) + "\u3000\u3000z", repeat("\uac00", 39)},
      {"space carrying a mark is no space", repeat("a", 39) + " \u0301z", repeat("a", 39) + " \u0301"},
      {"encoded surrogate", "\xed\xa0\x80", "\ufffd\ufffd\ufffd"},
  };
  for (const auto& [name, input, want] : cases) {
    SCOPED_TRACE(name);
    const auto got = clean(input);
    EXPECT_EQ(got, want);
    EXPECT_EQ(clean(got.value_or("")), got) << "cleaning twice must change nothing";
  }
}

// The bridge thread and the main thread clean texts at the same time; each
// must get its own answers, never a neighbour's half-set iterator state.
TEST(CleanText, GivesEachThreadItsOwnAnswers) {
  std::atomic<int> wrong{0};
  std::vector<std::jthread> pool;
  for (int t = 0; t < 4; ++t)
    pool.emplace_back([t, &wrong] {
      const std::string unit = t % 2 ? "\uac00" : "\U0001F1F0\U0001F1F7";
      for (int n = 1; n < 2000; ++n)
        if (clean(repeat(unit, 1 + n % 50) + " \u200b") != repeat(unit, std::min(1 + n % 50, 40))) ++wrong;
    });
  pool.clear();
  EXPECT_EQ(wrong, 0);
}

}  // namespace
