// The aircraft callback: the host asks the panel callback for one per
// container, and each hands out gauge callbacks for that container.
#ifndef VELLOMAR_CALLBACKS_AIRCRAFT_CALLBACK_H_
#define VELLOMAR_CALLBACKS_AIRCRAFT_CALLBACK_H_

#include <cstdint>

#include "callbacks/ref_counted.h"
#include "host/callback_interfaces.h"

namespace vellomar {

class AircraftCallback : public IAircraftCCallback {
 public:
  explicit AircraftCallback(uint32_t container_id) : container_id_(container_id) {}

  IAircraftCCallback* VELLOMAR_THISCALL QueryInterface(const char* interface_name) override;
  // A new gauge callback with one reference, owned by the caller, and this
  // object's container id; null when memory runs out.
  IGaugeCCallback* VELLOMAR_THISCALL CreateGaugeCCallback() override;
  void VELLOMAR_THISCALL Update() override;

  uint32_t container_id() const { return container_id_; }

 protected:
  ~AircraftCallback() = default;

 private:
  uint32_t container_id_;
};

class CABINAircraftCallback final : public RefCounted<CABINAircraftCallback, AircraftCallback> {
 public:
  explicit CABINAircraftCallback(uint32_t container_id) : RefCounted(container_id) {}
};

}  // namespace vellomar

#endif  // VELLOMAR_CALLBACKS_AIRCRAFT_CALLBACK_H_
