#include "hostsim/host.h"

#include <cstring>

#include "common/ascii_case.h"

namespace hostsim {

namespace {

Host* g_active_host = nullptr;

template <class Fn>
void ResolveInto(const ModuleLibrary& library, const char* name, Fn* target, std::string* missing) {
  void* address = library.Symbol(name);
  if (address == nullptr && missing->empty()) *missing = name;
  static_assert(sizeof(Fn) == sizeof(address), "code and data pointers differ");
  std::memcpy(target, &address, sizeof(address));
}

template <class Fn>
ServiceEntry AsEntry(Fn function) {
  return reinterpret_cast<ServiceEntry>(function);
}

}  // namespace

Host::Host() {
  table_[kGetUnitsEnumEntry] = AsEntry(&Host::GetUnitsEnum);
  table_[kPanelRegisterCCallbackEntry] = AsEntry(&Host::RegisterCallback);
  g_active_host = this;
}

Host::~Host() {
  Unload();
  if (g_active_host == this) g_active_host = nullptr;
}

bool Host::Load(const std::string& path, std::string* error) {
  Unload();
  if (!library_.Open(path, error)) return false;
  std::string missing;
  ResolveInto(library_, "Panels", &exports_.panels, &missing);
  ResolveInto(library_, "ImportTable", &exports_.import_table, &missing);
  ResolveInto(library_, "Linkage", &exports_.linkage, &missing);
  ResolveInto(library_, "DLLStart", &exports_.dll_start, &missing);
  ResolveInto(library_, "DLLStop", &exports_.dll_stop, &missing);
  ResolveInto(library_, "GetMaxVars", &exports_.get_max_vars, &missing);
  ResolveInto(library_, "GetFirstUserVar", &exports_.get_first_user_var, &missing);
  ResolveInto(library_, "GetFirstArray", &exports_.get_first_array, &missing);
  if (!missing.empty()) {
    *error = path + " does not export " + missing;
    Unload();
    return false;
  }
  return true;
}

void Host::Unload() {
  for (const Registration& registration : registrations_) {
    CallbackObject(registration.callback).Release();
  }
  registrations_.clear();
  library_.Close();
  exports_ = ModuleExports{};
}

void Host::FillPanels() { *exports_.panels = table_.data(); }

PanelObject Host::Registered(const std::string& name) const {
  const std::string folded = vellomar::FoldAscii(name);
  for (auto it = registrations_.rbegin(); it != registrations_.rend(); ++it) {
    if (it->folded_name == folded) return PanelObject(it->callback);
  }
  return PanelObject();
}

int32_t HOSTSIM_STDCALL Host::GetUnitsEnum(const char* unit_name) {
  int32_t code = kUnknownUnitsCode;
  // Called from inside the module: nothing may unwind through it.
  try {
    if (g_active_host != nullptr && unit_name != nullptr) {
      g_active_host->units_.Find(unit_name, &code);
    }
  } catch (...) {
    code = kUnknownUnitsCode;
  }
  return code;
}

// Registering takes the host's own reference; a null callback withdraws every
// registration under the name and drops the references.
void HOSTSIM_STDCALL Host::RegisterCallback(const char* name, void* callback) {
  if (g_active_host == nullptr || name == nullptr) return;
  Host& host = *g_active_host;
  // Called from inside the module: nothing may unwind through it. Out of
  // memory, the registration is simply not made (or not withdrawn).
  try {
    host.calls_.push_back({name, callback});
    const std::string folded = vellomar::FoldAscii(name);
    if (callback != nullptr) {
      host.registrations_.push_back({folded, callback});
      CallbackObject(callback).AddRef();
      return;
    }
    std::vector<Registration> kept;
    for (const Registration& registration : host.registrations_) {
      if (registration.folded_name != folded) kept.push_back(registration);
    }
    for (const Registration& registration : host.registrations_) {
      if (registration.folded_name == folded) CallbackObject(registration.callback).Release();
    }
    host.registrations_.swap(kept);
  } catch (...) {
  }
}

}  // namespace hostsim
