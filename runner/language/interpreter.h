// The third room of the script pipeline: runs compiled scripts the way the
// simulator's engine does. Nothing stops a script at run time: an empty
// stack pops the double 0, a division by zero gives 0, a NaN result becomes
// 0, an unknown or unset variable reads 0. Each such event is reported as a
// warning, once per script and kind, with the place of the word; the values
// computed stay the engine's. The one thing the engine does not do is loop
// for ever: a run that jumps back more than kJumpBudget times is stopped with
// an error naming the goto.
#ifndef VELLOMAR_RUNNER_LANGUAGE_INTERPRETER_H_
#define VELLOMAR_RUNNER_LANGUAGE_INTERPRETER_H_

#include <array>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "runner/aircraft/sim_state.h"
#include "runner/base/diagnostics.h"
#include "runner/base/value.h"
#include "runner/language/observer.h"
#include "runner/language/script.h"
#include "runner/language/variables.h"

namespace runner {

inline constexpr int kStackDepth = 30;
// Backward gotos (or %{next} jumps of a template) one run may make. The
// fuzzing build stops loops far sooner, so that inputs that loop do not each
// spend the whole budget and slow the fuzzer to a crawl as its corpus grows.
#ifdef VELLOMAR_SMALL_BUDGETS
inline constexpr int kJumpBudget = 1000;
#else
inline constexpr int kJumpBudget = 100000;
#endif
// Texts built at run time are cut to this many bytes.
inline constexpr size_t kMaxTextLength = 65536;

// The 30-value stack: pushing onto a full stack drops its bottom value.
class Stack {
 public:
  void Push(Value value) {
    if (count_ == kStackDepth) {
      bottom_ = bottom_ + 1 == kStackDepth ? 0 : bottom_ + 1;
      --count_;
    }
    slots_[Slot(count_)] = std::move(value);
    ++count_;
  }
  // False (and *value the double 0) when empty.
  bool Pop(Value* value) {
    if (count_ == 0) {
      *value = Value();
      return false;
    }
    --count_;
    *value = std::move(slots_[Slot(count_)]);
    return true;
  }
  bool empty() const { return count_ == 0; }
  int size() const { return count_; }
  // The value `from_bottom` places above the bottom (0 <= from_bottom < size()).
  const Value& at(int from_bottom) const { return slots_[Slot(from_bottom)]; }
  // The top value; the double 0 when empty.
  const Value& Top() const { return count_ == 0 ? zero_ : slots_[Slot(count_ - 1)]; }
  void Clear() {
    while (count_ > 0) slots_[Slot(--count_)] = Value();
    bottom_ = 0;
  }
  // The value b pushes: the top operand an operator popped last.
  Value last;

 private:
  size_t Slot(int from_bottom) const {
    const int slot = bottom_ + from_bottom;
    return static_cast<size_t>(slot >= kStackDepth ? slot - kStackDepth : slot);
  }
  std::array<Value, kStackDepth> slots_;
  int bottom_ = 0;
  int count_ = 0;
  Value zero_;
};

// The kinds of run-time event reported once per script.
enum class RunEvent : uint8_t {
  kEmptyStack,
  kDivisionByZero,
  kNotANumber,
  kUnknownVariable,
  kTextTooLong,
};

// What a run reads and changes besides its script and stack.
struct RunContext {
  SimState* sim = nullptr;
  Diagnostics* diagnostics = nullptr;
  int frame = 0;
  // Per gauge, the L: and G: variables changed since its last TakeChanges.
  std::vector<std::vector<NumberVariable*>>* changes = nullptr;
  // Texts written where the module keeps them, alive until it stops.
  std::vector<std::shared_ptr<const std::string>>* kept_texts = nullptr;
  std::unordered_set<const std::string*>* kept_index = nullptr;
  // Null but for a watched run (see observer.h): then every word is reported.
  RunObserver* observer = nullptr;
};

// Runs `script` on `stack` (which the caller empties first, or shares
// between the parts of a template). Returns false, after reporting the error,
// when the jump budget ran out.
bool Execute(Script* script, Stack* stack, RunContext* context);
// The same, reporting each word to the context's observer (not null).
bool ExecuteObserved(Script* script, Stack* stack, RunContext* context);

// Reports `message` as a warning at line:column of `info`'s file, unless an
// event of this kind was reported for it already. `origin`: the macro use
// the text came from (SiteInfo::Note).
void WarnOnce(SiteInfo* info, RunEvent event, int line, int column, const std::string& message,
              const RunContext& context, int origin = 0);

// Reports an error of a run at line:column of `info`'s file.
void RunError(const SiteInfo& info, int line, int column, const std::string& message,
              const RunContext& context, int origin = 0);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_LANGUAGE_INTERPRETER_H_
