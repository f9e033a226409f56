#include "hostsim/host.h"

#include <cstring>

namespace hostsim {

namespace {

Host* g_active_host = nullptr;

template <class Fn>
void ResolveInto(const ModuleLibrary& library, const char* name, Fn* target,
                 std::string* missing) {
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

std::string FoldCase(const std::string& text) {
  std::string folded = text;
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

Host::Host() {
  table_[kGetUnitsEnumEntry] = AsEntry(&Host::GetUnitsEnum);
  table_[kPanelRegisterCCallbackEntry] = AsEntry(&Host::RegisterCallback);
  SetUnitsCode("number", 50);
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
  const std::string folded = FoldCase(name);
  for (auto it = registrations_.rbegin(); it != registrations_.rend(); ++it) {
    if (it->folded_name == folded) return PanelObject(it->callback);
  }
  return PanelObject();
}

void Host::SetUnitsCode(const std::string& unit_name, int32_t code) {
  units_[FoldCase(unit_name)] = code;
}

int32_t HOSTSIM_STDCALL Host::GetUnitsEnum(const char* unit_name) {
  if (g_active_host == nullptr || unit_name == nullptr) return -1;
  auto it = g_active_host->units_.find(FoldCase(unit_name));
  return it != g_active_host->units_.end() ? it->second : -1;
}

// Registering takes the host's own reference; a null callback withdraws every
// registration under the name and drops the references.
void HOSTSIM_STDCALL Host::RegisterCallback(const char* name, void* callback) {
  if (g_active_host == nullptr || name == nullptr) return;
  Host& host = *g_active_host;
  host.calls_.push_back({name, callback});
  const std::string folded = FoldCase(name);
  if (callback != nullptr) {
    CallbackObject(callback).AddRef();
    host.registrations_.push_back({folded, callback});
    return;
  }
  std::vector<Registration> kept;
  for (const Registration& registration : host.registrations_) {
    if (registration.folded_name == folded) {
      CallbackObject(registration.callback).Release();
    } else {
      kept.push_back(registration);
    }
  }
  host.registrations_.swap(kept);
}

}  // namespace hostsim
