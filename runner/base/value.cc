#include "runner/base/value.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <system_error>
#include <utility>

namespace runner {
namespace {

// What C's isspace() accepts in the "C" locale: strtod and strtol skip these.
bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The value of `c` as a digit in bases up to 16, or 16 when it is none.
int DigitValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 16;
}

// Skips the blanks and the sign strtod and strtol accept; returns whether the
// number is negative.
bool SkipBlanksAndSign(const char** cursor, const char* end) {
  const char* p = *cursor;
  while (p != end && IsBlank(*p)) ++p;
  bool negative = false;
  if (p != end && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
  }
  *cursor = p;
  return negative;
}

bool StartsHex(const char* p, const char* end) {
  return end - p >= 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
}

// The magnitude strtod reads at `p` (after the sign), without the locale:
// decimal with an optional exponent, hexadecimal ("0x1.8p1"), "inf",
// "infinity" and "nan". Too large gives infinity, too small 0; no number 0.
double ReadMagnitude(const char* p, const char* end) {
  double result = 0;
  // from_chars takes a sign of its own, which strtod does not after its one.
  if (p == end || *p == '-') return 0;
  if (StartsHex(p, end)) {
    const char* digits = p + 2;
    // strtod reads "0x" without hexadecimal digits as the 0.
    if (digits == end || (*digits != '.' && DigitValue(*digits) == 16)) return 0;
    std::from_chars_result r = std::from_chars(digits, end, result, std::chars_format::hex);
    if (r.ec == std::errc::invalid_argument) return 0;
    if (r.ec == std::errc::result_out_of_range) {
      const char* exponent = digits;
      while (exponent != r.ptr && *exponent != 'p' && *exponent != 'P') ++exponent;
      const bool tiny = exponent + 1 < r.ptr && exponent[1] == '-';
      return tiny ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return result;
  }
  std::from_chars_result r = std::from_chars(p, end, result, std::chars_format::general);
  if (r.ec == std::errc::invalid_argument) return 0;
  if (r.ec == std::errc::result_out_of_range) {
    // A number too large for a double has a large integer part or a large
    // exponent; one too small starts with "0." or has a negative exponent.
    const char* exponent = p;
    while (exponent != r.ptr && *exponent != 'e' && *exponent != 'E') ++exponent;
    const bool negative_exponent = exponent + 1 < r.ptr && exponent[1] == '-';
    const char* first = p;
    while (first != exponent && *first == '0') ++first;
    const bool below_one = first == exponent || *first == '.';
    return negative_exponent || below_one ? 0.0 : std::numeric_limits<double>::infinity();
  }
  return result;
}

// C strtol with base 0 on a 32-bit long: "0x" hexadecimal, a leading 0
// octal, decimal otherwise; stops at the first byte that is not a digit of
// the base; saturates at the 32-bit limits.
int32_t ReadLong(const std::string& text) {
  const char* p = text.data();
  const char* end = p + text.size();
  const bool negative = SkipBlanksAndSign(&p, end);
  int base = 10;
  if (StartsHex(p, end) && p + 2 != end && DigitValue(p[2]) < 16) {
    base = 16;
    p += 2;
  } else if (p != end && *p == '0') {
    base = 8;
  }
  const int64_t limit = negative ? int64_t{1} << 31 : (int64_t{1} << 31) - 1;
  int64_t magnitude = 0;
  for (; p != end && DigitValue(*p) < base; ++p) {
    magnitude = magnitude * base + DigitValue(*p);
    if (magnitude > limit) magnitude = limit + 1;  // stays saturated, never overflows
  }
  if (magnitude > limit) magnitude = limit;
  return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

const std::string& EmptyText() {
  static const std::string* const empty = new std::string();
  return *empty;
}

}  // namespace

Value Value::Double(double number) {
  Value value;
  value.number_ = number;
  return value;
}

Value Value::Integer(int32_t number) {
  Value value;
  value.kind_ = Kind::kInteger;
  value.number_ = number;
  return value;
}

Value Value::Text(std::string text) {
  return SharedText(std::make_shared<const std::string>(std::move(text)));
}

Value Value::SharedText(std::shared_ptr<const std::string> text) {
  Value value;
  value.kind_ = Kind::kText;
  value.text_ = std::move(text);
  return value;
}

const std::string& Value::text() const { return text_ ? *text_ : EmptyText(); }

int32_t TruncateToInt(double number) {
  // The x86 conversion gives the "integer indefinite" value for anything it
  // cannot represent.
  if (!(number > -2147483649.0 && number < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(number);
}

double ToDouble(const Value& value) {
  if (!value.is_text()) return value.number();
  const std::string& text = value.text();
  const char* p = text.data();
  const char* end = p + text.size();
  const bool negative = SkipBlanksAndSign(&p, end);
  const double magnitude = ReadMagnitude(p, end);
  return negative ? -magnitude : magnitude;
}

int32_t ToInt(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::kInteger:
      return static_cast<int32_t>(value.number());
    case Value::Kind::kDouble:
      return TruncateToInt(value.number());
    case Value::Kind::kText:
      return ReadLong(value.text());
  }
  return 0;
}

std::string ToText(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::kInteger:
      return std::to_string(static_cast<int32_t>(value.number()));
    case Value::Kind::kDouble:
      return NumberText(value.number());
    case Value::Kind::kText:
      return value.text();
  }
  return std::string();
}

// _gcvt(number, 5) follows Fortran's G editing: with the number rounded to 5
// significant digits as d.dddd * 10^x, it writes fixed point with 4 - x
// decimals when -1 <= x <= 4 (0.1 <= |number| < 99999.5) and exponent form
// d.dddde+xxx otherwise, then removes the zeros that end the fraction but
// keeps the point. So 2.0 "2.", 0.5 "0.5", 0 "0.", -0.0 "-0.", 12345.0
// "12345" (no decimals asked, so no point), 0.05 "5.e-002", 0.0001
// "1.e-004", 1e-5 "1.e-005". Ties round away from zero, as the C runtime's
// digit generation does (1.03125 "1.0313").
std::string NumberText(double number) {
  if (std::isnan(number)) return "nan";
  if (std::isinf(number)) return number < 0 ? "-inf" : "inf";
  // 30 significant digits show whether the digits after the fifth are an
  // exact half: no double other than an exact tie comes that close to one.
  char exact[64];
  const std::to_chars_result r = std::to_chars(exact, exact + sizeof(exact), std::fabs(number),
                                               std::chars_format::scientific, 29);
  // exact = "d.ddd...e+XX"
  char digits[6] = {exact[0], exact[2], exact[3], exact[4], exact[5], 0};
  const char* e = std::find(exact, r.ptr, 'e');
  int exponent = 0;
  std::from_chars(e + (e[1] == '+' ? 2 : 1), r.ptr, exponent);
  if (exact[6] >= '5') {
    int i = 4;
    while (i >= 0 && digits[i] == '9') digits[i--] = '0';
    if (i >= 0) {
      ++digits[i];
    } else {
      digits[0] = '1';
      ++exponent;
    }
  }

  std::string text = std::signbit(number) ? "-" : "";
  if (exponent < -1 || exponent > 4) {
    text += digits[0];
    text += '.';
    int last = 4;
    while (last >= 1 && digits[last] == '0') --last;
    text.append(digits + 1, static_cast<size_t>(last));
    char exponent_text[16];
    std::snprintf(exponent_text, sizeof(exponent_text), "e%c%03d", exponent < 0 ? '-' : '+',
                  std::abs(exponent));
    text += exponent_text;
    return text;
  }
  if (exponent == -1) {
    text += "0.";
    int last = 4;
    while (last >= 1 && digits[last] == '0') --last;
    text.append(digits, static_cast<size_t>(last) + 1);
    return text;
  }
  const size_t whole = static_cast<size_t>(exponent) + 1;
  text.append(digits, whole);
  if (whole == 5) return text;
  text += '.';
  size_t last = 5;
  while (last > whole && digits[last - 1] == '0') --last;
  text.append(digits + whole, last - whole);
  return text;
}

bool Truthy(const Value& value) {
  if (!value.is_text()) return value.number() != 0;  // NaN != 0 holds
  const std::string& text = value.text();
  if (text.empty()) return false;
  // False only when strtol reads 0 and consumes the whole text.
  const char* p = text.data();
  const char* end = p + text.size();
  SkipBlanksAndSign(&p, end);
  if (p == end) return true;  // nothing read
  if (StartsHex(p, end) && p + 2 != end) p += 2;
  return std::find_if(p, end, [](char c) { return c != '0'; }) != end;
}

bool IntTruthy(const Value& value) { return ToInt(value) != 0; }

}  // namespace runner
