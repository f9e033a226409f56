// One gauge loaded by the substitute host, as the simulator loads a gauge: the
// first time the gauge's script names a callback, the host asks the panel
// callback registered under that name for an aircraft callback and that one
// for a gauge callback; every distinct (callback, keyword) reference is turned
// into a property id once, with ConvertStringToProperty, while the gauge loads.
//
// Ownership: a Gauge holds the one reference on each aircraft and gauge
// callback it asked for and drops both when it is destroyed, which must happen
// before the module is unloaded. It does not own the Host, which must outlive
// it. Calls are made one at a time.
#ifndef VELLOMAR_HOSTSIM_GAUGE_H_
#define VELLOMAR_HOSTSIM_GAUGE_H_

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "hostsim/host.h"
#include "hostsim/slots.h"

namespace hostsim {

// A resolved property: the gauge callback to call and the id to pass.
struct Property {
  GaugeObject gauge;
  int32_t id = -1;
};

enum class Resolution {
  kResolved,
  kNoCallback,       // nothing is registered under the name
  kNoGaugeCallback,  // the callback gave no aircraft or no gauge callback
  kUnknownKeyword,   // ConvertStringToProperty refused the keyword
};

class Gauge {
 public:
  Gauge(const Host* host, uint32_t container_id) : host_(host), container_id_(container_id) {}
  Gauge(const Gauge&) = delete;
  Gauge& operator=(const Gauge&) = delete;
  ~Gauge();

  // Resolves `keyword` on the callback registered under `callback_name` (any
  // case). Only the first request for a reference asks the module; later ones
  // give the same answer from the gauge's own table. On anything but
  // kResolved, `*property` is left unchanged.
  Resolution Resolve(const std::string& callback_name, const std::string& keyword,
                     Property* property);

  uint32_t container_id() const { return container_id_; }

 private:
  struct Site {
    std::string folded_name;
    AircraftObject aircraft;
    GaugeObject gauge;
  };
  struct Answer {
    Resolution resolution;
    Property property;
  };

  Resolution OpenSite(const std::string& callback_name, const Site** site);

  const Host* host_;
  uint32_t container_id_;
  std::vector<Site> sites_;
  // Keyed by folded callback name and the keyword exactly as written.
  std::map<std::pair<std::string, std::string>, Answer> answers_;
};

}  // namespace hostsim

#endif  // VELLOMAR_HOSTSIM_GAUGE_H_
