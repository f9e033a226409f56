#include "runner/language/text_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace runner {
namespace {

// Widths and precisions larger than this are taken as this, so that a
// mistyped directive cannot ask for gigabytes of padding.
constexpr int kLargestCount = 4096;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Reads the decimal digits at text[*at], capped at kLargestCount.
int ReadCount(std::string_view text, size_t* at) {
  int count = 0;
  for (; *at < text.size() && IsDigit(text[*at]); ++*at) {
    count = std::min(kLargestCount, count * 10 + (text[*at] - '0'));
  }
  return count;
}

// The '+' or ' ' a non-negative number shows under `directive`, or nothing.
const char* PositiveSign(const FormatDirective& directive) {
  if (directive.plus) return "+";
  if (directive.space) return " ";
  return "";
}

// The digits of a whole, non-negative double ("123"; 1e20 in full).
std::string WholeDigits(double whole) {
  char buffer[400];
  const std::to_chars_result r =
      std::to_chars(buffer, buffer + sizeof(buffer), whole, std::chars_format::fixed, 0);
  return std::string(buffer, r.ptr);
}

std::string FormatInteger(const FormatDirective& directive, const Value& value) {
  int32_t number = 0;
  if (value.kind() == Value::Kind::kDouble) {
    number = TruncateToInt(std::round(value.number()));  // half away from zero
  } else {
    number = ToInt(value);
  }
  const int64_t wide = number;
  std::string digits = std::to_string(wide < 0 ? -wide : wide);
  if (directive.precision == 0 && wide == 0) digits.clear();  // C's "%.0d" of 0
  if (directive.precision > static_cast<int>(digits.size())) {
    digits.insert(0, static_cast<size_t>(directive.precision) - digits.size(), '0');
  }
  return (wide < 0 ? "-" : PositiveSign(directive)) + digits;
}

// Fixed point as the engine makes it: the whole part, then the fraction
// scaled to at most 9 digits (a 32-bit integer) and rounded half up, with a
// carry into the whole part (2.96 ".1f" "3.0"); digits asked for past the
// 9th are 0. Precision 0 truncates and shows no point.
std::string FormatFixed(const FormatDirective& directive, const Value& value) {
  const double number = ToDouble(value);
  const std::string sign = number < 0 ? "-" : PositiveSign(directive);
  const double magnitude = std::fabs(number);
  if (std::isnan(number)) return sign + "nan";
  if (std::isinf(number)) return sign + "inf";
  const int precision = directive.precision < 0 ? 6 : directive.precision;
  double whole = std::floor(magnitude);
  if (precision == 0) return sign + WholeDigits(whole);
  const int scaled_digits = std::min(precision, 9);
  const double scale = std::pow(10.0, scaled_digits);
  // Each step rounded to a double, as SSE arithmetic does, so that x87
  // builds keep no extra precision (0.15 ".1f" is "0.2" everywhere).
  volatile double step = (magnitude - whole) * scale;
  step = step + 0.5;
  double fraction = std::floor(step);
  if (fraction >= scale) {
    fraction -= scale;
    whole += 1;
  }
  std::string fraction_digits = std::to_string(static_cast<int64_t>(fraction));
  fraction_digits.insert(0, static_cast<size_t>(scaled_digits) - fraction_digits.size(), '0');
  fraction_digits.append(static_cast<size_t>(precision - scaled_digits), '0');
  return sign + WholeDigits(whole) + "." + fraction_digits;
}

// Precision keeps the last characters, or the first with '-'.
std::string FormatString(const FormatDirective& directive, const Value& value) {
  std::string text = ToText(value);
  const auto keep = static_cast<size_t>(directive.precision);
  if (directive.precision >= 0 && keep < text.size()) {
    text = directive.left ? text.substr(0, keep) : text.substr(text.size() - keep);
  }
  return text;
}

std::string FormatCharacter(const Value& value) {
  const auto code = static_cast<char>(static_cast<uint32_t>(ToInt(value)) & 0xFF);
  return code == 0 ? std::string() : std::string(1, code);
}

}  // namespace

size_t ParseFormat(std::string_view text, FormatDirective* directive) {
  FormatDirective parsed;
  size_t at = 0;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '-') {
      parsed.left = true;
    } else if (c == '+') {
      parsed.plus = true;
    } else if (c == ' ') {
      parsed.space = true;
    } else if (c == '0') {
      parsed.zero = true;
    } else {
      break;
    }
  }
  parsed.width = ReadCount(text, &at);
  if (at < text.size() && text[at] == '.') {
    ++at;
    parsed.precision = ReadCount(text, &at);
  }
  if (at == text.size() || !IsLetter(text[at])) return 0;
  parsed.conversion = text[at++];
  if (at < text.size() && text[at] == '!') ++at;
  *directive = parsed;
  return at;
}

bool TakesValue(const FormatDirective& directive) {
  switch (directive.conversion) {
    case 'd':
    case 'f':
    case 's':
    case 'c':
      return true;
    default:
      return false;
  }
}

std::string FormatValue(const FormatDirective& directive, const Value& value) {
  std::string text;
  switch (directive.conversion) {
    case 'd':
      text = FormatInteger(directive, value);
      break;
    case 'f':
      text = FormatFixed(directive, value);
      break;
    case 's':
      text = FormatString(directive, value);
      break;
    case 'c':
      text = FormatCharacter(value);
      break;
    default:
      return text;
  }
  const auto width = static_cast<size_t>(directive.width);
  if (text.size() >= width) return text;
  const size_t padding = width - text.size();
  if (directive.left) return text.append(padding, ' ');
  // The engine puts zeros in front of the whole text, sign included.
  const bool zeros = directive.zero && directive.conversion != 's';
  return text.insert(0, padding, zeros ? '0' : ' ');
}

}  // namespace runner
