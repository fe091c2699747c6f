#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <unicode/brkiter.h>
#include <unicode/unistr.h>
#include <nlohmann/json.hpp>

#include "readings/reading.hpp"
#include "readings/text_cleaning.hpp"

namespace {

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

std::optional<std::string> clean(const std::string& s, int max = textLimit) {
  return cleanText(std::optional<std::string>(s), max);
}

int graphemeCount(const std::string& utf8) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> it(
      icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  const auto text = icu::UnicodeString::fromUTF8(utf8);
  it->setText(text);
  int n = 0;
  it->first();
  while (it->next() != icu::BreakIterator::DONE) ++n;
  return n;
}

TEST(CleanText, RemovesControlAndFormatCharactersAndTrimsSpaces) {
  struct Case {
    const char* name;
    std::string input;
    std::optional<std::string> want;
  } cases[] = {
      {"line feed inside", "http-503\nX", "http-503X"},
      {"tab, CR and NUL inside", std::string("a\tb\rc\0d", 7), "abcd"},
      {"DEL and C1 next line",
       "a\x7f"
       "b\u0085c",
       "abc"},
      {"zero-width space and byte-order mark", "\ufeffMax\u200b 5x", "Max 5x"},
      {"soft hyphen and bidi override", "ab\u00adc\u202e", "abc"},
      {"no-break and ideographic spaces trimmed at the ends", "\u3000\u00a0Max\u00a05x\u2003 ",
       "Max\u00a05x"},
      {"tab between spaces at the end", "Pro \t ", "Pro"},
      {"space hidden behind a control", " \n Pro", "Pro"},
      {"empty", "", {}},
      {"controls and spaces only", " \t\r\n\u00a0\u200b\u3000 ", {}},
      {"format characters only", "\ufeff\u200d\u2060", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(clean(c.input), c.want);
  }
}

TEST(CleanText, CutsAtFortyGraphemeClusters) {
  const std::string thumbsSkin = "\U0001F44D\U0001F3FD";  // modifier joins its base
  const std::string flagKr = "\U0001F1F0\U0001F1F7";      // a regional-indicator pair
  const std::string keycap = "1\ufe0f\u20e3";             // digit, variation selector, enclosing mark
  const std::string eAcute = "e\u0301";                   // combining acute
  const std::string jamoGak = "\u1100\u1161\u11a8";       // conjoining jamo for one syllable
  struct Case {
    const char* name;
    std::string input;
    std::string want;
  } cases[] = {
      {"ASCII one over", repeat("x", 41), repeat("x", 40)},
      {"ASCII exactly forty", repeat("x", 40), repeat("x", 40)},
      {"plain emoji", repeat("\U0001F44D", 41), repeat("\U0001F44D", 40)},
      {"emoji with skin tone", repeat(thumbsSkin, 41), repeat(thumbsSkin, 40)},
      {"flags never split", repeat(flagKr, 41), repeat(flagKr, 40)},
      {"flags after one ASCII letter", "a" + repeat(flagKr, 40), "a" + repeat(flagKr, 39)},
      {"keycaps", repeat(keycap, 41), repeat(keycap, 40)},
      {"combining marks stay on their base", repeat(eAcute, 41), repeat(eAcute, 40)},
      {"a hundred marks on one base", "a" + repeat("\u0301", 100) + repeat("b", 45),
       "a" + repeat("\u0301", 100) + repeat("b", 39)},
      {"precomposed Korean", repeat("\uac00", 41), repeat("\uac00", 40)},
      {"conjoining jamo Korean", repeat(jamoGak, 41), repeat(jamoGak, 40)},
      {"Korean with a space", "\ud55c\uad6d " + repeat("\uc5b4", 40), "\ud55c\uad6d " + repeat("\uc5b4", 37)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto got = clean(c.input);
    ASSERT_TRUE(got);
    EXPECT_EQ(*got, c.want);
    EXPECT_LE(graphemeCount(*got), textLimit);
  }
}

// Zero-width joiners and emoji tags are format characters: removing them
// takes joined sequences apart, and every piece then counts on its own.
TEST(CleanText, FormatCharactersInsideEmojiSequencesAreRemovedBeforeCounting) {
  const std::string man = "\U0001F468", woman = "\U0001F469", girl = "\U0001F467", zwj = "\u200d";
  const std::string family = man + zwj + woman + zwj + girl;
  EXPECT_EQ(clean(family), man + woman + girl);
  EXPECT_EQ(clean(repeat(family, 14)), repeat(man + woman + girl, 13) + man);

  const std::string england = "\U0001F3F4\U000E0067\U000E0062\U000E0065\U000E006E\U000E0067\U000E007F";
  EXPECT_EQ(clean(england), "\U0001F3F4");
}

TEST(CleanText, TrimsSpacesLeftAtTheCut) {
  struct Case {
    const char* name;
    std::string input;
    std::string want;
  } cases[] = {
      {"ASCII spaces straddle the cut", "Max 5x" + repeat(" ", 34) + "y", "Max 5x"},
      {"cut lands after one space", repeat("a", 39) + " b", repeat("a", 39)},
      {"Unicode spaces straddle the cut", repeat("\uac00", 39) + "\u3000\u3000z", repeat("\uac00", 39)},
      {"space carrying a combining mark is no space", repeat("a", 39) + " \u0301z",
       repeat("a", 39) + " \u0301"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto got = clean(c.input);
    EXPECT_EQ(got, c.want);
    if (got) {
      EXPECT_EQ(clean(*got), got) << "cleaning twice must change nothing";
    }
  }
}

TEST(CleanText, IllFormedUtf8BecomesReplacementCharacters) {
  struct Case {
    const char* name;
    std::string input;
    std::string want;
  } cases[] = {
      {"stray continuation byte", "a\x80z", "a\ufffdz"},
      {"invalid lead byte", "\xff", "\ufffd"},
      {"truncated sequence at the end", "a\xc3", "a\ufffd"},
      {"truncated four-byte sequence", "\xf0\x9f\x91", "\ufffd"},
      {"overlong slash", "\xc0\xaf", "\ufffd\ufffd"},
      {"encoded surrogate", "\xed\xa0\x80", "\ufffd\ufffd\ufffd"},
      {"beyond U+10FFFF", "\xf4\x90\x80\x80", "\ufffd\ufffd\ufffd\ufffd"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(clean(c.input), c.want);
  }
  // Forty clusters of replacement characters at most, however long the junk.
  EXPECT_EQ(clean(repeat("\xfe", 1000)), repeat("\ufffd", 40));
}

TEST(CleanText, TakesOnlyStringValues) {
  const nlohmann::json values[] = {nullptr, 5, true, nlohmann::json::array({"Max"}), {{"plan", "Max"}}};
  for (const auto& v : values) {
    SCOPED_TRACE(v.dump());
    EXPECT_EQ(cleanText(&v, textLimit), std::nullopt);
  }
  EXPECT_EQ(cleanText(static_cast<const nlohmann::json*>(nullptr), textLimit), std::nullopt);
  const nlohmann::json text = " Max\n5x ";
  EXPECT_EQ(cleanText(&text, textLimit), "Max5x");
  EXPECT_EQ(cleanText(std::optional<std::string>(), textLimit), std::nullopt);
}

TEST(CleanText, HonoursTheLimitItIsGiven) {
  EXPECT_EQ(clean("\U0001F44Dx", 1), "\U0001F44D");
  EXPECT_EQ(clean("abc", 2), "ab");
  EXPECT_EQ(clean("abc", 0), std::nullopt);
  EXPECT_EQ(clean("\uac00", -1), std::nullopt);
}

TEST(CleanText, AsciiShortcutAgreesWithTheUnicodeRoute) {
  std::string everyByte;
  for (int b = 0; b < 0x80; ++b) everyByte.push_back(static_cast<char>(b));
  const std::string inputs[] = {
      everyByte,
      "  padded  ",
      " \t\n",
      "x y",
      repeat("ab ", 20),
      repeat(" ", 39) + "a" + repeat(" ", 10) + "b",
      std::string("\0\x01 a\x1f\x7f", 6),
      "http-503\nX",
  };
  for (const auto& in : inputs) {
    SCOPED_TRACE(in);
    ASSERT_TRUE(readings_detail::isAscii(in));
    for (int max : {0, 1, 2, 3, 40}) {
      SCOPED_TRACE(max);
      EXPECT_EQ(readings_detail::cleanAsciiText(in, max), readings_detail::cleanUnicodeText(in, max));
    }
  }
}

// The bridge thread and the main thread clean texts at the same time; each
// must get its own answers, never a neighbour's half-set iterator state.
TEST(CleanText, GivesEachThreadItsOwnAnswers) {
  constexpr int threads = 4;
  std::vector<int> wrong(threads, 0);
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t) {
    pool.emplace_back([t, &wrong] {
      const std::string unit = t % 2 ? "\uac00" : "\U0001F1F0\U0001F1F7";
      for (int i = 0; i < 2000; ++i) {
        const int n = 1 + (i + t) % 50;
        const auto got = clean(repeat(unit, n) + " \u200b");
        if (got != repeat(unit, std::min(n, 40))) ++wrong[t];
      }
    });
  }
  for (auto& thread : pool) thread.join();
  for (int t = 0; t < threads; ++t) EXPECT_EQ(wrong[t], 0) << "thread " << t;
}

}  // namespace
