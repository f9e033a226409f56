// The single module-wide state: user variables, arrays, the cursor values
// that select an array and an element, and the indexes that find records
// without walking the lists. All zero or null when the library is loaded.
// Shared by every gauge; the host makes all calls one at a time, so nothing
// here is locked.
#ifndef VELLOMAR_STORAGE_STORAGE_STATE_H_
#define VELLOMAR_STORAGE_STORAGE_STATE_H_

#include <cstdint>

#include "storage/record_index.h"
#include "storage/record_vector.h"
#include "vellomar.h"

namespace vellomar {

struct UserVariable;

struct StorageState {
  // User variables in creation order; owned, freed at stop.
  UserVariable* user_head;
  // One more than the newest user variable's id; 0 until the first one.
  // Survives stop.
  int32_t max_vars;

  // Arrays in creation order; owned, freed at stop. Other modules read these
  // records through GetFirstArray.
  ArrayRecord* array_head;
  // Cursor values. Set only by property writes and creation, never validated
  // when set, and kept across stop.
  uint32_t active_token;  // 0: no array active
  int32_t read_index;
  int32_t write_index;
  int32_t pending_size;

  // Side indexes over the two lists, so that no call walks them. Nothing
  // outside the storage sees them: the lists stay the source of truth, and
  // every lookup finds exactly the record a walk from the head would find.
  // Emptied with the lists at stop; they own their tables, not the records.
  RecordVector user_by_id;     // UserVariable*, at position id - 15
  RecordIndex user_by_name;    // UserVariable*, by HashIfFits(name)
  RecordIndex array_by_token;  // ArrayRecord*, by HashKey(token)
  RecordIndex array_by_name;   // ArrayRecord*, by HashKey(address of the name text)
  ArrayRecord* array_tail;     // the last array, null when there is none
  // The array last created or found for the active token; used only while
  // its token still equals the active token.
  ArrayRecord* active_array;
};

extern StorageState g_storage;

}  // namespace vellomar

#endif  // VELLOMAR_STORAGE_STORAGE_STATE_H_
