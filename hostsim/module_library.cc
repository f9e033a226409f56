#include "hostsim/module_library.h"

#if defined(_WIN32)
#include <windows.h>

#include <cstring>
#include <string>
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

namespace {

// Paths are UTF-8 everywhere in the runner; Windows takes them as UTF-16
// through its wide-character calls, so that any name works, whatever the
// system's code page.
std::wstring Widen(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), size, &wide[0], length);
  return wide;
}

std::string Narrow(const wchar_t* text, int size) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) WideCharToMultiByte(CP_UTF8, 0, text, size, &narrow[0], length, nullptr, nullptr);
  return narrow;
}

// The system's words for an error code, without the line break it ends with,
// with `path` for the %1 some of them hold ("%1 is not a valid Win32
// application").
std::string ErrorText(DWORD code, const std::string& path) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text = length > 0 && buffer != nullptr ? Narrow(buffer, static_cast<int>(length))
                                                     : std::string("unknown error");
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() &&
         (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.')) {
    text.pop_back();
  }
  for (size_t at = text.find("%1"); at != std::string::npos;
       at = text.find("%1", at + path.size())) {
    text.replace(at, 2, path);
  }
  return text + " (error " + std::to_string(code) + ")";
}

}  // namespace

std::string ExecutableDirectory(const char* argv0) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    return DirectoryOf(Narrow(path, static_cast<int>(length)));
  }
  return DirectoryOf(argv0 != nullptr ? argv0 : "");
}

bool ModuleLibrary::Open(const std::string& path, std::string* error) {
  Close();
  HMODULE module = LoadLibraryW(Widen(path).c_str());
  if (module == nullptr) {
    *error = "cannot load " + path + ": " + ErrorText(GetLastError(), path);
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
