// What the module holds, read the way another module would read it: the
// arrays through GetFirstArray, the user variables by id from
// GetFirstUserVar up to GetMaxVars (keyword through the registered callback's
// ConvertPropertyToString, value through the session's gauge callback). --dump
// prints it; the trace compares it frame by frame.
#ifndef VELLOMAR_RUNNER_CLI_DUMP_H_
#define VELLOMAR_RUNNER_CLI_DUMP_H_

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "hostsim/session.h"

namespace runner {

// One array, array element or user variable.
struct StorageEntry {
  enum class Kind { kArray, kElement, kUserVariable };
  Kind kind = Kind::kArray;
  std::string name;    // the array's name (an element's too), or the variable's keyword
  int32_t number = 0;  // an element's index, or the user variable's id
  std::string value;   // "string, size 4"; "'KSEA'" or "12.5"; the variable's text
  uint32_t token = 0;  // kArray: printed by --dump; an address on 32-bit builds, so not compared
};

// Each array, then one entry per element that is not empty or zero, then
// each user variable. The module must be started (and not yet stopped) for
// the records to be valid.
std::vector<StorageEntry> ReadStorage(const hostsim::Session& session);

// The entry on a line of its own, as the trace shows it:
//   array 'NAME': KIND, size N
//   array 'NAME' [i] VALUE
//   user variable ID 'KEYWORD' = 'VALUE'
std::string EntryLine(const StorageEntry& entry);

// --dump: "array 'NAME': KIND, size N, token T", each element after its array
// as "  [i] VALUE", then the user variables as EntryLine writes them.
void DumpStorage(const hostsim::Session& session, std::ostream& out);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_CLI_DUMP_H_
