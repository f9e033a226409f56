// The substitute host's units enumeration: unit names and the codes that
// get_units_enum answers with. Names match in any letter case.
//
// Only units that need no conversion are offered (bool, feet, percent and the
// like would change the values a script sees), so a number reads back as it
// was written whichever of them a script names. "string" marks a text read.
#ifndef VELLOMAR_HOSTSIM_UNITS_H_
#define VELLOMAR_HOSTSIM_UNITS_H_

#include <cstdint>
#include <map>
#include <string>

namespace hostsim {

// The code get_units_enum gives a name the table does not hold.
inline constexpr int32_t kUnknownUnitsCode = -1;

class UnitsTable {
 public:
  // Starts with the host's own units: number and numbers (50), enum and string.
  UnitsTable();

  // The code for `name` (any case), or false when the table lacks it.
  bool Find(const std::string& name, int32_t* code) const;
  // Adds `name` or changes its code.
  void Set(const std::string& name, int32_t code);

 private:
  std::map<std::string, int32_t> codes_;  // keys folded to lower case
};

}  // namespace hostsim

#endif  // VELLOMAR_HOSTSIM_UNITS_H_
