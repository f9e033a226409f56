// A substitute for the simulator's panel system: it loads the module, offers a
// panel-services table, keeps the C-callback registrations and starts and
// stops the module, all through the module's exports.
//
// One Host at a time is active in a process (the panel-services entries are
// plain functions and reach it through a process-wide pointer). Calls are made
// one at a time, as the simulator makes them.
#ifndef VELLOMAR_HOSTSIM_HOST_H_
#define VELLOMAR_HOSTSIM_HOST_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "hostsim/module_library.h"
#include "hostsim/slots.h"
#include "hostsim/units.h"

namespace hostsim {

using ServiceEntry = void (*)();

// Entries of the panel-services table the module uses.
inline constexpr int kGetUnitsEnumEntry = 73;
inline constexpr int kPanelRegisterCCallbackEntry = 76;
inline constexpr int kServiceTableSize = 77;

// The module's records as the 32-bit host lays them out, kept in the same
// field order with natural alignment where addresses are wider.
struct ImportEntry {
  uint32_t id;          // 0
  ServiceEntry* table;  // 4
};
struct ImportTableRecord {
  ImportEntry panels;  // 0
  ImportEntry end;     // 8
};
struct LinkageRecord {
  uint32_t module_id;              //  0
  void(HOSTSIM_STDCALL* start)();  //  4
  void(HOSTSIM_STDCALL* stop)();   //  8
  uint32_t word1;                  // 12
  uint32_t word2;                  // 16
  uint32_t version;                // 20
  void* gauges[1];                 // 24
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(ImportEntry) == 8, "ImportTable entries are 8 bytes");
static_assert(offsetof(ImportEntry, table) == 4, "table pointer at 4");
static_assert(sizeof(ImportTableRecord) == 16, "ImportTable is two entries");
static_assert(offsetof(LinkageRecord, start) == 4, "start at 4");
static_assert(offsetof(LinkageRecord, stop) == 8, "stop at 8");
static_assert(offsetof(LinkageRecord, word1) == 12, "word at 12");
static_assert(offsetof(LinkageRecord, word2) == 16, "word at 16");
static_assert(offsetof(LinkageRecord, version) == 20, "version at 20");
static_assert(offsetof(LinkageRecord, gauges) == 24, "gauge list at 24");
static_assert(sizeof(LinkageRecord) == 28, "Linkage is 28 bytes");
#else
static_assert(offsetof(ImportEntry, table) == sizeof(void*), "natural alignment");
static_assert(sizeof(ImportTableRecord) == 4 * sizeof(void*), "two entries");
static_assert(offsetof(LinkageRecord, start) == sizeof(void*), "natural alignment");
static_assert(offsetof(LinkageRecord, gauges) % sizeof(void*) == 0, "natural alignment");
#endif

// The module's exports, resolved by name.
struct ModuleExports {
  ServiceEntry** panels = nullptr;
  ImportTableRecord* import_table = nullptr;
  LinkageRecord* linkage = nullptr;
  void(HOSTSIM_STDCALL* dll_start)() = nullptr;
  void(HOSTSIM_STDCALL* dll_stop)() = nullptr;
  int32_t (*get_max_vars)() = nullptr;
  int32_t (*get_first_user_var)() = nullptr;
  void* (*get_first_array)() = nullptr;
};

// One call the module made to panel_register_c_callback.
struct RegistrationCall {
  std::string name;
  void* callback;
};

class Host {
 public:
  Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;
  ~Host();

  // Loads the module and resolves all eight exports. On failure returns false
  // with the reason in `*error`, naming a missing export.
  bool Load(const std::string& path, std::string* error);
  // Drops every registration still held and unloads the module.
  void Unload();

  // Stores the panel-services table in Panels, as the simulator does before it
  // starts an add-on module.
  void FillPanels();
  void Start() const { exports_.dll_start(); }
  void Stop() const { exports_.dll_stop(); }

  // The newest callback registered under `name` (any case), or null.
  PanelObject Registered(const std::string& name) const;
  size_t registration_count() const { return registrations_.size(); }
  const std::vector<RegistrationCall>& registration_calls() const { return calls_; }

  // get_units_enum answers from this table (names in any case), and with
  // kUnknownUnitsCode for a name it lacks.
  void SetUnitsCode(const std::string& unit_name, int32_t code) { units_.Set(unit_name, code); }
  const UnitsTable& units() const { return units_; }

  const ModuleExports& exports() const { return exports_; }
  ServiceEntry* service_table() { return table_.data(); }

 private:
  static int32_t HOSTSIM_STDCALL GetUnitsEnum(const char* unit_name);
  static void HOSTSIM_STDCALL RegisterCallback(const char* name, void* callback);

  ModuleLibrary library_;
  ModuleExports exports_;
  std::array<ServiceEntry, kServiceTableSize> table_{};
  UnitsTable units_;
  struct Registration {
    std::string folded_name;
    void* callback;
  };
  std::vector<Registration> registrations_;
  std::vector<RegistrationCall> calls_;
};

}  // namespace hostsim

#endif  // VELLOMAR_HOSTSIM_HOST_H_
