// Deliberately wrong modules for the DLL check to reject: the exported start
// keeps its stdcall decoration, and one variant imports a DLL that is not a
// system one.
#include <cstdint>

extern "C" __declspec(dllexport) void __attribute__((stdcall)) DLLStart() {}

#if defined(IMPORT_VELLOMAR)
#include "vellomar.h"
extern "C" __declspec(dllexport) int32_t Peek() { return GetMaxVars(); }
#endif
