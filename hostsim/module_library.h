// Loads the module the way the simulator does: as a shared library, resolved
// by export name. The only platform seam of the substitute host.
#ifndef VELLOMAR_HOSTSIM_MODULE_LIBRARY_H_
#define VELLOMAR_HOSTSIM_MODULE_LIBRARY_H_

#include <string>

namespace hostsim {

// The module's file name as the build names it: vellomar.dll or libvellomar.so.
extern const char kModuleFileName[];

// The directory holding the running executable, without a trailing separator;
// `argv0`'s directory (or ".") when the system cannot say.
std::string ExecutableDirectory(const char* argv0);

class ModuleLibrary {
 public:
  ModuleLibrary() = default;
  ModuleLibrary(const ModuleLibrary&) = delete;
  ModuleLibrary& operator=(const ModuleLibrary&) = delete;
  ~ModuleLibrary() { Close(); }

  // Loads `path`; on failure returns false and describes why in `*error`.
  bool Open(const std::string& path, std::string* error);
  // Address of an exported function or data record, or null.
  void* Symbol(const char* name) const;
  // Unloads; the module's state is gone once the last handle closes.
  void Close();

 private:
  void* handle_ = nullptr;
};

}  // namespace hostsim

#endif  // VELLOMAR_HOSTSIM_MODULE_LIBRARY_H_
