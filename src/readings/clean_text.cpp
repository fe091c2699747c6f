#include <algorithm>
#include <cstddef>
#include <memory>

#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>
#include <nlohmann/json.hpp>

#include "readings/reading.hpp"
#include "readings/text_cleaning.hpp"

namespace readings_detail {
namespace {

bool isRemoved(UChar32 c) {
  const auto type = u_charType(c);
  return type == U_CONTROL_CHAR || type == U_FORMAT_CHAR;
}

// Tab is a control character and already gone by the time trimming runs.
bool isTrimmed(UChar32 c) {
  return u_charType(c) == U_SPACE_SEPARATOR || c == '\t';
}

// Creating a character break iterator loads rule data and costs far more than
// cleaning a short text, so each thread (bridge, main) keeps one for good.
icu::BreakIterator* graphemeIterator() {
  thread_local const std::unique_ptr<icu::BreakIterator> iterator = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> created(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status)) created.reset();
    return created;
  }();
  return iterator.get();
}

}  // namespace

std::size_t graphemePrefixEnd(std::string_view text, int max) {
  icu::BreakIterator* iterator = graphemeIterator();
  UErrorCode status = U_ZERO_ERROR;
  UText utext = UTEXT_INITIALIZER;
  if (iterator != nullptr) {
    utext_openUTF8(&utext, text.data(), static_cast<int64_t>(text.size()), &status);
    if (U_SUCCESS(status)) iterator->setText(&utext, status);
  }
  if (iterator == nullptr || U_FAILURE(status)) {
    // Without break rules, fall back to counting scalars: shorter than
    // intended at worst, never broken UTF-8.
    utext_close(&utext);
    std::ptrdiff_t i = 0;
    const auto length = static_cast<std::ptrdiff_t>(text.size());
    for (int n = 0; n < max && i < length; ++n) U8_FWD_1(text.data(), i, length);
    return static_cast<std::size_t>(i);
  }
  std::int32_t end = iterator->first();
  for (int n = 0; n < max; ++n) {
    const std::int32_t next = iterator->next();
    if (next == icu::BreakIterator::DONE) break;
    end = next;
  }
  utext_close(&utext);
  return static_cast<std::size_t>(end);
}

bool isAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::optional<std::string> cleanAsciiText(std::string_view text, int max) {
  if (max <= 0) return std::nullopt;
  std::string out;
  out.reserve(std::min<std::size_t>(text.size(), static_cast<std::size_t>(max)));
  std::size_t keep = 0;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) continue;
    if (c == ' ') {
      if (out.empty()) continue;
    }
    // Every printable ASCII character is a grapheme cluster of its own, so
    // the cut counts bytes; nothing past it can matter any more.
    if (out.size() == static_cast<std::size_t>(max)) break;
    out.push_back(c);
    if (c != ' ') keep = out.size();
  }
  out.resize(keep);
  if (out.empty()) return std::nullopt;
  return out;
}

std::optional<std::string> cleanUnicodeText(std::string_view text, int max) {
  if (max <= 0) return std::nullopt;
  std::string out;
  out.reserve(text.size());
  std::size_t keep = 0;
  const auto length = static_cast<std::ptrdiff_t>(text.size());
  for (std::ptrdiff_t i = 0; i < length;) {
    UChar32 c;
    U8_NEXT(text.data(), i, length, c);
    if (c < 0) c = 0xfffd;
    if (isRemoved(c)) continue;
    const bool trimmed = isTrimmed(c);
    if (trimmed && out.empty()) continue;
    char bytes[U8_MAX_LENGTH];
    std::int32_t n = 0;
    U8_APPEND_UNSAFE(bytes, n, c);
    out.append(bytes, static_cast<std::size_t>(n));
    if (!trimmed) keep = out.size();
  }
  out.resize(keep);
  if (out.empty()) return std::nullopt;

  out.resize(graphemePrefixEnd(out, max));
  // The cut can land just after an inner space; trimming again keeps the
  // result free of trailing spaces, so cleaning a cleaned text changes nothing.
  auto end = static_cast<std::int32_t>(out.size());
  while (end > 0) {
    std::int32_t before = end;
    UChar32 c;
    U8_PREV_UNSAFE(out.data(), before, c);
    if (!isTrimmed(c)) break;
    end = before;
  }
  out.resize(static_cast<std::size_t>(end));
  return out;
}

}  // namespace readings_detail

namespace {

std::optional<std::string> cleanView(std::string_view text, int max) {
  if (readings_detail::isAscii(text)) return readings_detail::cleanAsciiText(text, max);
  return readings_detail::cleanUnicodeText(text, max);
}

}  // namespace

std::optional<std::string> cleanText(const nlohmann::json* value, int max) {
  if (value == nullptr) return std::nullopt;
  const auto* text = value->get_ptr<const std::string*>();
  if (text == nullptr) return std::nullopt;
  return cleanView(*text, max);
}

std::optional<std::string> cleanText(const std::optional<std::string>& value, int max) {
  if (!value) return std::nullopt;
  return cleanView(*value, max);
}
