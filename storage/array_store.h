// Arrays of texts or numbers, and the cursor values through which gauges reach
// them.
//
// Arrays live in a singly linked list of ArrayRecords in creation order, which
// other modules walk through GetFirstArray; nothing is removed, renamed or
// resized before stop. An array is found by its token; the active token, the
// read index, the write index and the pending size live in g_storage and are
// read and set only through the functions below.
//
// The storage knows nothing of the host: the units code a new number array
// records is handed in by the caller.
//
// Failing operations never write their out-parameters and leave the storage
// unchanged, except that a creation refused for its size or name also clears
// the active token.
#ifndef VELLOMAR_STORAGE_ARRAY_STORE_H_
#define VELLOMAR_STORAGE_ARRAY_STORE_H_

#include <cstddef>
#include <cstdint>

#include "storage/storage_state.h"
#include "vellomar.h"

namespace vellomar {

enum class ArrayKind { kNumber, kString };

inline constexpr int32_t kMaxArraySize = 1000;
// Size given to an array created while the pending size is outside 1..1000.
inline constexpr int32_t kFallbackArraySize = 20;

// What SelectArrayNamed found.
enum class NamedArray {
  kRefused,   // pending size 0, or the name null or empty: the active token is cleared
  kSelected,  // an array was first created from this very name: it is active now
  kAbsent,    // no array has the name: nothing changed
};

// Makes active the array first created from this very `name` pointer, whatever
// its kind. Names are matched by address, not by their characters.
NamedArray SelectArrayNamed(const char* name);

// Appends a new zero-filled array of `kind`, named by the `name` pointer, and
// makes it active. The name is the host's text and must stay alive until stop.
// A number array records `number_units_code`; a string array records
// kTextUnitsCode. Fails, changing nothing, when memory runs out.
// REQUIRES: SelectArrayNamed(name) returned kAbsent, with nothing changed since.
bool CreateArray(ArrayKind kind, const char* name, int32_t number_units_code);

// The array with `token`, or null (always null for 0).
ArrayRecord* FindArray(uint32_t token);

// Element access on the active array: reads at the read index, writes at the
// write index. Fail when no array has the active token, the index is outside
// 0..size-1, or the array is of the other kind.
bool ReadNumber(double* value);
bool WriteNumber(double value);
// `*value` refers to the slot itself: valid until stop, later writes show
// through it.
bool ReadText(const char** value);
// Also fails for a null text or one longer than 259 characters.
bool WriteText(const char* value);

bool ActiveSize(int32_t* size);
// The host's own text that created the active array.
bool ActiveName(const char** name);

// The cursor values. Setting one never fails and checks nothing: indices and
// tokens are checked only when an element is touched.
inline uint32_t ActiveToken() { return g_storage.active_token; }
inline int32_t ReadIndex() { return g_storage.read_index; }
inline int32_t WriteIndex() { return g_storage.write_index; }
inline void SetActiveToken(uint32_t token) { g_storage.active_token = token; }
inline void SetReadIndex(int32_t index) { g_storage.read_index = index; }
inline void SetWriteIndex(int32_t index) { g_storage.write_index = index; }
inline void SetPendingSize(int32_t size) { g_storage.pending_size = size; }

// Frees every array and its buffer. The cursor values are kept.
void ReleaseArrays();

}  // namespace vellomar

#endif  // VELLOMAR_STORAGE_ARRAY_STORE_H_
