// The simulator's units of measurement: every name and alias, the dimension
// it measures, and how a value in it converts to and from the base unit of
// that dimension (metres, kelvin, radians, pascals, hertz, ...). The host
// stores simulation variables and L: variables in base units and converts on
// every read and write.
//
// Names match in any letter case, with blanks around them ignored and '_'
// read as a blank (variable tables write "percent_over_100" for "percent
// over 100"); a name the table lacks is not a unit (FindUnit gives null) and
// callers treat it as "number" (factor 1) with a warning.
#ifndef VELLOMAR_RUNNER_BASE_UNITS_H_
#define VELLOMAR_RUNNER_BASE_UNITS_H_

#include <string_view>

namespace runner {

enum class Dimension : unsigned char {
  kNumber,  // bool, number, enum, percent, position, mask, ... (base 1.0)
  kText,    // "string": the variable is read as a text
  kLength,
  kArea,
  kVolume,
  kTemperature,
  kAngle,
  kAngularVelocity,
  kAngularAcceleration,
  kSpeed,
  kAcceleration,
  kTime,
  kPower,
  kVolumeFlow,
  kMass,
  kMassFlow,
  kCurrent,
  kVoltage,
  kFrequency,
  kDensity,
  kPressure,
  kTorque,
  kMomentOfInertia,
};

enum class Conversion : unsigned char {
  kLinear,      // base = value * factor
  kCelsius,     // base = value + 273.15
  kFahrenheit,  // base = (value + 459.67) * 5/9
  kBcd16,       // frequency: 4 BCD digits of the MHz without the leading 1, 2 decimals
  kBcd32,       // frequency: 8 BCD digits (see units.cc for the alignment chosen)
  kBco16,       // transponder code: 4 octal digits, one per nibble; base is the code
  kReciprocal,  // base = factor / value ("minutes per round"; 0 stays 0)
};

struct Unit {
  const char* name;  // the table's own spelling, as messages show it
  Dimension dimension;
  Conversion conversion;
  double factor;  // base units per unit, for kLinear
};

// The unit called `name`, or null when the table has no such name.
const Unit* FindUnit(std::string_view name);
// "number": factor 1, what a variable read without units or with an unknown
// unit uses.
const Unit& NumberUnit();

// A value in `unit` expressed in the base unit of its dimension, and back.
double ToBase(const Unit& unit, double value);
double FromBase(const Unit& unit, double base);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_BASE_UNITS_H_
