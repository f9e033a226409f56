#include "callbacks/property_dispatch.h"

#include "callbacks/number_conversions.h"
#include "storage/array_store.h"
#include "storage/property_catalogue.h"
#include "storage/storage_state.h"
#include "storage/user_variables.h"

namespace vellomar {

namespace {

// Handed out by failing text reads; never written through.
const char kNullText[] = "null";

bool ActiveSizeAsNumber(double* value) {
  int32_t size = 0;
  if (!ActiveSize(&size)) return false;
  *value = size;
  return true;
}

}  // namespace

bool GetTextProperty(int32_t id, const char** value) {
  if (value == nullptr) return false;
  *value = kNullText;
  switch (id) {
    case kGetArrayName:
      return ActiveName(value);
    case kGetStringValue:
      return ReadText(value);
    default:
      return UserValueOf(id, value);
  }
}

bool GetNumberProperty(int32_t id, double* value) {
  if (value == nullptr) return false;
  *value = 1.0;
  switch (id) {
    case kGetReadIndex:
      *value = g_storage.read_index;
      return true;
    case kGetWriteIndex:
      *value = g_storage.write_index;
      return true;
    case kGetArrayToken:
      *value = g_storage.active_token;
      return true;
    case kGetNumberValue:
      return ReadNumber(value);
    case kGetArraySize:
      return ActiveSizeAsNumber(value);
    default:
      return false;
  }
}

bool SetTextProperty(int32_t id, const char* value) {
  switch (id) {
    case kCreateNumberArray:
      return CreateOrSelectArray(ArrayKind::kNumber, value);
    case kCreateStringArray:
      return CreateOrSelectArray(ArrayKind::kString, value);
    case kSetStringValue:
      return WriteText(value);
    default:
      return SetUserValue(id, value);
  }
}

bool SetNumberProperty(int32_t id, double value) {
  switch (id) {
    case kSetActiveArray:
      g_storage.active_token = TokenFromNumber(value);
      return true;
    case kSetReadIndex:
      g_storage.read_index = IndexFromNumber(value);
      return true;
    case kSetWriteIndex:
      g_storage.write_index = IndexFromNumber(value);
      return true;
    case kSetNumberValue:
      return WriteNumber(value);
    case kSetArraySize:
      g_storage.pending_size = IndexFromNumber(value);
      return true;
    default:
      return false;
  }
}

}  // namespace vellomar
