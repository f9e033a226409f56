// What each gauge property read and write does to the storage.
//
// Reads first check the out-parameter (null: false at once), then store a
// default in it, 1.0 or the constant text "null", which a failing read leaves
// in place. Writes that fail change nothing, except a refused array creation,
// which clears the active token.
#ifndef VELLOMAR_CALLBACKS_PROPERTY_DISPATCH_H_
#define VELLOMAR_CALLBACKS_PROPERTY_DISPATCH_H_

#include <cstdint>

#include "storage/array_store.h"

namespace vellomar {

// The creation keywords: selects the array first created from this very
// `name` pointer, or creates one of `kind` and the pending size. A new number
// array records the host's units code for "number" (-1 when the host gave no
// panel-services table), asked only when such an array is actually made.
// Fails, clearing the active token, when the pending size is 0 or the name is
// null or empty; fails, changing nothing, when memory runs out.
bool CreateOrSelectArray(ArrayKind kind, const char* name);

bool GetTextProperty(int32_t id, const char** value);
bool GetNumberProperty(int32_t id, double* value);
bool SetTextProperty(int32_t id, const char* value);
bool SetNumberProperty(int32_t id, double value);

}  // namespace vellomar

#endif  // VELLOMAR_CALLBACKS_PROPERTY_DISPATCH_H_
