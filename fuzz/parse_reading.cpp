// Feeds arbitrary bytes to the reading contract parser, to the stored-form
// decoder and to the text cleaner, and checks what each of them promises.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

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

constexpr Date now = 1760421600.0;
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

bool hasInfinity(const nlohmann::json& value) {
  if (value.is_number_float()) return std::isinf(value.get<double>());
  if (!value.is_structured()) return false;
  for (const auto& element : value) {
    if (hasInfinity(element)) return true;
  }
  return false;
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
  const auto strict = nlohmann::json::parse(bytes, nullptr, false);
  if (!strict.is_discarded()) REQUIRE(document == strict);
  if (!document.is_discarded() && strict.is_discarded()) REQUIRE(hasInfinity(document));

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
