// What the runner tells about the module besides the values it gives: why it
// refused a property read or write, and storage that grows frame after frame.
//
// A refused call is explained after the fact, only when the module has
// answered false, from the module's documented rules and from what it shows
// another module: the cursor values through its own readable keywords
// (GetArrayToken, GetReadIndex, GetWriteIndex) and the arrays through
// GetFirstArray. Calls that succeed cost nothing here. Each refusal is
// reported once per script word and reason.
//
// The arrays are counted between frames by following the list from the last
// record seen, so a frame that creates nothing costs one pointer test. Every
// array name is a text the runner kept for the module, so the word that wrote
// it is known. User variables are not watched: they are made while gauges
// load, one per distinct keyword, never while frames run.
#ifndef VELLOMAR_RUNNER_LANGUAGE_MODULE_CHECKS_H_
#define VELLOMAR_RUNNER_LANGUAGE_MODULE_CHECKS_H_

#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>

#include "hostsim/gauge.h"
#include "hostsim/host.h"
#include "runner/base/diagnostics.h"
#include "runner/base/value.h"
#include "vellomar.h"

namespace runner {

struct SiteInfo;

// Frames after the first in which the number of arrays must have grown
// (not necessarily in a row) before the run warns of a leak.
inline constexpr int kLeakFrames = 100;

// Why the module refused a call.
enum class Refusal : uint8_t {
  kWriteOnly,       // the keyword cannot be read
  kReadOnly,        // the keyword cannot be written
  kHoldsText,       // a number read of a text keyword
  kHoldsNumber,     // a text read of a number keyword
  kTakesNumber,     // a text written to a number keyword
  kTakesText,       // a number written to a text keyword
  kNoSize,          // a creation while the pending size is 0
  kEmptyName,       // a creation with an empty name
  kNoActiveArray,   // the active token is 0
  kNoSuchArray,     // no array has the active token
  kArrayOfTexts,    // a number element of a string array
  kArrayOfNumbers,  // a text element of a number array
  kOutside,         // the index is outside 0..size-1
  kTooLong,         // a text of more than 259 bytes
  kUnknown,         // a refusal none of the rules above explains
};

enum class ModuleAccess : uint8_t { kReadNumber, kReadText, kWriteNumber, kWriteText };

// A refusal and its words: "the read index 7 is outside 0 to 2".
struct RefusalReason {
  Refusal refusal = Refusal::kUnknown;
  std::string words;
};

// Where a text kept for the module as an array's name was written.
struct KeptText {
  std::shared_ptr<const std::string> text;
  const SiteInfo* info = nullptr;
  int line = 0;
  int column = 0;
};

class ModuleChecks {
 public:
  // `host` has the module started, or is null (then nothing is checked).
  ModuleChecks(const hostsim::Host* host, Diagnostics* diagnostics);

  // The reason the module refused `access` of `property` (`value` is what a
  // write passed). Asks the module for its cursor values through
  // `property.gauge` and walks its arrays.
  RefusalReason Explain(const hostsim::Property& property, ModuleAccess access,
                        const Value& value) const;

  // Reports a refusal at a script word, once per word (`word`: any pointer
  // unique to it) and reason. `keyword` is "C:VELLOMAR:Name" as written.
  void ReportRefusal(const hostsim::Property& property, ModuleAccess access, const Value& value,
                     const std::string& keyword, const void* word, const SiteInfo& info, int line,
                     int column, int frame);

  // Keeps a text written to a creation keyword alive until the module stops
  // (the module keeps it as the array's name), with the word that wrote it.
  void KeepText(const std::shared_ptr<const std::string>& text, const SiteInfo* info, int line,
                int column);

  // Counts the arrays made since the last call; after kLeakFrames frames
  // that made some, warns once, naming the word that wrote the newest name.
  void AfterFrame(int frame);

 private:
  int Keyword(int32_t id) const;
  RefusalReason ElementReason(const hostsim::Property& property, bool write, bool numbers) const;
  RefusalReason ActiveArrayReason(const hostsim::Property& property,
                                  const ArrayRecord** array) const;
  double Cursor(const hostsim::Property& property, int keyword) const;

  const hostsim::Host* host_;
  Diagnostics* diagnostics_;
  // The fifteen fixed keywords' property ids, in the order of their ids.
  std::array<int32_t, 15> ids_;
  int32_t first_user_id_ = -1;
  std::set<std::tuple<const void*, Refusal>> reported_;
  std::unordered_map<const char*, KeptText> kept_by_name_;
  const ArrayRecord* last_array_ = nullptr;
  int arrays_ = 0;
  int growing_frames_ = 0;
  bool leak_reported_ = false;
};

}  // namespace runner

#endif  // VELLOMAR_RUNNER_LANGUAGE_MODULE_CHECKS_H_
