#include "storage/user_variables.h"

#include <cstddef>
#include <limits>

#include "storage/allocation.h"
#include "storage/storage_state.h"

namespace vellomar {

namespace {

// Ids run from 15 up in list order with no gaps, and nothing is removed before
// stop, so the variable with an id is the one at position id - 15.
UserVariable* FindUserVariable(int32_t id) {
  if (id < kFirstUserVariableId) return nullptr;
  return static_cast<UserVariable*>(
      g_storage.user_by_id.At(static_cast<std::size_t>(id - kFirstUserVariableId)));
}

// No two variables have names equal ignoring case, so the index finds the one
// a walk would.
UserVariable* FindUserVariableNamed(const char* keyword, uint32_t hash) {
  return static_cast<UserVariable*>(
      g_storage.user_by_name.Find(hash, [keyword](const void* variable) {
        return EqualIgnoringCase(keyword, static_cast<const UserVariable*>(variable)->name);
      }));
}

bool IsTableId(uint32_t length, int32_t id) { return static_cast<uint32_t>(id) < length; }

// Out of line: resolving an existing keyword, the common case, then needs no
// registers saved.
__attribute__((noinline)) bool CreateUserVariable(const char* keyword, uint32_t hash, int32_t* id) {
  auto* last = static_cast<UserVariable*>(g_storage.user_by_id.Back());
  if (last != nullptr && last->id == std::numeric_limits<int32_t>::max()) return false;
  // Room in the indexes first, so that once the record exists nothing can fail.
  if (!g_storage.user_by_id.ReserveOneMore() || !g_storage.user_by_name.ReserveOneMore()) {
    return false;
  }
  auto* variable = static_cast<UserVariable*>(AllocateZeroed(1, sizeof(UserVariable)));
  if (variable == nullptr) return false;
  CopyIntoSlot(variable->name, keyword);
  variable->units_name = "string";
  variable->units_code = kTextUnitsCode;
  variable->id = last != nullptr ? last->id + 1 : kFirstUserVariableId;
  if (last != nullptr) {
    last->next = variable;
  } else {
    g_storage.user_head = variable;
  }
  g_storage.user_by_id.Append(variable);
  g_storage.user_by_name.Insert(hash, variable);
  g_storage.max_vars = variable->id + 1;
  *id = variable->id;
  return true;
}

// A table other than the module's own, compared keyword by keyword.
__attribute__((noinline)) bool FindInTable(const PropertyTableEntry* table, uint32_t length,
                                           const char* keyword, int32_t* id) {
  if (!FitsSlot(keyword)) return false;
  for (uint32_t i = 0; i < length; ++i) {
    if (EqualIgnoringCase(keyword, table[i].keyword)) {
      *id = static_cast<int32_t>(i);
      return true;
    }
  }
  return false;
}

}  // namespace

// Gauges resolve every keyword they name as they load, so this runs thousands
// of times while a panel opens: the keyword is read once, its head finds a
// table keyword with a single comparison, and the same head starts the hash
// that finds a user variable.
bool ResolveKeyword(const PropertyTableEntry* table, uint32_t length, const char* keyword,
                    int32_t* id) {
  if (id == nullptr || keyword == nullptr) return false;
  const FoldedHead head = ReadFoldedHead(keyword);
  if (table == kPropertyTable && length == kPropertyCount) {
    const int32_t table_id = FindTableKeyword(head);
    if (table_id >= 0) {
      *id = table_id;
      return true;
    }
  } else if (FindInTable(table, length, keyword, id)) {
    return true;
  }
  uint32_t hash = 0;
  if (!HashIfFits(keyword, head, &hash)) return false;
  if (const UserVariable* variable = FindUserVariableNamed(keyword, hash)) {
    *id = variable->id;
    return true;
  }
  return CreateUserVariable(keyword, hash, id);
}

bool KeywordOf(const PropertyTableEntry* table, uint32_t length, int32_t id, const char** keyword) {
  if (keyword == nullptr) return false;
  if (IsTableId(length, id)) {
    *keyword = table[id].keyword;
    return true;
  }
  UserVariable* variable = FindUserVariable(id);
  if (variable == nullptr) return false;
  *keyword = variable->name;
  return true;
}

bool UnitsOf(const PropertyTableEntry* table, uint32_t length, int32_t id, int32_t* units_code) {
  if (units_code == nullptr) return false;
  if (IsTableId(length, id)) {
    *units_code = table[id].units_code;
    return true;
  }
  UserVariable* variable = FindUserVariable(id);
  if (variable == nullptr) return false;
  *units_code = variable->units_code;
  return true;
}

bool SetUserValue(int32_t id, const char* value) {
  UserVariable* variable = FindUserVariable(id);
  return variable != nullptr && CopyIntoSlot(variable->value, value);
}

void ReleaseUserVariables() {
  UserVariable* variable = g_storage.user_head;
  while (variable != nullptr) {
    UserVariable* next = variable->next;
    Free(variable);
    variable = next;
  }
  g_storage.user_head = nullptr;
  g_storage.user_by_id.Clear();
  g_storage.user_by_name.Clear();
}

}  // namespace vellomar
