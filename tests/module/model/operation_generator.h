// Turns a stream of choices into host operations on a CheckedModule.
//
// The choices come from a fuzzer's input or from a seeded random generator.
// The generator leans towards the values where behaviour changes: table
// keywords in any case, empty, 259- and 260-character and null texts, ids
// around 0..14 and the user ids, NaN, infinities, -0.0, 2^31, 2^32 and 2^63,
// the tokens of existing arrays, and name texts both reused (same address) and
// fresh (same characters, another address).
//
// Every text it hands the module is kept alive here, so the generator must
// outlive the CheckedModule's Finish().
#ifndef VELLOMAR_TESTS_MODEL_OPERATION_GENERATOR_H_
#define VELLOMAR_TESTS_MODEL_OPERATION_GENERATOR_H_

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "tests/module/model/checked_module.h"

namespace vellomar::model {

// A source of decisions. Once exhausted it keeps answering 0 / empty.
class Choices {
 public:
  virtual ~Choices() = default;
  virtual bool exhausted() const = 0;
  // A number in 0..count-1 (count > 0).
  virtual uint32_t Below(uint32_t count) = 0;
  // Any 64-bit pattern as a double.
  virtual double AnyDouble() = 0;
  // Up to `max_length` arbitrary bytes (a NUL ends the text early).
  virtual std::string AnyBytes(size_t max_length) = 0;
};

class OperationGenerator {
 public:
  // Makes one operation chosen by `choices` on `module`, and returns its
  // result (false on the first difference from the model).
  bool Step(CheckedModule& module, Choices& choices);

 private:
  int32_t Id(const CheckedModule& module, Choices& choices);
  double Number(const CheckedModule& module, Choices& choices);
  const char* Text(const CheckedModule& module, Choices& choices);
  const char* Keyword(const CheckedModule& module, Choices& choices);
  const char* Keep(std::string text);

  std::deque<std::string> texts_;  // every text handed out; addresses stable
};

}  // namespace vellomar::model

#endif  // VELLOMAR_TESTS_MODEL_OPERATION_GENERATOR_H_
