#include "callbacks/panel_callback.h"

#include "callbacks/aircraft_callback.h"
#include "storage/user_variables.h"

namespace vellomar {

IPanelCCallback* PanelCallback::QueryInterface(const char*) { return nullptr; }

uint32_t PanelCallback::GetVersion() { return kPanelCallbackVersion; }

IAircraftCCallback* PanelCallback::CreateAircraftCCallback(uint32_t container_id) {
  return CABINAircraftCallback::Create(container_id);
}

// The conversions name this class's own table directly: nothing overrides
// slot 8, and a keyword's resolution is then one call shorter.
bool PanelCallback::ConvertStringToProperty(const char* keyword, int32_t* id) {
  uint32_t length = 0;
  const PropertyTableEntry* table = PanelCallback::GetPropertyTable(&length);
  return ResolveKeyword(table, length, keyword, id);
}

bool PanelCallback::ConvertPropertyToString(int32_t id, const char** keyword) {
  uint32_t length = 0;
  const PropertyTableEntry* table = PanelCallback::GetPropertyTable(&length);
  return KeywordOf(table, length, id, keyword);
}

bool PanelCallback::GetPropertyUnits(int32_t id, int32_t* units_code) {
  uint32_t length = 0;
  const PropertyTableEntry* table = PanelCallback::GetPropertyTable(&length);
  return UnitsOf(table, length, id, units_code);
}

const PropertyTableEntry* PanelCallback::GetPropertyTable(uint32_t* length) {
  if (length != nullptr) *length = kPropertyCount;
  return kPropertyTable;
}

}  // namespace vellomar
