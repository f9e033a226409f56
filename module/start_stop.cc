// Start and stop: the module's entry and exit, and the Linkage record that
// names them.

#include "callbacks/panel_callback.h"
#include "host/linkage.h"
#include "host/panel_services.h"
#include "module/export.h"
#include "storage/array_store.h"
#include "storage/user_variables.h"

VELLOMAR_EXPORT LinkageRecord Linkage = {vellomar::kLinkageModuleId, DLLStart, DLLStop, 0, 0,
                                         vellomar::kLinkageVersion,  {nullptr}};

// Registration makes the host take its own reference, so dropping start's
// reference afterwards leaves the host's alone keeping the object alive.
VELLOMAR_EXPORT void VELLOMAR_STDCALL DLLStart() {
  if (Panels == nullptr) return;
  ImportTable.panels.pointer = Panels;
  vellomar::CABINPanelCallback* callback = vellomar::CABINPanelCallback::Create();
  if (callback == nullptr) return;
  vellomar::HostRegisterCallback(vellomar::kCallbackName, callback);
  callback->Release();
}

// The registration is withdrawn whenever a table is known, even if start found
// no Panels and registered nothing. The cursor values and the max-vars value
// are kept for a later start.
VELLOMAR_EXPORT void VELLOMAR_STDCALL DLLStop() {
  vellomar::HostRegisterCallback(vellomar::kCallbackName, nullptr);
  vellomar::ReleaseUserVariables();
  vellomar::ReleaseArrays();
}
