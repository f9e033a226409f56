#include "hostsim/units.h"

#include "common/ascii_case.h"

namespace hostsim {

using vellomar::FoldAscii;

UnitsTable::UnitsTable() {
  static const struct {
    const char* name;
    int32_t code;
  } kHostUnits[] = {
      {"number", 50},
      {"numbers", 50},
      {"enum", 51},
      {"string", 52},
  };
  for (const auto& unit : kHostUnits) Set(unit.name, unit.code);
}

bool UnitsTable::Find(const std::string& name, int32_t* code) const {
  auto it = codes_.find(FoldAscii(name));
  if (it == codes_.end()) return false;
  *code = it->second;
  return true;
}

void UnitsTable::Set(const std::string& name, int32_t code) { codes_[FoldAscii(name)] = code; }

}  // namespace hostsim
