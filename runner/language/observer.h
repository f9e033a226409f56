// Watching a run word by word, for `vellomar-run --explain`. The Engine runs
// a script or a template it was told to watch (Engine::Watch) through the
// observed form of the interpreter and of the template expansion, which call
// a RunObserver after every word and every part; every other run takes the
// plain form, which has no calls to make and no test per word.
//
// The order of the calls for one run: Begin, then for each word (or part) the
// notes of what it did, followed by the Word, Skipped or Part call they
// belong to, then End.
#ifndef VELLOMAR_RUNNER_LANGUAGE_OBSERVER_H_
#define VELLOMAR_RUNNER_LANGUAGE_OBSERVER_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "runner/base/value.h"

namespace runner {

class Script;
class Stack;
class Template;

class RunObserver {
 public:
  virtual ~RunObserver() = default;

  // A run of the watched script, or an expansion of the watched template,
  // begins.
  virtual void Begin() = 0;
  // What the word or part now running did besides its stack: a variable
  // read or written, a branch taken, a goto, a warning.
  virtual void Note(std::string note) = 0;
  // The word `index` of `script` ran; `stack` is the stack after it.
  virtual void Word(const Script& script, size_t index, const Stack& stack) = 0;
  // The word `index` of `script` was passed over without running (`why`).
  virtual void Skipped(const Script& script, size_t index, std::string_view why) = 0;
  // The part `index` of `text` was reached; `shown` tells whether it ran
  // (a %( ) part that ran reports its words instead).
  virtual void Part(const Template& text, size_t index, const Stack& stack, bool shown) = 0;
  // The run ended (`ok` false when it was stopped); `stack` is the stack it
  // left, and `text` the expanded text of a template (null for a script).
  virtual void End(bool ok, const Stack& stack, const std::string* text) = 0;
};

// A value as the explanation shows it: numbers as the runner prints them,
// texts in single quotes as a script writes them (control bytes as \xNN).
std::string ShowValue(const Value& value);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_LANGUAGE_OBSERVER_H_
