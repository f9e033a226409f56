// The runner's pure pieces: value conversions and truthiness, the engine's
// number text, unit conversions, %!fmt! directives, places and diagnostics.
// Tables of cases; each failure names its case.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>

#include "runner/base/diagnostics.h"
#include "runner/base/place.h"
#include "runner/base/text.h"
#include "runner/base/units.h"
#include "runner/base/value.h"
#include "runner/language/text_format.h"

namespace runner {
namespace {

struct TextCase {
  const char* text;
  double as_double;
  int32_t as_int;
  bool truthy;
};

TEST(RunnerValuesTest, TextsConvertLikeStrtodAndStrtol) {
  const TextCase cases[] = {
      {"", 0, 0, false},
      {"0", 0, 0, false},
      {"0x0", 0, 0, false},
      {"-0", 0, 0, false},
      {"00", 0, 0, false},
      {"abc", 0, 0, true},
      {"0x", 0, 0, true},
      {"0 ", 0, 0, true},
      {"  12ab", 12, 12, true},
      {"0x1A", 26, 26, true},
      {"--5", 0, 0, true},
      {"0x-5", 0, 0, true},
      {"0xinf", 0, 0, true},
      {"012", 12, 10, true},
      {"09", 9, 0, true},
      {"-2.5e1", -25, -2, true},
      {"+.5", 0.5, 0, true},
      {"1e400", std::numeric_limits<double>::infinity(), 1, true},
      {"1e-400", 0, 1, true},
      {"0.0000e-400", 0, 0, true},
      {"99999999999", 99999999999.0, INT32_MAX, true},
      {"-99999999999", -99999999999.0, INT32_MIN, true},
      {"-2147483648", -2147483648.0, INT32_MIN, true},
  };
  for (const TextCase& c : cases) {
    const Value value = Value::Text(c.text);
    EXPECT_EQ(ToDouble(value), c.as_double) << '"' << c.text << '"';
    EXPECT_EQ(ToInt(value), c.as_int) << '"' << c.text << '"';
    EXPECT_EQ(Truthy(value), c.truthy) << '"' << c.text << '"';
    EXPECT_EQ(IntTruthy(value), c.as_int != 0) << '"' << c.text << '"';
  }
}

TEST(RunnerValuesTest, NumbersTruncateAndTestTruth) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(TruncateToInt(-2.7), -2);
  EXPECT_EQ(TruncateToInt(2147483647.9), INT32_MAX);
  EXPECT_EQ(TruncateToInt(-2147483648.9), INT32_MIN);
  EXPECT_EQ(TruncateToInt(2147483648.0), INT32_MIN);
  EXPECT_EQ(TruncateToInt(nan), INT32_MIN);
  EXPECT_TRUE(Truthy(Value::Double(0.5)));
  EXPECT_FALSE(IntTruthy(Value::Double(0.5)));
  EXPECT_TRUE(Truthy(Value::Double(nan)));
  EXPECT_FALSE(Truthy(Value()));
  EXPECT_EQ(ToText(Value::Integer(-12)), "-12");
  EXPECT_EQ(ToText(Value::Double(-12)), "-12.");
  EXPECT_EQ(Value::Integer(7).kind(), Value::Kind::kInteger);
  const Value literal = Value::Text("L:x");
  EXPECT_EQ(Value(literal).shared_text().get(), literal.shared_text().get());
}

TEST(RunnerValuesTest, NumberTextHasFiveSignificantDigits) {
  const struct {
    double number;
    const char* text;
  } cases[] = {
      {3.14159, "3.1416"},
      {2.0, "2."},
      {0.5, "0.5"},
      {0.0, "0."},
      {-0.0, "-0."},
      {-2.5, "-2.5"},
      {123456.0, "1.2346e+005"},
      {12345.0, "12345"},
      {1234.5, "1234.5"},
      {99999.5, "1.e+005"},
      {0.1, "0.1"},
      {0.0999996, "0.1"},
      {0.05, "5.e-002"},
      {0.0001, "1.e-004"},
      {1e-5, "1.e-005"},
      {-1.5e-300, "-1.5e-300"},
      {1.03125, "1.0313"},
      {304.8, "304.8"},
      {std::numeric_limits<double>::infinity(), "inf"},
      {-std::numeric_limits<double>::infinity(), "-inf"},
      {std::numeric_limits<double>::quiet_NaN(), "nan"},
  };
  for (const auto& c : cases) EXPECT_EQ(NumberText(c.number), c.text) << c.number;
}

struct UnitCase {
  const char* name;
  Dimension dimension;
  double value;  // in the unit
  double base;   // the same in the base unit of its dimension
};

TEST(RunnerValuesTest, UnitsConvertToAndFromTheirBase) {
  const double pi = 3.14159265358979323846;
  const UnitCase cases[] = {
      {"feet", Dimension::kLength, 1000, 304.8},
      {"  FT\t", Dimension::kLength, 1, 0.3048},
      {"\r\nfeet\n", Dimension::kLength, 1, 0.3048},
      {"NMiles", Dimension::kLength, 2, 3704},
      {"Percent_Over_100", Dimension::kNumber, 0.5, 0.5},
      {"percent", Dimension::kNumber, 50, 0.5},
      {"more than a half", Dimension::kNumber, 3, 3},
      {"per degree", Dimension::kNumber, 1, 57.2957795},
      {"string", Dimension::kText, 1, 1},
      {"kelvin", Dimension::kTemperature, 205.1, 205.1},
      {"fahrenheit", Dimension::kTemperature, -90.49, 205.1},
      {"Farenheit", Dimension::kTemperature, 32, 273.15},
      {"celsius", Dimension::kTemperature, 21.6, 294.75},
      {"rankine", Dimension::kTemperature, 9, 5},
      {"degrees", Dimension::kAngle, 180, pi},
      {"rpm", Dimension::kAngularVelocity, 60, 2 * pi},
      {"minutes per round", Dimension::kAngularVelocity, 2, pi / 60},
      {"knots", Dimension::kSpeed, 3600, 1852},
      {"mach", Dimension::kSpeed, 1, 340.29},
      {"feet per minute", Dimension::kSpeed, 1000, 5.08},
      {"Gforce", Dimension::kAcceleration, 1, 9.8},
      {"pounds", Dimension::kMass, 1, 0.4535934},
      {"gallons", Dimension::kVolume, 1, 0.003785411784},
      {"inHg", Dimension::kPressure, 29.92, 29.92 * 3386.3788},
      {"hours", Dimension::kTime, 1.5, 5400},
      {"MHz", Dimension::kFrequency, 123.45, 123.45e6},
      {"Frequency BCD16", Dimension::kFrequency, 0x2345, 123.45e6},
      {"frequency bcd16", Dimension::kFrequency, 0x1050, 110.5e6},
      {"Frequency ADF BCD32", Dimension::kFrequency, 0x00345000, 345e3},
      {"Bco16", Dimension::kNumber, 0x7700, 7700},
  };
  for (const UnitCase& c : cases) {
    const Unit* unit = FindUnit(c.name);
    ASSERT_NE(unit, nullptr) << c.name;
    EXPECT_EQ(unit->dimension, c.dimension) << c.name;
    const double tolerance = 1e-9 * std::fmax(1, std::fabs(c.base));
    EXPECT_NEAR(ToBase(*unit, c.value), c.base, tolerance) << c.name;
    EXPECT_NEAR(FromBase(*unit, c.base), c.value, 1e-9 * std::fmax(1, std::fabs(c.value)))
        << c.name;
  }
  // 205.1 m read as Fahrenheit converts the stored number as kelvin.
  EXPECT_NEAR(FromBase(*FindUnit("fahrenheit"), 205.1), -90.49, 1e-9);
  EXPECT_EQ(FromBase(*FindUnit("Frequency BCD16"), 123.456e6), 0x2346);
  EXPECT_EQ(FromBase(*FindUnit("Frequency BCD16"), 99e6), 0);
  EXPECT_EQ(&NumberUnit(), FindUnit("NUMBER"));
  for (const char* unknown : {"", "furlongs", "feet per fortnight", "feetx", "degrees_"}) {
    EXPECT_EQ(FindUnit(unknown), nullptr) << unknown;
  }
}

struct FormatCase {
  const char* directive;  // what follows "%!"
  Value value;
  const char* text;
};

TEST(RunnerValuesTest, FormatsRoundAndPadAsTheEngine) {
  const FormatCase cases[] = {
      {"d!", Value::Double(2.5), "3"},
      {"d!", Value::Double(-2.5), "-3"},
      {"d!", Value::Double(2.49), "2"},
      {"d!", Value::Double(1e10), "-2147483648"},
      {"d!", Value::Text("0x1A"), "26"},
      {"03d!", Value::Integer(7), "007"},
      {"03d!", Value::Integer(-5), "0-5"},
      {"+04d!", Value::Integer(5), "00+5"},
      {"+d", Value::Integer(0), "+0"},
      {" d!", Value::Integer(5), " 5"},
      {" +d!", Value::Integer(5), "+5"},
      {"-4d!", Value::Integer(12), "12  "},
      {"-05d!", Value::Integer(5), "5    "},
      {"3d!", Value::Double(21.6), " 22"},
      {"09d!", Value::Double(35.2), "000000035"},
      {".3d!", Value::Integer(-7), "-007"},
      {".0d!", Value::Integer(0), ""},
      {".1f!", Value::Double(2.96), "3.0"},
      {".0f!", Value::Double(2.7), "2"},
      {"0.0f!", Value::Double(-2.7), "-2"},
      {"06.2f!", Value::Double(3.14159), "003.14"},
      {"5.1f!", Value::Double(3.14159), "  3.1"},
      {"f!", Value::Integer(3), "3.000000"},
      {".2f!", Value::Double(0.15), "0.15"},
      {".1f!", Value::Double(0.15), "0.2"},
      {".2f!", Value::Double(-0.001), "-0.00"},
      {".12f!", Value::Double(1 / 3.0), "0.333333333000"},
      {"+.1f!", Value::Text(" 1.25"), "+1.3"},
      {".1f!", Value::Double(std::numeric_limits<double>::infinity()), "inf"},
      {"s!", Value::Text("abc"), "abc"},
      {"s!", Value::Double(2), "2."},
      {"s!", Value::Integer(2), "2"},
      {".3s!", Value::Text("ABCDEF"), "DEF"},
      {"-.3s!", Value::Text("ABCDEF"), "ABC"},
      {"05s!", Value::Text("ab"), "   ab"},
      {"c!", Value::Integer(65), "A"},
      {"3c!", Value::Integer(0x141), "  A"},
      {"c!", Value::Integer(0), ""},
      {"x!", Value::Integer(65), ""},
  };
  for (const FormatCase& c : cases) {
    FormatDirective directive;
    ASSERT_NE(ParseFormat(c.directive, &directive), 0u) << c.directive;
    EXPECT_EQ(FormatValue(directive, c.value), c.text) << c.directive << " " << ToText(c.value);
  }
}

TEST(RunnerValuesTest, DirectivesEndAfterTheirLetter) {
  const struct {
    const char* text;
    size_t length;
  } cases[] = {{"d!rest", 2}, {"d", 1}, {"dd!", 1}, {"-+ 012.3f!", 10}, {"q!", 2},
               {"5!", 0},     {"", 0},  {"!", 0},   {"03", 0},          {".", 0}};
  for (const auto& c : cases) {
    FormatDirective directive;
    EXPECT_EQ(ParseFormat(c.text, &directive), c.length) << '"' << c.text << '"';
  }
  FormatDirective directive;
  ParseFormat("-+ 012.3f!", &directive);
  EXPECT_TRUE(directive.left && directive.plus && directive.space && directive.zero);
  EXPECT_EQ(directive.width, 12);
  EXPECT_EQ(directive.precision, 3);
  EXPECT_TRUE(TakesValue(directive));
  ParseFormat("q!", &directive);
  EXPECT_FALSE(TakesValue(directive));
  ParseFormat("99999999999d", &directive);
  EXPECT_EQ(directive.width, 4096);
}

TEST(RunnerValuesTest, PlacesCountLfCrlfAndCrLineEnds) {
  const std::string_view text = "ab\ncd\r\nef\rg";
  const struct {
    size_t offset;
    const char* place;
  } cases[] = {{0, "f:1:1"}, {1, "f:1:2"},  {3, "f:2:1"}, {5, "f:2:3"},
               {7, "f:3:1"}, {10, "f:4:1"}, {99, "f:4:2"}};
  const auto place = [](const Place& start, std::string_view in, size_t offset) {
    return FormatPlace(LineTable(in, start.line, start.column)
                           .At(start.file, static_cast<std::ptrdiff_t>(offset)));
  };
  for (const auto& c : cases) {
    EXPECT_EQ(place(Place{"f", 1, 1}, text, c.offset), c.place) << c.offset;
  }
  EXPECT_EQ(place(Place{"g.xml", 5, 3}, "x\ny", 1), "g.xml:5:4");
}

// Lines after the first start at column 1, whatever column the text starts
// at; offsets past the end stand at the end.
TEST(RunnerValuesTest, LineTablesPlaceEveryOffset) {
  const struct {
    const char* text;
    std::ptrdiff_t offset;
    const char* place;
  } cases[] = {
      {"ab\ncd", -1, "f:3:5"},   {"ab\ncd", 0, "f:3:5"}, {"ab\ncd", 2, "f:3:7"},
      {"ab\ncd", 3, "f:4:1"},    {"ab\ncd", 5, "f:4:3"}, {"ab\ncd", 6, "f:4:3"},
      {"", 0, "f:3:5"},          {"", 3, "f:3:5"},       {"\n", 1, "f:4:1"},
      {"a\r", 1, "f:3:6"},       {"a\r", 2, "f:4:1"},    {"a\r\n", 2, "f:3:7"},
      {"a\r\nb\rc", 5, "f:5:1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatPlace(LineTable(c.text, 3, 5).At("f", c.offset)), c.place)
        << '"' << c.text << "\" " << c.offset;
  }
}

TEST(RunnerValuesTest, TrimDropsSpacesTabsAndLineEnds) {
  const struct {
    const char* text;
    const char* trimmed;
  } cases[] = {{"", ""},    {" ", ""},    {" \t\r\n", ""},    {"a", "a"},
               {" a", "a"}, {"a\n", "a"}, {"\ta b\r", "a b"}, {"\va\f", "\va\f"}};
  for (const auto& c : cases) EXPECT_EQ(Trim(c.text), c.trimmed) << '"' << c.text << '"';
}

TEST(RunnerValuesTest, DiagnosticsPrintOneLineEachAndCount) {
  std::ostringstream err;
  Diagnostics diagnostics(&err);
  diagnostics.Report(
      {Severity::kWarning, Place{"a.xml", 3, 7}, "Element 'N' <Visibility>", 2, "empty stack"});
  diagnostics.Report({Severity::kWarning, Place{"b.rpn", 1, 1}, "", 0, "division by zero"});
  diagnostics.Report({Severity::kError, Place{"b.rpn", 2, 4}, "", 1, "unknown word 'gt'"});
  EXPECT_EQ(err.str(),
            "vellomar-run: a.xml:3:7: warning: empty stack [Element 'N' <Visibility>, frame 2]\n"
            "vellomar-run: b.rpn:1:1: warning: division by zero\n"
            "vellomar-run: b.rpn:2:4: error: unknown word 'gt' [frame 1]\n");
  EXPECT_EQ(diagnostics.warnings(), 2);
  EXPECT_EQ(diagnostics.errors(), 1);
}

// While a frame runs, a diagnostic reported without one (a picture's) is
// given it; one with its own frame keeps it; after the frames, none.
TEST(RunnerValuesTest, DiagnosticsTakeTheFrameThatRuns) {
  std::ostringstream err;
  Diagnostics diagnostics(&err);
  diagnostics.set_frame(3);
  diagnostics.Report({Severity::kWarning, Place{"a.xml", 1, 1}, "", 0, "no bitmap"});
  diagnostics.Report({Severity::kWarning, Place{"a.xml", 2, 1}, "", 2, "empty stack"});
  diagnostics.set_frame(0);
  diagnostics.Report({Severity::kWarning, Place{"a.xml", 3, 1}, "", 0, "leaked"});
  EXPECT_EQ(err.str(),
            "vellomar-run: a.xml:1:1: warning: no bitmap [frame 3]\n"
            "vellomar-run: a.xml:2:1: warning: empty stack [frame 2]\n"
            "vellomar-run: a.xml:3:1: warning: leaked\n");
}

}  // namespace
}  // namespace runner
