// What each gauge property read and write does to the storage.
//
// Reads first check the out-parameter (null: false at once); a failing read
// leaves a default in it, 1.0 or the constant text "null". Writes that fail
// change nothing, except a refused array creation, which clears the active
// token.
//
// Each operation comes in two parts. The Complete...() functions, out of line,
// do everything for every id. The inline functions in front of them, which the
// gauge callback's slots compile to, first try what gauges do every frame:
// an element of the remembered active array, the active token, a user
// variable, and the token write that selects another array. When that does
// not apply (another id, another array, an index out
// of range, a null out-parameter) they hand the call, unchanged, to the
// complete function, so that the fast part never decides a failure.
#ifndef VELLOMAR_CALLBACKS_PROPERTY_DISPATCH_H_
#define VELLOMAR_CALLBACKS_PROPERTY_DISPATCH_H_

#include <cstdint>

#include "callbacks/number_conversions.h"
#include "storage/array_store.h"
#include "storage/property_catalogue.h"
#include "storage/text.h"
#include "storage/user_variables.h"

namespace vellomar {

// The creation keywords: selects the array first created from this very
// `name` pointer, or creates one of `kind` and the pending size. A new number
// array records the host's units code for "number" (-1 when the host gave no
// panel-services table), asked only when such an array is actually made.
// Fails, clearing the active token, when the pending size is 0 or the name is
// null or empty; fails, changing nothing, when memory runs out.
bool CreateOrSelectArray(ArrayKind kind, const char* name);

// Handed out by failing text reads; never written through.
inline constexpr char kNullText[] = "null";

bool CompleteGetTextProperty(int32_t id, const char** value);
bool CompleteGetNumberProperty(int32_t id, double* value);
bool CompleteSetTextProperty(int32_t id, const char* value);
bool CompleteSetNumberProperty(int32_t id, double value);

inline bool GetTextProperty(int32_t id, const char** value) {
  if (value != nullptr) {
    if (id == kGetStringValue) {
      const ArrayRecord* array = RememberedActiveArray();
      const int32_t index = ReadIndex();
      if (array != nullptr && array->strings != nullptr && ElementInRange(array, index)) {
        *value = TextSlotOf(array, index);
        return true;
      }
    } else if (id >= kFirstUserVariableId && UserValueOf(id, value)) {
      return true;
    }
  }
  return CompleteGetTextProperty(id, value);
}

inline bool GetNumberProperty(int32_t id, double* value) {
  if (value != nullptr) {
    if (id == kGetNumberValue) {
      const ArrayRecord* array = RememberedActiveArray();
      const int32_t index = ReadIndex();
      if (array != nullptr && array->numbers != nullptr && ElementInRange(array, index)) {
        *value = array->numbers[index];
        return true;
      }
    } else if (id == kGetArrayToken) {
      *value = ActiveToken();
      return true;
    }
  }
  return CompleteGetNumberProperty(id, value);
}

inline bool SetTextProperty(int32_t id, const char* value) {
  if (id == kSetStringValue) {
    const ArrayRecord* array = RememberedActiveArray();
    const int32_t index = WriteIndex();
    if (array != nullptr && array->strings != nullptr && ElementInRange(array, index)) {
      return CopyIntoSlot(TextSlotOf(array, index), value);
    }
  }
  return CompleteSetTextProperty(id, value);
}

inline bool SetNumberProperty(int32_t id, double value) {
  if (id == kSetNumberValue) {
    const ArrayRecord* array = RememberedActiveArray();
    const int32_t index = WriteIndex();
    if (array != nullptr && array->numbers != nullptr && ElementInRange(array, index)) {
      array->numbers[index] = value;
      return true;
    }
  } else if (id == kSetActiveArray) {
    SetActiveToken(TokenFromNumber(value));
    return true;
  }
  return CompleteSetNumberProperty(id, value);
}

}  // namespace vellomar

#endif  // VELLOMAR_CALLBACKS_PROPERTY_DISPATCH_H_
