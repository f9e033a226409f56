// What each gauge property read and write does to the storage.
//
// Reads first check the out-parameter (null: false at once); a failing read
// leaves a default in it, 1.0 or the constant text "null". Writes that fail change nothing, except
// a refused array creation, which clears the active token.
#ifndef VELLOMAR_CALLBACKS_PROPERTY_DISPATCH_H_
#define VELLOMAR_CALLBACKS_PROPERTY_DISPATCH_H_

#include <cstdint>

#include "storage/array_store.h"
#include "storage/property_catalogue.h"
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

// The rarer properties, out of line: number reads other than the element and
// the token (the default 1.0 is already in `*value`), and cursor writes.
bool GetOtherNumberProperty(int32_t id, double* value);
bool SetOtherNumberProperty(int32_t id, double value);

// The four property operations are inline: they are the gauges' per-frame
// path, and each gauge-callback slot compiles to one of them. The ids read or
// written every frame are tested first and reach the storage with no call;
// everything else is a tail call.

inline bool GetTextProperty(int32_t id, const char** value) {
  if (value == nullptr) return false;
  *value = kNullText;
  if (id == kGetStringValue) return ReadText(value);
  if (id == kGetArrayName) return ActiveName(value);
  return UserValueOf(id, value);
}

inline bool GetNumberProperty(int32_t id, double* value) {
  if (value == nullptr) return false;
  *value = 1.0;
  if (id == kGetNumberValue) return ReadNumber(value);
  if (id == kGetArrayToken) {
    *value = ActiveToken();
    return true;
  }
  return GetOtherNumberProperty(id, value);
}

inline bool SetTextProperty(int32_t id, const char* value) {
  if (id == kSetStringValue) return WriteText(value);
  if (id == kCreateNumberArray) return CreateOrSelectArray(ArrayKind::kNumber, value);
  if (id == kCreateStringArray) return CreateOrSelectArray(ArrayKind::kString, value);
  return SetUserValue(id, value);
}

inline bool SetNumberProperty(int32_t id, double value) {
  if (id == kSetNumberValue) return WriteNumber(value);
  return SetOtherNumberProperty(id, value);
}

}  // namespace vellomar

#endif  // VELLOMAR_CALLBACKS_PROPERTY_DISPATCH_H_
