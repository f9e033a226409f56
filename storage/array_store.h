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
#include "storage/text.h"
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
// 0..size-1, or the array is of the other kind. Defined inline below.
inline bool ReadNumber(double* value);
inline bool WriteNumber(double value);
// `*value` refers to the slot itself: valid until stop, later writes show
// through it.
inline bool ReadText(const char** value);
// Also fails for a null text or one longer than 259 characters.
inline bool WriteText(const char* value);

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

// ---- The per-frame path, inline ---------------------------------------------
//
// Element access runs every frame for every gauge, and gauges mostly touch the
// array they made active last, so its record is remembered. A token write or a
// restart leaves it behind: it is used only while its token is the active one.
// These functions are inline so that a gauge callback's slot compiles to one
// function that makes no call on that path; the lookup by token is kept out of
// line, and reached by a tail call, so that the remembered path saves no
// registers.

// Finds the active array by its token, remembers it and gives it to `access`;
// false when no array has the active token.
template <class Access>
__attribute__((noinline)) bool LookUpActiveThen(Access access) {
  ArrayRecord* array = FindArray(g_storage.active_token);
  if (array == nullptr) return false;
  g_storage.active_array = array;
  return access(array);
}

// The remembered active array while its token is still the active one; null
// otherwise (then FindArray, or OnActiveArray, finds it).
inline ArrayRecord* RememberedActiveArray() {
  ArrayRecord* array = g_storage.active_array;
  return array != nullptr && array->token == g_storage.active_token ? array : nullptr;
}

// `access(array)` on the active array; false when no array has the active
// token.
template <class Access>
inline bool OnActiveArray(Access access) {
  ArrayRecord* array = g_storage.active_array;
  if (array != nullptr && array->token == g_storage.active_token) return access(array);
  return LookUpActiveThen(access);
}

// 0 <= index < size, in one comparison (a size is never negative).
inline bool ElementInRange(const ArrayRecord* array, int32_t index) {
  return static_cast<uint32_t>(index) < static_cast<uint32_t>(array->size);
}

inline char* TextSlotOf(const ArrayRecord* array, int32_t index) {
  return array->strings + static_cast<std::size_t>(index) * kTextSlotSize;
}

inline bool ReadNumber(double* value) {
  return OnActiveArray([value](const ArrayRecord* array) {
    const int32_t index = g_storage.read_index;
    if (!ElementInRange(array, index) || array->numbers == nullptr) return false;
    *value = array->numbers[index];
    return true;
  });
}

inline bool WriteNumber(double value) {
  return OnActiveArray([value](const ArrayRecord* array) {
    const int32_t index = g_storage.write_index;
    if (!ElementInRange(array, index) || array->numbers == nullptr) return false;
    array->numbers[index] = value;
    return true;
  });
}

inline bool ReadText(const char** value) {
  return OnActiveArray([value](const ArrayRecord* array) {
    const int32_t index = g_storage.read_index;
    if (!ElementInRange(array, index) || array->strings == nullptr) return false;
    *value = TextSlotOf(array, index);
    return true;
  });
}

inline bool WriteText(const char* value) {
  return OnActiveArray([value](const ArrayRecord* array) {
    const int32_t index = g_storage.write_index;
    if (!ElementInRange(array, index) || array->strings == nullptr) return false;
    return CopyIntoSlot(TextSlotOf(array, index), value);
  });
}

}  // namespace vellomar

#endif  // VELLOMAR_STORAGE_ARRAY_STORE_H_
