#include "storage/array_store.h"

#include <limits>

#include "storage/allocation.h"
#include "storage/property_catalogue.h"
#include "storage/record_index.h"
#include "storage/storage_state.h"
#include "storage/text.h"

namespace vellomar {

namespace {

// On the 32-bit host the token is the address of the link that refers to the
// record: the head link for the first array, the previous record (whose `next`
// comes first) for every later one. Where addresses are wider it is the
// record's position in the list, counted from 1. Either way it is nonzero,
// unique among existing arrays and fixed for the array's life.
uint32_t TokenFor(ArrayRecord* const* link, uint32_t position) {
  if constexpr (sizeof(void*) == sizeof(uint32_t)) {
    static_cast<void>(position);
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(link));
  } else {
    static_cast<void>(link);
    return position;
  }
}

uint32_t NameHash(const char* name) { return HashKey(reinterpret_cast<uintptr_t>(name)); }

void MakeActive(ArrayRecord* array) {
  g_storage.active_token = array->token;
  g_storage.active_array = array;
}

}  // namespace

NamedArray SelectArrayNamed(const char* name) {
  if (g_storage.pending_size == 0 || name == nullptr || *name == '\0') {
    g_storage.active_token = 0;
    return NamedArray::kRefused;
  }
  // Names are matched by the address of the text, whatever the kind, so at
  // most one array has a given name and the index finds the one a walk would.
  auto* existing = static_cast<ArrayRecord*>(g_storage.array_by_name.Find(
      NameHash(name),
      [name](const void* array) { return static_cast<const ArrayRecord*>(array)->name == name; }));
  if (existing == nullptr) return NamedArray::kAbsent;
  MakeActive(existing);
  return NamedArray::kSelected;
}

bool CreateArray(ArrayKind kind, const char* name, int32_t number_units_code) {
  const uint32_t name_hash = NameHash(name);
  const std::size_t count = g_storage.array_by_token.size();
  if (count >= std::numeric_limits<uint32_t>::max()) return false;

  int32_t size = g_storage.pending_size;
  if (size < 1 || size > kMaxArraySize) size = kFallbackArraySize;
  const auto elements = static_cast<std::size_t>(size);

  // Room in the indexes first, so that once the record exists nothing can fail.
  if (!g_storage.array_by_token.ReserveOneMore() || !g_storage.array_by_name.ReserveOneMore()) {
    return false;
  }
  auto* record = static_cast<ArrayRecord*>(AllocateZeroed(1, sizeof(ArrayRecord)));
  void* buffer = kind == ArrayKind::kNumber ? AllocateZeroed(elements, sizeof(double))
                                            : AllocateZeroed(elements, kTextSlotSize);
  if (record == nullptr || buffer == nullptr) {
    Free(record);
    Free(buffer);
    return false;
  }
  if (kind == ArrayKind::kNumber) {
    record->numbers = static_cast<double*>(buffer);
    record->units_code = number_units_code;
  } else {
    record->strings = static_cast<char*>(buffer);
    record->units_code = kTextUnitsCode;
  }
  record->name = name;
  record->size = size;
  ArrayRecord** link =
      g_storage.array_tail != nullptr ? &g_storage.array_tail->next : &g_storage.array_head;
  record->token = TokenFor(link, static_cast<uint32_t>(count) + 1);
  *link = record;
  g_storage.array_tail = record;
  g_storage.array_by_token.Insert(HashKey(record->token), record);
  g_storage.array_by_name.Insert(name_hash, record);
  MakeActive(record);
  return true;
}

// Tokens are unique among the arrays that exist, so the index finds the one
// record a walk would.
ArrayRecord* FindArray(uint32_t token) {
  if (token == 0) return nullptr;
  return static_cast<ArrayRecord*>(
      g_storage.array_by_token.Find(HashKey(token), [token](const void* array) {
        return static_cast<const ArrayRecord*>(array)->token == token;
      }));
}

bool ActiveSize(int32_t* size) {
  return OnActiveArray([size](const ArrayRecord* array) {
    *size = array->size;
    return true;
  });
}

bool ActiveName(const char** name) {
  return OnActiveArray([name](const ArrayRecord* array) {
    *name = array->name;
    return true;
  });
}

void ReleaseArrays() {
  ArrayRecord* array = g_storage.array_head;
  while (array != nullptr) {
    ArrayRecord* next = array->next;
    Free(array->numbers);
    Free(array->strings);
    Free(array);
    array = next;
  }
  g_storage.array_head = nullptr;
  g_storage.array_tail = nullptr;
  g_storage.active_array = nullptr;
  g_storage.array_by_token.Clear();
  g_storage.array_by_name.Clear();
}

}  // namespace vellomar
