// Arrays of texts or numbers, and the cursor values through which gauges reach
// them.
//
// Arrays live in a singly linked list of ArrayRecords in creation order, which
// other modules walk through GetFirstArray; nothing is removed, renamed or
// resized before stop. An array is found by its token; the active token, the
// read index, the write index and the pending size live in g_storage.
//
// Failing operations never write their out-parameters and leave the storage
// unchanged, except that a creation refused for its size or name also clears
// the active token.
#ifndef VELLOMAR_STORAGE_ARRAY_STORE_H_
#define VELLOMAR_STORAGE_ARRAY_STORE_H_

#include <cstddef>
#include <cstdint>

#include "vellomar.h"

namespace vellomar {

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(ArrayRecord) == 32, "ArrayRecord is 32 bytes on 32-bit hosts");
static_assert(offsetof(ArrayRecord, next) == 0, "next at 0");
static_assert(offsetof(ArrayRecord, name) == 4, "name at 4");
static_assert(offsetof(ArrayRecord, strings) == 8, "strings at 8");
static_assert(offsetof(ArrayRecord, token) == 12, "token at 12");
static_assert(offsetof(ArrayRecord, numbers) == 16, "numbers at 16");
static_assert(offsetof(ArrayRecord, units_code) == 20, "units code at 20");
static_assert(offsetof(ArrayRecord, size) == 24, "size at 24");
static_assert(offsetof(ArrayRecord, reserved) == 28, "reserved at 28");
#endif

enum class ArrayKind { kNumber, kString };

inline constexpr int32_t kMaxArraySize = 1000;
// Size given to an array created while the pending size is outside 1..1000.
inline constexpr int32_t kFallbackArraySize = 20;

// Selects the array first created from this very `name` pointer (whatever its
// kind), or appends a new zero-filled array of `kind` named by that pointer;
// either way it becomes active. The name is the host's text and must stay
// alive until stop. Fails, clearing the active token, when the pending size is
// 0 or the name is null or empty; fails, changing nothing, when memory runs out.
bool CreateOrSelectArray(ArrayKind kind, const char* name);

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

// Frees every array and its buffer. The cursor values are kept.
void ReleaseArrays();

}  // namespace vellomar

#endif  // VELLOMAR_STORAGE_ARRAY_STORE_H_
