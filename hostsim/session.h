// One host session with the module, set up the way the simulator sets it up:
// the library loaded and its exports resolved, Panels filled, DLLStart called,
// the panel callback taken from the registrations under VELLOMAR, and one
// aircraft and one gauge callback asked of it. Tests, the benchmark, the
// stress runs, the model harness and the runner all stand their sessions up
// through this type, and the gauge loader opens its callbacks with
// OpenGaugeCallbacks below.
//
// Ownership: the Session owns its Host and the one reference on its aircraft
// and gauge callbacks. Stop() releases the gauge callback, then the aircraft
// callback, then calls DLLStop; Unload() (and the destructor) stops first and
// then unloads the library. The panel callback is the host's registration:
// the Session holds no reference of its own on it.
//
// Not thread-safe; one Session at a time per process (see Host).
#ifndef VELLOMAR_HOSTSIM_SESSION_H_
#define VELLOMAR_HOSTSIM_SESSION_H_

#include <cstdint>
#include <string>

#include "hostsim/host.h"
#include "hostsim/slots.h"
#include "vellomar.h"

namespace hostsim {

// The name the module registers its panel callback under.
inline constexpr char kCallbackName[] = VELLOMAR_CALLBACK_NAME;

// Asks `panel` for an aircraft callback for `container_id` and that one for a
// gauge callback. On success the caller owns one reference on each; on failure
// returns false, holds nothing and leaves `*aircraft` and `*gauge` empty.
bool OpenGaugeCallbacks(const PanelObject& panel, uint32_t container_id, AircraftObject* aircraft,
                        GaugeObject* gauge);

// A gauge callback for `container_id` through a short-lived aircraft callback,
// which is released at once. The caller owns the one reference; empty on
// failure.
GaugeObject NewGauge(const PanelObject& panel, uint32_t container_id = 0);

class Session {
 public:
  Session() = default;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  ~Session() { Unload(); }

  // Loads the module and resolves its eight exports (Host::Load).
  bool Load(const std::string& path, std::string* error);
  // Fills Panels, calls DLLStart, takes the registered panel callback and opens
  // an aircraft and a gauge callback for `container_id`. On failure returns
  // false with the reason in `*error`; the module counts as started as soon as
  // DLLStart was called, so Stop() still stops it.
  bool Start(uint32_t container_id, std::string* error);
  // Releases the gauge and aircraft callbacks, then calls DLLStop. Does nothing
  // when the module was not started through this Session.
  void Stop();
  // Stop(), then unloads the module (Host::Unload).
  void Unload();

  // The newest panel callback registered under VELLOMAR, or empty.
  PanelObject RegisteredPanel() const { return host_.Registered(kCallbackName); }
  // The property id of `keyword` on the session's panel callback, or -1.
  int32_t Id(const char* keyword) const;

  Host& host() { return host_; }
  const Host& host() const { return host_; }
  const ModuleExports& exports() const { return host_.exports(); }
  bool started() const { return started_; }
  const PanelObject& panel() const { return panel_; }
  const AircraftObject& aircraft() const { return aircraft_; }
  const GaugeObject& gauge() const { return gauge_; }

 private:
  Host host_;
  bool started_ = false;
  PanelObject panel_;
  AircraftObject aircraft_;
  GaugeObject gauge_;
};

}  // namespace hostsim

#endif  // VELLOMAR_HOSTSIM_SESSION_H_
