// The host's panel-services table and the records through which the host and
// the module find each other.
//
// The host fills Panels (or the pointer of ImportTable's first entry) with the
// address of its panel-services table before it starts the module. Every call
// the module makes to the host goes through the table held in ImportTable.
#ifndef VELLOMAR_HOST_PANEL_SERVICES_H_
#define VELLOMAR_HOST_PANEL_SERVICES_H_

#include <cstddef>
#include <cstdint>

#include "host/callback_interfaces.h"
#include "host/calling_convention.h"

// One entry of the panel-services table: the address of an operation, of a
// type that depends on the entry. Stored as a generic function pointer so that
// converting to the real type and back is well defined.
using PanelServiceEntry = void (*)();

namespace vellomar {

// Entries of the panel-services table that the module uses, counted from 0.
inline constexpr int kGetUnitsEnumEntry = 73;
inline constexpr int kPanelRegisterCCallbackEntry = 76;
// Entries a substitute host must provide at least.
inline constexpr int kPanelServiceEntryCount = kPanelRegisterCCallbackEntry + 1;

// Entry 73: the host's units code for a unit name.
using GetUnitsEnumFn = int32_t(VELLOMAR_STDCALL*)(const char* unit_name);
// Entry 76: registers `callback` under `name`, taking the host's own reference;
// a null callback withdraws the registration and drops that reference. The
// result is of no interest to the module.
using PanelRegisterCCallbackFn = void(VELLOMAR_STDCALL*)(const char* name,
                                                         IPanelCCallback* callback);

}  // namespace vellomar

// One entry of ImportTable: a 32-bit id and a pointer.
struct ImportEntry {
  uint32_t id;                 // 0
  PanelServiceEntry* pointer;  // 4 (8 where addresses are 64-bit)
};

// ImportTable: entry 1 carries id 0x0000000F and the panel-services table;
// entry 2 is all zero and ends the table.
struct ImportTableRecord {
  ImportEntry panels;  // 0
  ImportEntry end;     // 8 (16 where addresses are 64-bit)
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(ImportEntry) == 8, "ImportTable entries are 8 bytes");
static_assert(sizeof(ImportTableRecord) == 16, "ImportTable is two entries");
#else
static_assert(offsetof(ImportEntry, pointer) == sizeof(void*), "natural alignment");
static_assert(sizeof(ImportTableRecord) == 4 * sizeof(void*), "two entries");
#endif

extern "C" {
// Filled by the host; null at load.
extern PanelServiceEntry* Panels;
extern ImportTableRecord ImportTable;
}

namespace vellomar {

inline constexpr uint32_t kImportTablePanelsId = 0x0000000F;

// The host's code for "number", or -1 when no panel-services table is known
// (the module never calls through a missing table).
int32_t HostUnitsCodeForNumber();

// Calls panel_register_c_callback when a table is known; otherwise does nothing.
void HostRegisterCallback(const char* name, IPanelCCallback* callback);

}  // namespace vellomar

#endif  // VELLOMAR_HOST_PANEL_SERVICES_H_
