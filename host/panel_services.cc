#include "host/panel_services.h"

namespace vellomar {

namespace {

// The entry `index` of the known table, or null.
PanelServiceEntry Entry(int index) {
  PanelServiceEntry* table = ImportTable.panels.pointer;
  return table != nullptr ? table[index] : nullptr;
}

}  // namespace

int32_t HostUnitsCodeForNumber() {
  auto get_units_enum = reinterpret_cast<GetUnitsEnumFn>(Entry(kGetUnitsEnumEntry));
  return get_units_enum != nullptr ? get_units_enum("number") : -1;
}

void HostRegisterCallback(const char* name, IPanelCCallback* callback) {
  auto register_callback =
      reinterpret_cast<PanelRegisterCCallbackFn>(Entry(kPanelRegisterCCallbackEntry));
  if (register_callback != nullptr) register_callback(name, callback);
}

}  // namespace vellomar
