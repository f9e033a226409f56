#include "hostsim/module_library.h"

#if defined(_WIN32)
#include <windows.h>

#include <cstring>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace hostsim {

namespace {

std::string DirectoryOf(const std::string& path) {
  const size_t separator = path.find_last_of("/\\");
  if (separator == std::string::npos) return ".";
  return separator == 0 ? path.substr(0, 1) : path.substr(0, separator);
}

}  // namespace

#if defined(_WIN32)

const char kModuleFileName[] = "vellomar.dll";

std::string ExecutableDirectory(const char* argv0) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length > 0 && length < MAX_PATH) return DirectoryOf(std::string(path, length));
  return DirectoryOf(argv0 != nullptr ? argv0 : "");
}

bool ModuleLibrary::Open(const std::string& path, std::string* error) {
  Close();
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    *error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  handle_ = reinterpret_cast<void*>(module);
  return true;
}

void* ModuleLibrary::Symbol(const char* name) const {
  if (handle_ == nullptr) return nullptr;
  FARPROC address = GetProcAddress(static_cast<HMODULE>(handle_), name);
  void* result = nullptr;
  static_assert(sizeof(result) == sizeof(address), "code and data pointers differ");
  std::memcpy(&result, &address, sizeof(result));
  return result;
}

void ModuleLibrary::Close() {
  if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
  handle_ = nullptr;
}

#else

const char kModuleFileName[] = "libvellomar.so";

std::string ExecutableDirectory(const char* argv0) {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof(path));
  if (length > 0 && static_cast<size_t>(length) < sizeof(path)) {
    return DirectoryOf(std::string(path, static_cast<size_t>(length)));
  }
  return DirectoryOf(argv0 != nullptr ? argv0 : "");
}

bool ModuleLibrary::Open(const std::string& path, std::string* error) {
  Close();
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* reason = dlerror();
    *error = "cannot load " + path + ": " + (reason != nullptr ? reason : "unknown error");
    return false;
  }
  return true;
}

void* ModuleLibrary::Symbol(const char* name) const {
  return handle_ != nullptr ? dlsym(handle_, name) : nullptr;
}

void ModuleLibrary::Close() {
  if (handle_ != nullptr) dlclose(handle_);
  handle_ = nullptr;
}

#endif

}  // namespace hostsim
