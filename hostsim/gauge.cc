#include "hostsim/gauge.h"

#include "common/ascii_case.h"
#include "hostsim/session.h"

namespace hostsim {

Gauge::~Gauge() {
  for (Site& site : sites_) {
    site.gauge.Release();
    site.aircraft.Release();
  }
}

Resolution Gauge::OpenSite(const std::string& callback_name, const Site** site) {
  const std::string folded = vellomar::FoldAscii(callback_name);
  for (const Site& open : sites_) {
    if (open.folded_name == folded) {
      *site = &open;
      return Resolution::kResolved;
    }
  }
  const PanelObject panel = host_->Registered(callback_name);
  if (!panel) return Resolution::kNoCallback;
  AircraftObject aircraft;
  GaugeObject gauge;
  if (!OpenGaugeCallbacks(panel, container_id_, &aircraft, &gauge)) {
    return Resolution::kNoGaugeCallback;
  }
  sites_.push_back({folded, aircraft, gauge});
  *site = &sites_.back();
  return Resolution::kResolved;
}

Resolution Gauge::Resolve(const std::string& callback_name, const std::string& keyword,
                          Property* property) {
  auto key = std::make_pair(vellomar::FoldAscii(callback_name), keyword);
  auto known = answers_.find(key);
  if (known == answers_.end()) {
    Answer answer{Resolution::kResolved, Property{}};
    const Site* site = nullptr;
    answer.resolution = OpenSite(callback_name, &site);
    if (answer.resolution == Resolution::kResolved) {
      const PanelObject panel = host_->Registered(callback_name);
      int32_t id = -1;
      if (panel.ConvertStringToProperty(keyword.c_str(), &id)) {
        answer.property = Property{site->gauge, id};
      } else {
        answer.resolution = Resolution::kUnknownKeyword;
      }
    }
    known = answers_.emplace(std::move(key), answer).first;
  }
  if (known->second.resolution == Resolution::kResolved) *property = known->second.property;
  return known->second.resolution;
}

}  // namespace hostsim
