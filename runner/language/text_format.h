// The %!fmt! directive of gauge text templates: what it is made of, and the
// text it makes of a value, with the engine's rounding, precision and padding
// (which differ from C printf in places gauges depend on).
//
//   %! flags width? (. precision?)? conversion !
//
// flags: '-' left-justify (pad with spaces on the right), '+' a plus on
// values that are not negative, ' ' a space there instead (unless '+'), '0'
// pad with zeros (ignored with '-' and for 's'). The closing '!' may be
// missing. The conversion must be a letter; widths and precisions above
// 4096 count as 4096.
#ifndef VELLOMAR_RUNNER_LANGUAGE_TEXT_FORMAT_H_
#define VELLOMAR_RUNNER_LANGUAGE_TEXT_FORMAT_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "runner/base/value.h"

namespace runner {

struct FormatDirective {
  bool left = false;
  bool plus = false;
  bool space = false;
  bool zero = false;
  int width = 0;
  int precision = -1;   // -1 when not given
  char conversion = 0;  // 'd', 'f', 's', 'c', or any other byte
};

// Reads a directive from `text`, which starts just after "%!". Returns how
// many bytes it takes, the closing '!' included when present; 0 when `text`
// holds no conversion letter at all (the directive is then taken as plain
// text by the caller).
size_t ParseFormat(std::string_view text, FormatDirective* directive);

// Whether the directive pops a value: 'd', 'f', 's' and 'c' do; any other
// letter outputs nothing and pops nothing.
bool TakesValue(const FormatDirective& directive);

// The text `value` shows under `directive`:
//   d  integer: doubles rounded half away from zero (beyond the 32-bit range
//      -2147483648), integers as they are, texts through strtol; precision
//      is the minimum number of digits (as C's "%.3d"; ".0d" shows 0 as "")
//   f  fixed point, precision digits after the point (default 6, digits past
//      the 9th are 0), rounded half up on the magnitude with carry; precision
//      0 truncates and prints no point (2.7 "2"); "inf", "-inf", "nan"
//   s  the value as text (ToText); a precision shorter than the text keeps
//      its last characters, or its first with '-'
//   c  the character whose code is the value's low byte (nothing for 0)
// Padding to the width goes in front of the whole converted text, sign
// included: -5 under "03d" is "0-5".
std::string FormatValue(const FormatDirective& directive, const Value& value);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_LANGUAGE_TEXT_FORMAT_H_
