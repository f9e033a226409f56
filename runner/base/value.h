// A value on a gauge script's stack, and the conversions every operator
// applies to it, as the simulator's script engine makes them.
//
// A value is a 64-bit float, a float that carries the integer tag (integer
// literals, comparisons, rounding, bit operations...; the tag only changes
// 32-bit wrap-around, exact integer division and the text a number becomes),
// or a text. Texts are byte strings, shared and immutable: copying a value
// copies a reference, so a literal pushed on every frame keeps one address,
// which the module relies on when a text names an array.
#ifndef VELLOMAR_RUNNER_BASE_VALUE_H_
#define VELLOMAR_RUNNER_BASE_VALUE_H_

#include <cstdint>
#include <memory>
#include <string>

namespace runner {

class Value {
 public:
  enum class Kind : uint8_t { kDouble, kInteger, kText };

  // The double 0: what an empty stack pops and a register holds at load.
  Value() = default;
  static Value Double(double number);
  static Value Integer(int32_t number);
  static Value Text(std::string text);
  // Shares `text` (never null) and so its address.
  static Value SharedText(std::shared_ptr<const std::string> text);
  // A comparison or logic result: the integer 1 or 0.
  static Value Bool(bool truth) { return Integer(truth ? 1 : 0); }

  Kind kind() const { return kind_; }
  bool is_text() const { return kind_ == Kind::kText; }
  bool is_integer() const { return kind_ == Kind::kInteger; }
  // The number of a kDouble or kInteger value; 0 for a text (use ToDouble).
  double number() const { return number_; }
  // The characters of a text; the empty text for a number (use ToText).
  const std::string& text() const;
  // The shared characters of a text; null for a number.
  const std::shared_ptr<const std::string>& shared_text() const { return text_; }

 private:
  Kind kind_ = Kind::kDouble;
  double number_ = 0;
  std::shared_ptr<const std::string> text_;
};

// double -> int: truncated toward zero; NaN and values outside the 32-bit
// range give -2147483648.
int32_t TruncateToInt(double number);

// Numbers as they are; texts through C strtod (leading blanks, sign,
// decimals, exponent, and also "0x" hexadecimal, "inf" and "nan" as the C
// runtime reads them; no digits gives 0), always with '.' as the decimal
// point whatever the process locale.
double ToDouble(const Value& value);
// Integers as they are; doubles through TruncateToInt; texts through C strtol
// with the base taken from the text ("0x1A" 26, "012" 10, "12ab" 12, "abc" 0).
int32_t ToInt(const Value& value);
// Integers in plain decimal ("-12"); doubles as NumberText; texts as they are.
std::string ToText(const Value& value);

// The engine's text for a double: 5 significant digits, as MSVC's _gcvt
// writes them: fixed point for 0.1 <= |x| < 99999.5, exponent form with a
// signed 3-digit exponent otherwise, zeros ending the fraction removed but
// the point kept: 3.14159 "3.1416", 2.0 "2.", 0 "0.", -2.5 "-2.5", 0.5
// "0.5", 12345.0 "12345", 123456.0 "1.2346e+005", 0.05 "5.e-002", 0.0001
// "1.e-004". Infinities give "inf" and "-inf", NaN "nan" (the engine's
// "1.#INF" style texts are not produced).
std::string NumberText(double number);

// The condition test of if{, ?, %{if} and %{next}: a number is true when it
// is not 0 (NaN is true); a text is false when empty or when the whole text
// reads as the integer 0 ('0', '0x0'), true otherwise ('abc').
bool Truthy(const Value& value);
// The operand test of !, not, &&, and, || and or: ToInt(value) != 0, so 0.5
// and 'abc' are false.
bool IntTruthy(const Value& value);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_BASE_VALUE_H_
