// The gauge callback: the host reads and writes VELLOMAR's properties through
// it. It carries no state of its own beyond its count and container id; every
// property acts on the module-wide storage, shared by all gauges.
#ifndef VELLOMAR_CALLBACKS_GAUGE_CALLBACK_H_
#define VELLOMAR_CALLBACKS_GAUGE_CALLBACK_H_

#include <cstdint>

#include "callbacks/ref_counted.h"
#include "host/callback_interfaces.h"

namespace vellomar {

class CABINGaugeCallback final : public RefCounted<CABINGaugeCallback, IGaugeCCallback> {
 public:
  explicit CABINGaugeCallback(uint32_t container_id) : container_id_(container_id) {}

  IGaugeCCallback* VELLOMAR_THISCALL QueryInterface(const char* interface_name) override;
  void VELLOMAR_THISCALL Update() override;
  bool VELLOMAR_THISCALL GetPropertyValue(int32_t id, const char** value) override;
  bool VELLOMAR_THISCALL GetPropertyValue(int32_t id, double* value) override;
  bool VELLOMAR_THISCALL SetPropertyValue(int32_t id, const char* value) override;
  bool VELLOMAR_THISCALL SetPropertyValue(int32_t id, double value) override;
  IGaugeCDrawable* VELLOMAR_THISCALL
  CreateGaugeCDrawable(int32_t id, const IGaugeCDrawableCreateParameters* parameters) override;

  uint32_t container_id() const { return container_id_; }

 private:
  uint32_t container_id_;
};

}  // namespace vellomar

#endif  // VELLOMAR_CALLBACKS_GAUGE_CALLBACK_H_
