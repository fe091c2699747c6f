// Feeds arbitrary bytes to the reading contract parser, to the stored-form
// decoder and to the text cleaner, and checks what each of them promises.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>
#include <nlohmann/json.hpp>

#include "readings/json_access.hpp"
#include "readings/reading.hpp"
#include "readings/stored_reading.hpp"
#include "readings/text_cleaning.hpp"

namespace {

constexpr EpochSeconds now = 1760421600.0;
constexpr double nowMs = now * 1000.0;

#define REQUIRE(condition)                                                                    \
  do {                                                                                        \
    if (!(condition)) {                                                                       \
      std::fprintf(stderr, "%s:%d: property violated: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                           \
    }                                                                                         \
  } while (false)

bool isWellFormedUtf8(const std::string& s) {
  const auto length = static_cast<std::int64_t>(s.size());
  for (std::int64_t i = 0; i < length;) {
    UChar32 c;
    U8_NEXT(s.data(), i, length, c);
    if (c < 0) return false;
  }
  return true;
}

bool hasControlOrFormat(const std::string& s) {
  const auto length = static_cast<std::int64_t>(s.size());
  for (std::int64_t i = 0; i < length;) {
    UChar32 c;
    U8_NEXT(s.data(), i, length, c);
    const auto type = u_charType(c);
    if (type == U_CONTROL_CHAR || type == U_FORMAT_CHAR) return true;
  }
  return false;
}

bool isEdgeSpace(UChar32 c) {
  return u_charType(c) == U_SPACE_SEPARATOR || c == '\t';
}

int graphemeCount(const std::string& s) {
  static const std::unique_ptr<icu::BreakIterator> iterator = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    REQUIRE(U_SUCCESS(status));
    return it;
  }();
  UErrorCode status = U_ZERO_ERROR;
  UText text = UTEXT_INITIALIZER;
  utext_openUTF8(&text, s.data(), static_cast<std::int64_t>(s.size()), &status);
  iterator->setText(&text, status);
  REQUIRE(U_SUCCESS(status));
  int n = 0;
  iterator->first();
  while (iterator->next() != icu::BreakIterator::DONE) ++n;
  utext_close(&text);
  return n;
}

void checkCleanText(const std::optional<std::string>& t) {
  if (!t) return;
  REQUIRE(!t->empty());
  REQUIRE(isWellFormedUtf8(*t));
  REQUIRE(!hasControlOrFormat(*t));
  REQUIRE(graphemeCount(*t) <= textLimit);
  std::int32_t i = 0;
  UChar32 first;
  U8_NEXT_UNSAFE(t->data(), i, first);
  REQUIRE(!isEdgeSpace(first));
  auto end = static_cast<std::int32_t>(t->size());
  UChar32 last;
  U8_PREV_UNSAFE(t->data(), end, last);
  REQUIRE(!isEdgeSpace(last));
  REQUIRE(cleanText(t, textLimit) == t);
}

// Where the library stopped on a literal beyond a double: the literal's first
// byte and its text.
struct Overflow {
  std::size_t at = 0;
  std::string literal;
};

struct FirstOverflow : nlohmann::json_sax<nlohmann::json> {
  std::optional<Overflow> found;
  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return true; }
  bool number_unsigned(number_unsigned_t) override { return true; }
  bool number_float(number_float_t, const string_t&) override { return true; }
  bool string(string_t&) override { return true; }
  bool binary(binary_t&) override { return true; }
  bool start_object(std::size_t) override { return true; }
  bool key(string_t&) override { return true; }
  bool end_object() override { return true; }
  bool start_array(std::size_t) override { return true; }
  bool end_array() override { return true; }
  bool parse_error(std::size_t end, const std::string& token, const nlohmann::detail::exception& e) override {
    if (e.id == 406 && token.size() <= end) found = Overflow{end - token.size(), token};
    return false;
  }
};

// The text with every literal the library refuses as too large written as 1
// (its sign kept) and a space, found by the library's own lexer one parse at
// a time, and where each of those 1s stands. Nullopt when there are too many
// to find that way in good time.
struct Ones {
  std::string text;
  std::vector<std::size_t> digits;
};

std::optional<Ones> withOverflowsAsOnes(std::string_view bytes) {
  Ones out{std::string(bytes), {}};
  for (int round = 0; round < 64; ++round) {
    FirstOverflow sax;
    nlohmann::json::sax_parse(out.text, &sax);
    if (!sax.found) return out;
    const auto& [at, literal] = *sax.found;
    REQUIRE(out.text.compare(at, literal.size(), literal) == 0);
    const bool negative = literal[0] == '-';
    // The space keeps what follows from joining the 1 into a new literal.
    out.text.replace(at, literal.size(), negative ? "-1 " : "1 ");
    // The library reads on from the left, so every later find lies to the right.
    out.digits.push_back(at + (negative ? 1 : 0));
  }
  return std::nullopt;
}

// Two rewrites differ exactly where a refused literal stood (a duplicate key
// that overwrote it leaves no difference); there the shared parse must hold
// an infinity of the literal's sign, and everywhere else the library's value.
nlohmann::json withInfinities(const nlohmann::json& ones, const nlohmann::json& twos) {
  if (ones.is_structured()) {
    nlohmann::json out = ones;
    auto o = out.begin();
    for (auto t = twos.begin(); t != twos.end(); ++t, ++o) *o = withInfinities(*o, *t);
    return out;
  }
  if (ones == twos) return ones;
  return std::copysign(std::numeric_limits<double>::infinity(), ones.get<double>());
}

bool withinSpan(double ms) {
  return std::fabs(ms - nowMs) <= timeSpanMs;
}

void checkSanitised(const Reading& r) {
  REQUIRE(isKnownStatus(r.status));
  REQUIRE(withinSpan(r.fetched_at));
  REQUIRE(withinSpan(r.received_at));
  std::size_t next = 0;
  for (const auto& w : r.windows) {
    while (next < windowOrder.size() && windowOrder[next] != w.key) ++next;
    REQUIRE(next < windowOrder.size());  // a known key, after every earlier one
    ++next;
    REQUIRE(std::isfinite(w.pct) && w.pct >= 0 && w.pct <= maxPct);
    REQUIRE(!w.resets_at || withinSpan(*w.resets_at));
  }
  checkCleanText(r.error);
  checkCleanText(r.plan);

  REQUIRE(sanitizeReading(r, now) == r);

  const auto decoded = decodeReading(encodeReading(r));
  REQUIRE(decoded && sanitizeReading(*decoded, now) == r);

  // Through text as the store writes it: a sanitised reading always dumps.
  std::string text;
  try {
    text = encodeReading(r).dump(2);
  } catch (const std::exception&) {
    REQUIRE(!"a sanitised reading failed to serialise");
  }
  const auto reread = decodeReading(nlohmann::json::parse(text, nullptr, false));
  REQUIRE(reread && *reread == r);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  if (const auto reading = parseReading(std::span<const std::uint8_t>(data, size), now)) {
    REQUIRE(reading->received_at == nowMs);
    checkSanitised(*reading);
  }

  // The parse shared with the stores differs from the library's own only by
  // taking literals beyond a double as infinities.
  const auto document = readings_detail::parseDocument(bytes);
  if (const auto ones = withOverflowsAsOnes(bytes)) {
    std::string twos = ones->text;
    for (const auto at : ones->digits) twos[at] = '2';
    const auto one = nlohmann::json::parse(ones->text, nullptr, false);
    const auto two = nlohmann::json::parse(twos, nullptr, false);
    REQUIRE(document.is_discarded() == one.is_discarded());
    if (!one.is_discarded()) REQUIRE(document == withInfinities(one, two));
  }

  // The same bytes as a reading loaded back from disk.
  if (!document.is_discarded()) {
    if (const auto decoded = decodeReading(document)) {
      if (const auto loaded = sanitizeReading(*decoded, now)) checkSanitised(*loaded);
    }
  }

  // The raw bytes as a text found on disk, well-formed or not.
  const std::optional<std::string> raw{std::string(bytes)};
  checkCleanText(cleanText(raw, textLimit));
  if (readings_detail::isAscii(bytes)) {
    const int max = size == 0 ? textLimit : data[0] % 48;
    REQUIRE(readings_detail::cleanAsciiText(bytes, max) == readings_detail::cleanUnicodeText(bytes, max));
  }
  return 0;
}
