// The data records the host fills when it loads the module.

#include "host/panel_services.h"
#include "module/export.h"

VELLOMAR_EXPORT PanelServiceEntry* Panels = nullptr;

VELLOMAR_EXPORT ImportTableRecord ImportTable = {{vellomar::kImportTablePanelsId, nullptr},
                                                 {0, nullptr}};
