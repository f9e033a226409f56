// The fixed vocabulary of the VELLOMAR callback: 15 keywords whose position in
// the table is their property id. Ids from 15 up belong to user variables.
#ifndef VELLOMAR_STORAGE_PROPERTY_CATALOGUE_H_
#define VELLOMAR_STORAGE_PROPERTY_CATALOGUE_H_

#include <cstddef>
#include <cstdint>

#include "storage/text.h"

namespace vellomar {

// One entry of the property table, as the panel callback hands it out.
struct PropertyTableEntry {
  const char* keyword;     // 0
  const char* units_name;  // 4: never read
  int32_t units_code;      // 8
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(PropertyTableEntry) == 12, "property-table entries are 12 bytes");
static_assert(offsetof(PropertyTableEntry, units_code) == 8, "units code at 8");
#else
static_assert(offsetof(PropertyTableEntry, units_code) == 2 * sizeof(void*), "natural alignment");
#endif

enum PropertyId : int32_t {
  kSetActiveArray = 0,
  kSetReadIndex = 1,
  kGetReadIndex = 2,
  kSetWriteIndex = 3,
  kGetWriteIndex = 4,
  kGetArrayToken = 5,
  kCreateNumberArray = 6,
  kCreateStringArray = 7,
  kGetNumberValue = 8,
  kSetNumberValue = 9,
  kSetArraySize = 10,
  kGetArraySize = 11,
  kGetArrayName = 12,
  kGetStringValue = 13,
  kSetStringValue = 14,
};

inline constexpr uint32_t kPropertyCount = 15;
inline constexpr int32_t kFirstUserVariableId = 15;
inline constexpr int32_t kNumberUnitsCode = 50;
inline constexpr int32_t kTextUnitsCode = -2;

inline constexpr PropertyTableEntry kPropertyTable[kPropertyCount] = {
    {"SetActiveArray", "Number", kNumberUnitsCode},
    {"SetReadIndex", "Number", kNumberUnitsCode},
    {"GetReadIndex", "Number", kNumberUnitsCode},
    {"SetWriteIndex", "Number", kNumberUnitsCode},
    {"GetWriteIndex", "Number", kNumberUnitsCode},
    {"GetArrayToken", "Number", kNumberUnitsCode},
    {"CreateNumberArray", "String", kTextUnitsCode},
    {"CreateStringArray", "String", kTextUnitsCode},
    {"GetNumberValue", "Number", kNumberUnitsCode},
    {"SetNumberValue", "Number", kNumberUnitsCode},
    {"SetArraySize", "Number", kNumberUnitsCode},
    {"GetArraySize", "Number", kNumberUnitsCode},
    {"GetArrayName", "String", kTextUnitsCode},
    {"GetStringValue", "String", kTextUnitsCode},
    {"SetStringValue", "String", kTextUnitsCode},
};

// The id of the table keyword that the text with head `head` equals ignoring
// case, or -1. Looks at one candidate only, found by hashing the head.
int32_t FindTableKeyword(const FoldedHead& head);

}  // namespace vellomar

#endif  // VELLOMAR_STORAGE_PROPERTY_CATALOGUE_H_
