#include "runner/base/units.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/ascii_case.h"
#include "runner/base/text.h"

namespace runner {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kPound = 0.4535934;  // the engine's kilograms per pound (not 0.45359237)
constexpr double kGallon = 0.003785411784;
constexpr double kKnot = 1852.0 / 3600.0;
constexpr double kPsi = 6894.76;
constexpr double kFootPound = 1.3558179;

constexpr Dimension kNumber = Dimension::kNumber;
constexpr Conversion kLinear = Conversion::kLinear;

// One row per unit: its own spelling, then every other name it goes by.
// Names are written lower case with blanks, as they are matched.
struct Row {
  Unit unit;
  const char* aliases[7];
};

// clang-format off
const Row kRows[] = {
    {{"number", kNumber, kLinear, 1}, {"numbers", "scaler", "times", "ratio", "part"}},
    {{"bool", kNumber, kLinear, 1}, {"boolean"}},
    {{"enum", kNumber, kLinear, 1}, {}},
    {{"mask", kNumber, kLinear, 1}, {"flags"}},
    {{"position", kNumber, kLinear, 1}, {}},
    {{"position 16k", kNumber, kLinear, 1 / 16384.0}, {}},
    {{"position 32k", kNumber, kLinear, 1 / 32767.0}, {}},
    {{"position 128", kNumber, kLinear, 1 / 128.0}, {}},
    {{"percent", kNumber, kLinear, 0.01}, {"percentage"}},
    {{"percent over 100", kNumber, kLinear, 1}, {}},
    {{"percent scaler 16k", kNumber, kLinear, 1 / 16384.0}, {}},
    {{"percent scaler 32k", kNumber, kLinear, 1 / 32767.0}, {}},
    {{"percent scaler 2pow23", kNumber, kLinear, 1 / 8388608.0}, {}},
    {{"half", kNumber, kLinear, 0.5}, {"halfs"}},
    {{"third", kNumber, kLinear, 1 / 3.0}, {"thirds"}},
    {{"bel", kNumber, kLinear, 1}, {"bels"}},
    {{"decibel", kNumber, kLinear, 1}, {"decibels"}},
    {{"more_than_a_half", kNumber, kLinear, 1}, {}},
    {{"per radian", kNumber, kLinear, 1}, {}},
    {{"per degree", kNumber, kLinear, 57.2957795}, {}},
    {{"Bco16", kNumber, Conversion::kBco16, 1}, {}},
    {{"string", Dimension::kText, kLinear, 1}, {}},

    {{"meter", Dimension::kLength, kLinear, 1}, {"meters", "m"}},
    {{"centimeter", Dimension::kLength, kLinear, 0.01}, {"centimeters", "cm"}},
    {{"kilometer", Dimension::kLength, kLinear, 1000}, {"kilometers", "km"}},
    {{"millimeter", Dimension::kLength, kLinear, 0.001}, {"millimeters"}},
    {{"mile", Dimension::kLength, kLinear, 1609.344}, {"miles"}},
    {{"decimile", Dimension::kLength, kLinear, 160.9344}, {"decimiles"}},
    {{"nautical mile", Dimension::kLength, kLinear, 1852}, {"nautical miles", "nmile", "nmiles"}},
    {{"decinmile", Dimension::kLength, kLinear, 185.2}, {"decinmiles"}},
    {{"foot", Dimension::kLength, kLinear, 0.3048}, {"feet", "ft"}},
    {{"inch", Dimension::kLength, kLinear, 0.0254}, {"inches", "in"}},
    {{"yard", Dimension::kLength, kLinear, 0.9144}, {"yards"}},
    {{"meter scaler 256", Dimension::kLength, kLinear, 1 / 256.0}, {"meters scaler 256"}},

    {{"square meter", Dimension::kArea, kLinear, 1}, {"square meters", "sq m", "m2"}},
    {{"square centimeter", Dimension::kArea, kLinear, 1e-4}, {"square centimeters", "sq cm", "cm2"}},
    {{"square kilometer", Dimension::kArea, kLinear, 1e6}, {"square kilometers", "sq km", "km2"}},
    {{"square millimeter", Dimension::kArea, kLinear, 1e-6}, {"square millimeters", "sq mm", "mm2"}},
    {{"square mile", Dimension::kArea, kLinear, 2589988.110336}, {"square miles"}},
    {{"square foot", Dimension::kArea, kLinear, 0.09290304}, {"square feet", "sq ft", "ft2"}},
    {{"square inch", Dimension::kArea, kLinear, 0.00064516}, {"square inches", "sq in", "in2"}},
    {{"square yard", Dimension::kArea, kLinear, 0.83612736}, {"square yards", "sq yd", "yd2"}},

    {{"cubic meter", Dimension::kVolume, kLinear, 1},
     {"cubic meters", "meter cubed", "meters cubed", "cu m", "m3"}},
    {{"liter", Dimension::kVolume, kLinear, 0.001}, {"liters"}},
    {{"gallon", Dimension::kVolume, kLinear, kGallon}, {"gallons"}},
    {{"quart", Dimension::kVolume, kLinear, 0.000946352946}, {"quarts"}},
    {{"cubic centimeter", Dimension::kVolume, kLinear, 1e-6}, {"cubic centimeters", "cu cm", "cm3"}},
    {{"cubic kilometer", Dimension::kVolume, kLinear, 1e9}, {"cubic kilometers", "cu km", "km3"}},
    {{"cubic millimeter", Dimension::kVolume, kLinear, 1e-9}, {"cubic millimeters", "cu mm", "mm3"}},
    {{"cubic mile", Dimension::kVolume, kLinear, 4168181825.44}, {"cubic miles"}},
    {{"cubic foot", Dimension::kVolume, kLinear, 0.028316846592}, {"cubic feet", "cu ft", "ft3"}},
    {{"cubic inch", Dimension::kVolume, kLinear, 1.6387064e-5}, {"cubic inches", "cu in", "in3"}},
    {{"cubic yard", Dimension::kVolume, kLinear, 0.764554857984}, {"cubic yards", "cu yd", "yd3"}},

    {{"kelvin", Dimension::kTemperature, kLinear, 1}, {}},
    {{"celsius", Dimension::kTemperature, Conversion::kCelsius, 1}, {}},
    {{"fahrenheit", Dimension::kTemperature, Conversion::kFahrenheit, 1}, {"farenheit"}},
    {{"rankine", Dimension::kTemperature, kLinear, 5 / 9.0}, {}},

    {{"radian", Dimension::kAngle, kLinear, 1}, {"radians"}},
    {{"degree", Dimension::kAngle, kLinear, kPi / 180}, {"degrees"}},
    {{"grad", Dimension::kAngle, kLinear, kPi / 200}, {"grads"}},
    {{"round", Dimension::kAngle, kLinear, 2 * kPi}, {"rounds"}},
    {{"degree latitude", Dimension::kAngle, kLinear, kPi / 180},
     {"degrees latitude", "degree longitude", "degrees longitude"}},
    {{"meter latitude", Dimension::kAngle, kLinear, 1 / 6367311.80828}, {"meters latitude"}},
    {{"angl16", Dimension::kAngle, kLinear, 2 * kPi / 65536}, {"degrees angl16"}},
    {{"angl32", Dimension::kAngle, kLinear, 2 * kPi / 4294967296.0}, {"degrees angl32"}},

    {{"radian per second", Dimension::kAngularVelocity, kLinear, 1}, {"radians per second"}},
    {{"degree per second", Dimension::kAngularVelocity, kLinear, kPi / 180}, {"degrees per second"}},
    {{"rpm", Dimension::kAngularVelocity, kLinear, 2 * kPi / 60},
     {"rpms", "revolution per minute", "revolutions per minute"}},
    {{"minute per round", Dimension::kAngularVelocity, Conversion::kReciprocal, 2 * kPi / 60},
     {"minutes per round", "nice minute per round", "nice minutes per round"}},
    {{"radian per second squared", Dimension::kAngularAcceleration, kLinear, 1},
     {"radians per second squared"}},
    {{"degree per second squared", Dimension::kAngularAcceleration, kLinear, kPi / 180},
     {"degrees per second squared"}},

    {{"meter per second", Dimension::kSpeed, kLinear, 1},
     {"meters per second", "meter/second", "meters/second", "m/s"}},
    {{"meter per minute", Dimension::kSpeed, kLinear, 1 / 60.0}, {"meters per minute"}},
    {{"feet/second", Dimension::kSpeed, kLinear, 0.3048}, {"feet per second", "foot per second"}},
    {{"feet/minute", Dimension::kSpeed, kLinear, 0.00508},
     {"feet per minute", "foot per minute", "ft/min"}},
    {{"kilometer/hour", Dimension::kSpeed, kLinear, 1 / 3.6},
     {"kilometers/hour", "kilometer per hour", "kilometers per hour", "kph"}},
    {{"knot", Dimension::kSpeed, kLinear, kKnot}, {"knots"}},
    {{"mile per hour", Dimension::kSpeed, kLinear, 0.44704}, {"miles per hour", "mph"}},
    {{"knots scaler 128", Dimension::kSpeed, kLinear, kKnot / 128}, {"knot scaler 128"}},
    {{"meters per second scaler 256", Dimension::kSpeed, kLinear, 1 / 256.0},
     {"meter per second scaler 256"}},
    // The speed of sound at sea level in the standard atmosphere.
    {{"mach", Dimension::kSpeed, kLinear, 340.29}, {"machs"}},

    {{"meter per second squared", Dimension::kAcceleration, kLinear, 1},
     {"meters per second squared"}},
    {{"feet per second squared", Dimension::kAcceleration, kLinear, 0.3048},
     {"foot per second squared"}},
    {{"Gforce", Dimension::kAcceleration, kLinear, 9.8}, {"g force"}},

    {{"second", Dimension::kTime, kLinear, 1}, {"seconds"}},
    {{"minute", Dimension::kTime, kLinear, 60}, {"minutes"}},
    {{"hour", Dimension::kTime, kLinear, 3600}, {"hours"}},
    {{"day", Dimension::kTime, kLinear, 86400}, {"days"}},
    {{"hour over 10", Dimension::kTime, kLinear, 360}, {"hours over 10"}},
    {{"year", Dimension::kTime, kLinear, 365 * 86400.0}, {"years"}},

    {{"Watt", Dimension::kPower, kLinear, 1}, {"watts"}},
    {{"ft lb per second", Dimension::kPower, kLinear, 1.35582189924}, {}},

    {{"meter cubed per second", Dimension::kVolumeFlow, kLinear, 1}, {"meters cubed per second"}},
    {{"gallon per hour", Dimension::kVolumeFlow, kLinear, kGallon / 3600},
     {"gallons per hour", "gph"}},
    {{"liter per hour", Dimension::kVolumeFlow, kLinear, 0.001 / 3600}, {"liters per hour"}},

    {{"kilogram", Dimension::kMass, kLinear, 1}, {"kilograms", "kg"}},
    {{"pound", Dimension::kMass, kLinear, kPound}, {"pounds", "lbs"}},
    {{"slug", Dimension::kMass, kLinear, 14.593903}, {"slugs", "geepound", "geepounds"}},

    {{"kilogram per second", Dimension::kMassFlow, kLinear, 1}, {"kilograms per second"}},
    {{"pound per hour", Dimension::kMassFlow, kLinear, kPound / 3600}, {"pounds per hour", "pph"}},

    {{"ampere", Dimension::kCurrent, kLinear, 1}, {"amperes", "amp", "amps"}},
    {{"volt", Dimension::kVoltage, kLinear, 1}, {"volts"}},

    {{"Hz", Dimension::kFrequency, kLinear, 1}, {"hertz"}},
    {{"KHz", Dimension::kFrequency, kLinear, 1e3}, {"kilohertz"}},
    {{"MHz", Dimension::kFrequency, kLinear, 1e6}, {"megahertz"}},
    {{"Frequency BCD16", Dimension::kFrequency, Conversion::kBcd16, 1}, {}},
    {{"Frequency BCD32", Dimension::kFrequency, Conversion::kBcd32, 1}, {"frequency adf bcd32"}},

    {{"kilogram per cubic meter", Dimension::kDensity, kLinear, 1}, {"kilograms per cubic meter"}},
    {{"slug per cubic foot", Dimension::kDensity, kLinear, 515.378820611},
     {"slug per cubic feet", "slugs per cubic foot", "slugs per cubic feet", "slug/ft3"}},
    {{"pound per gallon", Dimension::kDensity, kLinear, kPound / kGallon},
     {"pounds per gallon", "lbs/gallon"}},

    {{"pascal", Dimension::kPressure, kLinear, 1},
     {"pascals", "pa", "newton per square meter", "newtons per square meter"}},
    {{"kilopascal", Dimension::kPressure, kLinear, 1000}, {"kilopascals", "kpa"}},
    {{"millibar", Dimension::kPressure, kLinear, 100},
     {"millibars", "mbar", "mbars", "hectopascal", "hectopascals"}},
    {{"bar", Dimension::kPressure, kLinear, 100000}, {"bars"}},
    {{"kilogram force per square centimeter", Dimension::kPressure, kLinear, 98066.5},
     {"kgfsqcm"}},
    {{"mmHg", Dimension::kPressure, kLinear, 133.322},
     {"millimeter of mercury", "millimeters of mercury"}},
    {{"cmHg", Dimension::kPressure, kLinear, 1333.22},
     {"centimeter of mercury", "centimeters of mercury"}},
    {{"inHg", Dimension::kPressure, kLinear, 3386.3788}, {"inch of mercury", "inches of mercury"}},
    {{"atmosphere", Dimension::kPressure, kLinear, 101325}, {"atmospheres", "atm"}},
    {{"millimeter of water", Dimension::kPressure, kLinear, 9.80665}, {"millimeters of water"}},
    {{"psi", Dimension::kPressure, kLinear, kPsi}, {"pound-force per square inch"}},
    {{"psf", Dimension::kPressure, kLinear, kPsi / 144}, {"pound-force per square foot"}},
    {{"millibar scaler 16", Dimension::kPressure, kLinear, 100 / 16.0}, {"millibars scaler 16"}},
    {{"psi scaler 16k", Dimension::kPressure, kLinear, kPsi / 16384}, {}},
    {{"psi 4 over 16k", Dimension::kPressure, kLinear, kPsi * 4 / 16384}, {}},
    {{"psf scaler 16k", Dimension::kPressure, kLinear, kPsi / 144 / 16384}, {}},
    {{"inHg 64 over 64k", Dimension::kPressure, kLinear, 3386.3788 * 64 / 65536}, {}},

    {{"newton meter", Dimension::kTorque, kLinear, 1}, {"newton meters", "nm"}},
    {{"foot-pound", Dimension::kTorque, kLinear, kFootPound},
     {"foot-pounds", "foot pound", "foot pounds", "ft-lbs", "lbf-feet"}},
    {{"kilogram meter", Dimension::kTorque, kLinear, 9.81},
     {"kilogram meters", "kgf meter", "kgf meters"}},
    {{"poundal feet", Dimension::kTorque, kLinear, 0.0421}, {}},

    {{"slug feet squared", Dimension::kMomentOfInertia, kLinear, 1.35582}, {}},
    {{"kilogram meter squared", Dimension::kMomentOfInertia, kLinear, 1},
     {"kilogram meters squared"}},
};
// clang-format on

// The longest name a unit has; longer texts are not units.
constexpr size_t kLongestName = 48;

// Lower case, '_' read as a blank ("percent_over_100" is "percent over
// 100"), blanks around the name dropped. Returns false when `name` is too
// long to be a unit.
bool Normalize(std::string_view name, char* out, size_t* length) {
  name = Trim(name);
  if (name.size() > kLongestName) return false;
  *length = name.size();
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = vellomar::FoldAscii(name[i]);
    out[i] = c == '_' ? ' ' : c;
  }
  return true;
}

using Index = std::vector<std::pair<std::string, const Unit*>>;

// Every name of every row, normalised and sorted for a binary search.
const Index& NameIndex() {
  static const Index* const index = [] {
    auto* names = new Index();
    const auto add = [names](const char* name, const Unit* unit) {
      char normal[kLongestName];
      size_t length = 0;
      if (Normalize(name, normal, &length)) names->emplace_back(std::string(normal, length), unit);
    };
    for (const Row& row : kRows) {
      add(row.unit.name, &row.unit);
      for (const char* alias : row.aliases) {
        if (alias != nullptr) add(alias, &row.unit);
      }
    }
    std::sort(names->begin(), names->end());
    return names;
  }();
  return *index;
}

// The decimal number whose digits are the 4-bit groups of `code` (0x2345
// 2345), least significant `count` groups. Groups above 9 count as their
// value times the power of ten of their place.
double NibblesToDecimal(double code, int count) {
  if (!(std::fabs(code) < 9007199254740992.0)) return 0;
  const auto bits = static_cast<uint64_t>(static_cast<int64_t>(code));
  double decimal = 0;
  for (int i = count - 1; i >= 0; --i)
    decimal = decimal * 10 + static_cast<double>((bits >> (4 * i)) & 0xF);
  return decimal;
}

// `number` rounded and kept to its last `count` decimal digits (never
// negative), one digit per 4-bit group.
double DecimalToNibbles(double number, int count) {
  if (!(std::fabs(number) < 1e18)) return 0;
  auto decimal = static_cast<int64_t>(std::llround(number));
  if (decimal < 0) return 0;
  uint64_t code = 0;
  for (int i = 0; i < count; ++i) {
    code |= static_cast<uint64_t>(decimal % 10) << (4 * i);
    decimal /= 10;
  }
  return static_cast<double>(code);
}

}  // namespace

const Unit* FindUnit(std::string_view name) {
  char normal[kLongestName];
  size_t length = 0;
  if (!Normalize(name, normal, &length)) return nullptr;
  const std::string_view key(normal, length);
  const Index& index = NameIndex();
  const auto found =
      std::lower_bound(index.begin(), index.end(), key,
                       [](const std::pair<std::string, const Unit*>& entry, std::string_view k) {
                         return std::string_view(entry.first) < k;
                       });
  if (found == index.end() || found->first != key) return nullptr;
  return found->second;
}

const Unit& NumberUnit() { return kRows[0].unit; }

// BCD16 holds 4 digits of the MHz without the hundreds and with 2 decimals
// (123.45 MHz 0x2345), so it covers 100.00 to 199.99 MHz; a frequency
// outside gives the digits of its distance above 100 MHz kept to 4 digits,
// and 0 below 100 MHz. BCD32 holds 8 digits of the frequency in Hz (345 kHz
// 0x00345000, 118.275 MHz 0x18275000: the hundreds of MHz do not fit and
// read back as 18.275 MHz). Bco16 holds the 4 octal digits of a
// transponder code, one per 4-bit group (7700 0x7700).
double ToBase(const Unit& unit, double value) {
  switch (unit.conversion) {
    case Conversion::kLinear:
      return value * unit.factor;
    case Conversion::kCelsius:
      return value + 273.15;
    case Conversion::kFahrenheit:
      return (value + 459.67) / 1.8;
    case Conversion::kBcd16:
      return (10000 + NibblesToDecimal(value, 4)) * 1e4;
    case Conversion::kBcd32:
      return NibblesToDecimal(value, 8);
    case Conversion::kBco16:
      return NibblesToDecimal(value, 4);
    case Conversion::kReciprocal:
      return value == 0 ? 0 : unit.factor / value;
  }
  return value;
}

double FromBase(const Unit& unit, double base) {
  switch (unit.conversion) {
    case Conversion::kLinear:
      return base / unit.factor;
    case Conversion::kCelsius:
      return base - 273.15;
    case Conversion::kFahrenheit:
      return base * 1.8 - 459.67;
    case Conversion::kBcd16:
      return DecimalToNibbles(base / 1e4 - 10000, 4);
    case Conversion::kBcd32:
      return DecimalToNibbles(base, 8);
    case Conversion::kBco16:
      return DecimalToNibbles(base, 4);
    case Conversion::kReciprocal:
      return base == 0 ? 0 : unit.factor / base;
  }
  return base;
}

}  // namespace runner
