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

bool CompleteGetTextProperty(int32_t id, const char** value) {
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

bool CompleteGetNumberProperty(int32_t id, double* value) {
  if (value == nullptr) return false;
  *value = 1.0;
  switch (id) {
    case kGetReadIndex:
      *value = ReadIndex();
      return true;
    case kGetWriteIndex:
      *value = WriteIndex();
      return true;
    case kGetArrayToken:
      *value = ActiveToken();
      return true;
    case kGetNumberValue:
      return ReadNumber(value);
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

bool CompleteSetTextProperty(int32_t id, const char* value) {
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

bool CompleteSetNumberProperty(int32_t id, double value) {
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
    case kSetNumberValue:
      return WriteNumber(value);
    case kSetArraySize:
      SetPendingSize(IndexFromNumber(value));
      return true;
    default:
      return false;
  }
}

}  // namespace vellomar
