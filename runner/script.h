// A gauge script as loaded: its lines compiled to instructions for the
// interpreter, the variables they name and the texts they spell out.
//
// Ownership: a Script owns its text literals. Each literal has one address for
// the Script's whole life, whatever happens to the Script object itself, so a
// Script must outlive every module that may keep one of its texts (the module
// keeps the text that created an array as the array's name).
#ifndef VELLOMAR_RUNNER_SCRIPT_H_
#define VELLOMAR_RUNNER_SCRIPT_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace runner {

enum class Op : uint8_t {
  kPushNumber,
  kPushText,
  kReadVariable,
  kWriteVariable,
  kStore,     // sN: copies the top value into register N
  kStorePop,  // spN: moves the top value into register N
  kLoad,      // lN
  kDup,
  kPop,
  kSwap,
  kClear,
  kAdd,
  kSubtract,
  kMultiply,
  kDivide,
  kRemainder,
  kNegate,
  kIncrement,
  kDecrement,
  kEqual,
  kNotEqual,
  kGreater,
  kLess,
  kGreaterEqual,
  kLessEqual,
  kAnd,
  kOr,
  kNot,
  kAbs,
  kInt,
  kFloor,
  kCeil,
  kMin,
  kMax,
  kNear,
  kConcatenate,  // scat
  kChr,
  kOrd,
  kLowerCase,
  kUpperCase,
  kCapitalize,
  kCompare,          // scmp
  kCompareCaseless,  // scmi
  kJumpIfFalse,      // if{: pops the condition
  kJump,             // els{ skipping
  kQuit,
};

inline constexpr int kRegisterCount = 50;

// A variable named in a script: (C:NAME:Keyword, units) or (L:name, units).
struct Variable {
  enum class Kind : uint8_t { kCallback, kLocal };
  Kind kind = Kind::kLocal;
  std::string callback;    // C: only, as written
  std::string name;        // the keyword or the L: name, as written
  std::string units;       // as written; empty when not given
  bool text_read = false;  // C: read with units "string"
};

struct Instruction {
  Op op = Op::kQuit;
  int column = 0;              // 1-based byte column in the script file
  std::string spelling;        // the token as written, for messages
  double number = 0;           // kPushNumber
  const char* text = nullptr;  // kPushText: a literal owned by the Script
  // kStore/kStorePop/kLoad: the register; k*Variable: index into variables;
  // kJump/kJumpIfFalse: the instruction to go on from.
  int operand = 0;
};

struct Line {
  int number = 0;  // 1-based line in the script file
  std::vector<Instruction> code;
};

struct Script {
  std::string name;  // file name, "-e" or "<stdin>"
  std::vector<Line> lines;
  std::vector<Variable> variables;
  // Every text literal, in its own allocation so its address never changes.
  std::vector<std::unique_ptr<char[]>> literals;
};

}  // namespace runner

#endif  // VELLOMAR_RUNNER_SCRIPT_H_
