// --dump: what the module holds, read the way another module would read it:
// the arrays through GetFirstArray, the user variables by id from
// GetFirstUserVar up to GetMaxVars (keyword through the registered callback's
// ConvertPropertyToString, value through the session's gauge callback).
#ifndef VELLOMAR_RUNNER_CLI_DUMP_H_
#define VELLOMAR_RUNNER_CLI_DUMP_H_

#include <ostream>

#include "hostsim/session.h"

namespace runner {

// Prints, for each array, "array 'NAME': KIND, size N, token T" and then one
// "  [i] value" line for every element that is not empty or zero; then one
// "user variable ID 'KEYWORD' = 'VALUE'" line per user variable, read through
// the session's own panel and gauge callbacks. The module must be started
// (and not yet stopped) for the records to be valid.
void DumpStorage(const hostsim::Session& session, std::ostream& out);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_CLI_DUMP_H_
