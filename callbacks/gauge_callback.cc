#include "callbacks/gauge_callback.h"

#include "callbacks/property_dispatch.h"

namespace vellomar {

IGaugeCCallback* CABINGaugeCallback::QueryInterface(const char*) { return nullptr; }

void CABINGaugeCallback::Update() {}

bool CABINGaugeCallback::GetPropertyValue(int32_t id, const char** value) {
  return GetTextProperty(id, value);
}

bool CABINGaugeCallback::GetPropertyValue(int32_t id, double* value) {
  return GetNumberProperty(id, value);
}

bool CABINGaugeCallback::SetPropertyValue(int32_t id, double value) {
  return SetNumberProperty(id, value);
}

IGaugeCDrawable* CABINGaugeCallback::CreateGaugeCDrawable(int32_t,
                                                          const IGaugeCDrawableCreateParameters*) {
  return nullptr;
}

}  // namespace vellomar
