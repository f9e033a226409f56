// Keyword resolution and user variables.
//
// A keyword is either one of the fixed table's (its index is the property id)
// or names a user variable: a text value created the first time a gauge uses a
// keyword outside the table, with ids 15, 16, ... in creation order. Keywords
// match ignoring ASCII case; the table is always searched first.
//
// The three conversions take the property table as the panel callback supplies
// it. Failing operations never write their out-parameters.
#ifndef VELLOMAR_STORAGE_USER_VARIABLES_H_
#define VELLOMAR_STORAGE_USER_VARIABLES_H_

#include <cstddef>
#include <cstdint>

#include "storage/property_catalogue.h"
#include "storage/storage_state.h"
#include "storage/text.h"

namespace vellomar {

struct UserVariable {
  char name[kTextSlotSize];  // the keyword as first given, case kept
  const char* units_name;    // "string"; never read
  int32_t units_code;        // always kTextUnitsCode
  int32_t id;
  char value[kTextSlotSize];  // empty when created
  UserVariable* next;
};

// Sets `*id` to the keyword's property id, creating a user variable for a new
// keyword. False for a null keyword or out-parameter, a keyword longer than 259
// characters (nothing is created), or when memory runs out.
bool ResolveKeyword(const PropertyTableEntry* table, uint32_t length, const char* keyword,
                    int32_t* id);

// The table keyword, or a reference to the user variable's name slot (valid
// until stop). False for an unknown id, negative ids included.
bool KeywordOf(const PropertyTableEntry* table, uint32_t length, int32_t id, const char** keyword);

// The table entry's units code, or kTextUnitsCode for a user variable.
bool UnitsOf(const PropertyTableEntry* table, uint32_t length, int32_t id, int32_t* units_code);

// A reference to the variable's value slot: valid until stop, and later writes
// show through it. False when no user variable has the id or `value` is null.
// Inline: gauges read their variables every frame.
inline bool UserValueOf(int32_t id, const char** value) {
  if (id < kFirstUserVariableId || value == nullptr) return false;
  // Ids run from 15 up in list order with no gaps, so the variable with an id
  // is the one at position id - 15.
  const auto* variable = static_cast<const UserVariable*>(
      g_storage.user_by_id.At(static_cast<std::size_t>(id - kFirstUserVariableId)));
  if (variable == nullptr) return false;
  *value = variable->value;
  return true;
}

// Copies `value` into the variable's slot. False, changing nothing, when no
// user variable has the id or the value is null or longer than 259 characters.
bool SetUserValue(int32_t id, const char* value);

// Frees every user variable. The max-vars value keeps its last value.
void ReleaseUserVariables();

}  // namespace vellomar

#endif  // VELLOMAR_STORAGE_USER_VARIABLES_H_
