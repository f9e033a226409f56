#include "hostsim/session.h"

namespace hostsim {

bool OpenGaugeCallbacks(const PanelObject& panel, uint32_t container_id, AircraftObject* aircraft,
                        GaugeObject* gauge) {
  *aircraft = AircraftObject();
  *gauge = GaugeObject();
  if (!panel) return false;
  AircraftObject new_aircraft(panel.CreateAircraftCCallback(container_id));
  if (!new_aircraft) return false;
  GaugeObject new_gauge(new_aircraft.CreateGaugeCCallback());
  if (!new_gauge) {
    new_aircraft.Release();
    return false;
  }
  *aircraft = new_aircraft;
  *gauge = new_gauge;
  return true;
}

GaugeObject NewGauge(const PanelObject& panel, uint32_t container_id) {
  AircraftObject aircraft;
  GaugeObject gauge;
  if (!OpenGaugeCallbacks(panel, container_id, &aircraft, &gauge)) return GaugeObject();
  aircraft.Release();
  return gauge;
}

bool Session::Load(const std::string& path, std::string* error) {
  Unload();
  return host_.Load(path, error);
}

bool Session::Start(uint32_t container_id, std::string* error) {
  Stop();
  host_.FillPanels();
  host_.Start();
  started_ = true;
  panel_ = RegisteredPanel();
  if (!panel_) {
    *error = std::string("nothing registered under ") + kCallbackName;
    return false;
  }
  if (!OpenGaugeCallbacks(panel_, container_id, &aircraft_, &gauge_)) {
    *error = "the panel callback gave no aircraft or no gauge callback";
    return false;
  }
  return true;
}

void Session::Stop() {
  if (gauge_) gauge_.Release();
  if (aircraft_) aircraft_.Release();
  gauge_ = GaugeObject();
  aircraft_ = AircraftObject();
  panel_ = PanelObject();
  if (started_) host_.Stop();
  started_ = false;
}

void Session::Unload() {
  Stop();
  host_.Unload();
}

int32_t Session::Id(const char* keyword) const {
  int32_t id = -1;
  if (!panel_ || !panel_.ConvertStringToProperty(keyword, &id)) return -1;
  return id;
}

}  // namespace hostsim
