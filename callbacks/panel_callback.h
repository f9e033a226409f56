// The panel callback: registered with the host under "VELLOMAR". It turns
// keywords into property ids and back, and hands out aircraft callbacks.
#ifndef VELLOMAR_CALLBACKS_PANEL_CALLBACK_H_
#define VELLOMAR_CALLBACKS_PANEL_CALLBACK_H_

#include <cstdint>

#include "callbacks/ref_counted.h"
#include "host/callback_interfaces.h"
#include "storage/property_catalogue.h"

namespace vellomar {

inline constexpr uint32_t kPanelCallbackVersion = 1;

class PanelCallback : public IPanelCCallback {
 public:
  IPanelCCallback* VELLOMAR_THISCALL QueryInterface(const char* interface_name) override;
  uint32_t VELLOMAR_THISCALL GetVersion() override;
  // A new aircraft callback with one reference, owned by the caller; null when
  // memory runs out.
  IAircraftCCallback* VELLOMAR_THISCALL CreateAircraftCCallback(uint32_t container_id) override;
  bool VELLOMAR_THISCALL ConvertStringToProperty(const char* keyword, int32_t* id) override;
  bool VELLOMAR_THISCALL ConvertPropertyToString(int32_t id, const char** keyword) override;
  bool VELLOMAR_THISCALL GetPropertyUnits(int32_t id, int32_t* units_code) override;

  // Slot 8, after the interface's: the property table the three conversions
  // work on. The host never calls it.
  virtual const PropertyTableEntry* VELLOMAR_THISCALL GetPropertyTable(uint32_t* length);

 protected:
  ~PanelCallback() = default;
};

class CABINPanelCallback final : public RefCounted<CABINPanelCallback, PanelCallback> {};

}  // namespace vellomar

#endif  // VELLOMAR_CALLBACKS_PANEL_CALLBACK_H_
