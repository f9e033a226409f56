// The module's entry points and the Linkage record through which a host that
// loads it as a gauge module finds them.
//
// Linkage on the 32-bit host (every field 4 bytes, little-endian):
//    0 module id 0x00000013     4 start (DLLStart)     8 stop (DLLStop)
//   12 word 0                  16 word 0              20 version 0x00000900
//   24 gauge list: a single null entry, ending it at once (no gauges offered)
// Where addresses are wider the fields keep this order with natural alignment.
#ifndef VELLOMAR_HOST_LINKAGE_H_
#define VELLOMAR_HOST_LINKAGE_H_

#include <cstddef>
#include <cstdint>

#include "host/calling_convention.h"
#include "vellomar.h"

using ModuleEntryFn = void(VELLOMAR_STDCALL*)();

struct LinkageRecord {
  uint32_t module_id;   //  0
  ModuleEntryFn start;  //  4
  ModuleEntryFn stop;   //  8
  uint32_t word1;       // 12
  uint32_t word2;       // 16
  uint32_t version;     // 20
  void* gauges[1];      // 24: null-terminated gauge list
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(LinkageRecord, start) == 4, "start at 4");
static_assert(offsetof(LinkageRecord, stop) == 8, "stop at 8");
static_assert(offsetof(LinkageRecord, word1) == 12, "word at 12");
static_assert(offsetof(LinkageRecord, word2) == 16, "word at 16");
static_assert(offsetof(LinkageRecord, version) == 20, "version at 20");
static_assert(offsetof(LinkageRecord, gauges) == 24, "gauge list at 24");
#endif

namespace vellomar {
inline constexpr uint32_t kLinkageModuleId = 0x00000013;
inline constexpr uint32_t kLinkageVersion = 0x00000900;
inline constexpr char kCallbackName[] = VELLOMAR_CALLBACK_NAME;
}  // namespace vellomar

extern "C" {
extern LinkageRecord Linkage;
// Registers the VELLOMAR callback when the host has filled Panels.
void VELLOMAR_STDCALL DLLStart();
// Withdraws the registration and frees all storage.
void VELLOMAR_STDCALL DLLStop();
}

#endif  // VELLOMAR_HOST_LINKAGE_H_
