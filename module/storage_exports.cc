// Inspection exports: how other modules in the process look at the storage.

#include "module/export.h"
#include "storage/property_catalogue.h"
#include "storage/storage_state.h"
#include "vellomar.h"

VELLOMAR_EXPORT int32_t GetMaxVars(void) { return vellomar::g_storage.max_vars; }

VELLOMAR_EXPORT int32_t GetFirstUserVar(void) { return vellomar::kFirstUserVariableId; }

VELLOMAR_EXPORT ArrayRecord* GetFirstArray(void) { return vellomar::g_storage.array_head; }
