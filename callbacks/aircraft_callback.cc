#include "callbacks/aircraft_callback.h"

#include "callbacks/gauge_callback.h"

namespace vellomar {

IAircraftCCallback* AircraftCallback::QueryInterface(const char*) { return nullptr; }

IGaugeCCallback* AircraftCallback::CreateGaugeCCallback() {
  return CABINGaugeCallback::Create(container_id_);
}

void AircraftCallback::Update() {}

}  // namespace vellomar
