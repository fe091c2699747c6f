#include <locale.h>
#include <stdlib.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "readings/json_access.hpp"

namespace readings_detail {

namespace {

using nlohmann::json;

// A literal too large for a double: its place among the document's number
// literals, counted from zero, and its sign.
struct Overflow {
  std::size_t ordinal;
  bool negative;
};

struct Rewrite {
  std::string text;  // the document with every overflowing literal replaced by 0
  std::vector<Overflow> overflows;
};

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

bool isNumberChar(char c) {
  return isDigit(c) || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

// Exactly the JSON grammar: strtod alone also takes hexadecimal, "inf",
// leading zeros and bare dots, none of which the parser would.
bool isNumberLiteral(std::string_view s) {
  std::size_t i = 0;
  auto digits = [&] {
    const std::size_t from = i;
    while (i < s.size() && isDigit(s[i])) ++i;
    return i > from;
  };
  if (i < s.size() && s[i] == '-') ++i;
  if (i < s.size() && s[i] == '0') {
    ++i;
  } else if (!digits()) {
    return false;
  }
  if (i < s.size() && s[i] == '.') {
    ++i;
    if (!digits()) return false;
  }
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    if (!digits()) return false;
  }
  return i == s.size();
}

// Rounds as the parser does, so that a literal just below the largest double
// stays finite; read in the C locale because the process may use a decimal
// comma.
bool overflows(std::string_view literal) {
  // Without an exponent it takes 309 integer digits to pass the largest
  // double; the short literals that make up most documents need no conversion.
  if (literal.find_first_of("eE") == std::string_view::npos && literal.size() < 309) return false;
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
  if (cLocale == locale_t{}) return false;
  const std::string copy(literal);
  return std::isinf(strtod_l(copy.c_str(), nullptr, cLocale));
}

// Walks the text outside strings. In a text that parses, every run of number
// characters starting with a digit or a minus sign is one number literal, so
// the count here matches the parser's once the overflows are replaced; in one
// that does not, the replacement cannot make it parse.
Rewrite withoutOverflows(std::string_view text) {
  Rewrite out;
  std::size_t ordinal = 0, copied = 0;
  bool inString = false;
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (inString) {
      if (c == '"') inString = false;
      i += c == '\\' ? 2 : 1;
      continue;
    }
    if (c != '-' && !isDigit(c)) {
      inString = c == '"';
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && isNumberChar(text[end])) ++end;
    const std::string_view literal = text.substr(i, end - i);
    if (isNumberLiteral(literal) && overflows(literal)) {
      out.overflows.push_back({ordinal, c == '-'});
      out.text.append(text.substr(copied, i - copied)).push_back('0');
      copied = end;
    }
    ++ordinal;
    i = end;
  }
  if (!out.overflows.empty()) out.text.append(text.substr(copied));
  return out;
}

}  // namespace

json parseDocument(std::string_view text) {
  json document = json::parse(text.begin(), text.end(), nullptr, false);
  if (!document.is_discarded()) return document;

  // Refused; if only for literals beyond a double, put infinities in their place.
  const Rewrite rewrite = withoutOverflows(text);
  if (rewrite.overflows.empty()) return document;
  constexpr double inf = std::numeric_limits<double>::infinity();
  std::size_t ordinal = 0;
  auto next = rewrite.overflows.begin();
  const json::parser_callback_t restore = [&](int, json::parse_event_t event, json& value) {
    if (event != json::parse_event_t::value || !value.is_number()) return true;
    if (next != rewrite.overflows.end() && next->ordinal == ordinal) {
      value = next->negative ? -inf : inf;
      ++next;
    }
    ++ordinal;
    return true;
  };
  return json::parse(rewrite.text, restore, false);
}

}  // namespace readings_detail
