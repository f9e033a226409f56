#include "storage/user_variables.h"

#include <limits>

#include "storage/allocation.h"
#include "storage/storage_state.h"

namespace vellomar {

namespace {

UserVariable* FindUserVariable(int32_t id) {
  for (UserVariable* variable = g_storage.user_head; variable != nullptr;
       variable = variable->next) {
    if (variable->id == id) return variable;
  }
  return nullptr;
}

bool IsTableId(uint32_t length, int32_t id) { return static_cast<uint32_t>(id) < length; }

bool CreateUserVariable(const char* keyword, int32_t* id) {
  UserVariable* last = g_storage.user_head;
  while (last != nullptr && last->next != nullptr) last = last->next;
  if (last != nullptr && last->id == std::numeric_limits<int32_t>::max()) return false;

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
  g_storage.max_vars = variable->id + 1;
  *id = variable->id;
  return true;
}

}  // namespace

bool ResolveKeyword(const PropertyTableEntry* table, uint32_t length, const char* keyword,
                    int32_t* id) {
  if (id == nullptr || !FitsSlot(keyword)) return false;
  for (uint32_t i = 0; i < length; ++i) {
    if (EqualIgnoringCase(keyword, table[i].keyword)) {
      *id = static_cast<int32_t>(i);
      return true;
    }
  }
  for (UserVariable* variable = g_storage.user_head; variable != nullptr;
       variable = variable->next) {
    if (EqualIgnoringCase(keyword, variable->name)) {
      *id = variable->id;
      return true;
    }
  }
  return CreateUserVariable(keyword, id);
}

bool KeywordOf(const PropertyTableEntry* table, uint32_t length, int32_t id,
               const char** keyword) {
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

bool UserValueOf(int32_t id, const char** value) {
  UserVariable* variable = FindUserVariable(id);
  if (variable == nullptr || value == nullptr) return false;
  *value = variable->value;
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
}

}  // namespace vellomar
