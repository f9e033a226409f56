// A library that looks like the module but does not export GetFirstArray, for
// the runner's "lacks an export" message. Nothing in it is ever called.
#include <cstdint>

#if defined(_WIN32)
#define TEST_EXPORT __declspec(dllexport)
#else
#define TEST_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
TEST_EXPORT void* Panels = nullptr;
TEST_EXPORT void* ImportTable[4] = {};
TEST_EXPORT void* Linkage[8] = {};
TEST_EXPORT void DLLStart() {}
TEST_EXPORT void DLLStop() {}
TEST_EXPORT int32_t GetMaxVars() { return 0; }
TEST_EXPORT int32_t GetFirstUserVar() { return 15; }
}
