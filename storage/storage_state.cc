#include "storage/storage_state.h"

namespace vellomar {

StorageState g_storage = {};

}  // namespace vellomar
