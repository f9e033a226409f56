#include "storage/array_store.h"

#include <limits>

#include "host/panel_services.h"
#include "storage/allocation.h"
#include "storage/property_catalogue.h"
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

ArrayRecord* ActiveArray() { return FindArray(g_storage.active_token); }

bool InRange(const ArrayRecord* array, int32_t index) {
  return index >= 0 && index < array->size;
}

char* TextSlot(const ArrayRecord* array, int32_t index) {
  return array->strings + static_cast<std::size_t>(index) * kTextSlotSize;
}

}  // namespace

bool CreateOrSelectArray(ArrayKind kind, const char* name) {
  if (g_storage.pending_size == 0 || name == nullptr || *name == '\0') {
    g_storage.active_token = 0;
    return false;
  }
  ArrayRecord** link = &g_storage.array_head;
  uint32_t count = 0;
  for (; *link != nullptr; link = &(*link)->next, ++count) {
    if ((*link)->name == name) {
      g_storage.active_token = (*link)->token;
      return true;
    }
  }
  if (count == std::numeric_limits<uint32_t>::max()) return false;

  int32_t size = g_storage.pending_size;
  if (size < 1 || size > kMaxArraySize) size = kFallbackArraySize;
  const auto elements = static_cast<std::size_t>(size);

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
    record->units_code = HostUnitsCodeForNumber();
  } else {
    record->strings = static_cast<char*>(buffer);
    record->units_code = kTextUnitsCode;
  }
  record->name = name;
  record->size = size;
  record->token = TokenFor(link, count + 1);
  *link = record;
  g_storage.active_token = record->token;
  return true;
}

ArrayRecord* FindArray(uint32_t token) {
  for (ArrayRecord* array = g_storage.array_head; array != nullptr; array = array->next) {
    if (array->token == token) return array;
  }
  return nullptr;
}

bool ReadNumber(double* value) {
  const ArrayRecord* array = ActiveArray();
  if (array == nullptr || !InRange(array, g_storage.read_index) || array->numbers == nullptr) {
    return false;
  }
  *value = array->numbers[g_storage.read_index];
  return true;
}

bool WriteNumber(double value) {
  ArrayRecord* array = ActiveArray();
  if (array == nullptr || !InRange(array, g_storage.write_index) || array->numbers == nullptr) {
    return false;
  }
  array->numbers[g_storage.write_index] = value;
  return true;
}

bool ReadText(const char** value) {
  const ArrayRecord* array = ActiveArray();
  if (array == nullptr || !InRange(array, g_storage.read_index) || array->strings == nullptr) {
    return false;
  }
  *value = TextSlot(array, g_storage.read_index);
  return true;
}

bool WriteText(const char* value) {
  const ArrayRecord* array = ActiveArray();
  if (array == nullptr || !InRange(array, g_storage.write_index) || array->strings == nullptr) {
    return false;
  }
  return CopyIntoSlot(TextSlot(array, g_storage.write_index), value);
}

bool ActiveSize(int32_t* size) {
  const ArrayRecord* array = ActiveArray();
  if (array == nullptr) return false;
  *size = array->size;
  return true;
}

bool ActiveName(const char** name) {
  const ArrayRecord* array = ActiveArray();
  if (array == nullptr) return false;
  *name = array->name;
  return true;
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
}

}  // namespace vellomar
