#include "cli/number_scan.h"

#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

namespace lumitone {
namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

size_t SkipSpace(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  return i;
}

// Steps over an optional + or - at text[i]; true for a minus.
bool ScanSign(std::string_view text, size_t& i) {
  if (i < text.size() && (text[i] == '+' || text[i] == '-'))
    return text[i++] == '-';
  return false;
}

}  // namespace

bool ScanDouble(std::string_view text, double& value) {
  size_t i = SkipSpace(text);
  bool negative = ScanSign(text, i);
  size_t integer_begin = i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  std::string_view integer = text.substr(integer_begin, i - integer_begin);
  std::string_view fraction;
  if (i < text.size() && text[i] == '.') {
    size_t fraction_begin = ++i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    fraction = text.substr(fraction_begin, i - fraction_begin);
  }
  if (integer.empty() && fraction.empty()) return false;

  // The exponent belongs to the number only when at least one digit follows
  // the e and its sign; otherwise the number ends before the e. Its value
  // saturates far beyond any exponent a double can reach.
  int64_t exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    bool exponent_negative = ScanSign(text, j);
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) {
        if (exponent < 1000000000) exponent = exponent * 10 + (text[j] - '0');
        ++j;
      }
      if (exponent_negative) exponent = -exponent;
    }
  }

  // from_chars wants one canonical form; the sign is applied afterwards so
  // that "+" and "-0" need no special handling.
  std::string canonical;
  canonical.reserve(integer.size() + fraction.size() + 16);
  canonical.append(integer.empty() ? std::string_view("0") : integer);
  canonical.push_back('.');
  canonical.append(fraction.empty() ? std::string_view("0") : fraction);
  canonical.push_back('e');
  canonical.append(std::to_string(exponent));

  double magnitude = 0.0;
  auto result = std::from_chars(canonical.data(),
                                canonical.data() + canonical.size(), magnitude);
  if (result.ec == std::errc::result_out_of_range) {
    // Tell overflow from underflow by the decimal exponent of the leading
    // non-zero digit: out of range means it is beyond 300 either way.
    size_t lead = integer.find_first_not_of('0');
    int64_t leading_exponent;
    if (lead != std::string_view::npos) {
      leading_exponent =
          static_cast<int64_t>(integer.size() - lead) - 1 + exponent;
    } else {
      size_t first = fraction.find_first_not_of('0');
      leading_exponent = exponent - static_cast<int64_t>(first) - 1;
    }
    magnitude = leading_exponent > 0 ? HUGE_VAL : 0.0;
  } else if (result.ec != std::errc()) {
    return false;
  }
  value = negative ? -magnitude : magnitude;
  return true;
}

bool ScanInt(std::string_view text, int32_t& value) {
  size_t i = SkipSpace(text);
  bool negative = ScanSign(text, i);
  if (i >= text.size() || !IsDigit(text[i])) return false;
  uint32_t accumulated = 0;
  while (i < text.size() && IsDigit(text[i])) {
    accumulated = accumulated * 10u + static_cast<uint32_t>(text[i] - '0');
    ++i;
  }
  if (negative) accumulated = 0u - accumulated;
  value = static_cast<int32_t>(accumulated);
  return true;
}

}  // namespace lumitone
