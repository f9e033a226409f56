#include "callbacks/property_dispatch.h"

#include "callbacks/number_conversions.h"
#include "host/panel_services.h"

namespace vellomar {

bool CreateOrSelectArray(ArrayKind kind, const char* name) {
  switch (SelectArrayNamed(name)) {
    case NamedArray::kRefused:
      return false;
    case NamedArray::kSelected:
      return true;
    case NamedArray::kAbsent:
      break;
  }
  const int32_t units_code = kind == ArrayKind::kNumber ? HostUnitsCodeForNumber() : kTextUnitsCode;
  return CreateArray(kind, name, units_code);
}

bool GetOtherNumberProperty(int32_t id, double* value) {
  switch (id) {
    case kGetReadIndex:
      *value = ReadIndex();
      return true;
    case kGetWriteIndex:
      *value = WriteIndex();
      return true;
    case kGetArraySize: {
      int32_t size = 0;
      if (!ActiveSize(&size)) return false;
      *value = size;
      return true;
    }
    default:
      return false;
  }
}

bool SetOtherNumberProperty(int32_t id, double value) {
  switch (id) {
    case kSetActiveArray:
      SetActiveToken(TokenFromNumber(value));
      return true;
    case kSetReadIndex:
      SetReadIndex(IndexFromNumber(value));
      return true;
    case kSetWriteIndex:
      SetWriteIndex(IndexFromNumber(value));
      return true;
    case kSetArraySize:
      SetPendingSize(IndexFromNumber(value));
      return true;
    default:
      return false;
  }
}

}  // namespace vellomar
