#include "runner/language/interpreter.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "common/ascii_case.h"

namespace runner {

namespace {

constexpr double kPi = 3.141592653589793;

int32_t Wrap(int64_t value) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

using vellomar::FoldAscii;
using vellomar::UpperAscii;
bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
int Sign(int value) { return (value > 0) - (value < 0); }

double NormalizeDegrees(double a) {
  return a >= 0 ? std::fmod(a, 360.0) : std::fmod(a, 360.0) + 360.0;
}
double NormalizeRadians(double a) {
  const double r = std::fmod(a, 2 * kPi);
  return r < 0 ? r + 2 * kPi : r;
}
double Cotangent(double a) {
  const double t = std::tan(a);
  return t == 0 ? 0.0 : 1 / t;
}
// d360: degrees to a whole heading, 1 to 360.
int32_t Heading(double degrees) {
  const int32_t heading = TruncateToInt(NormalizeDegrees(degrees) + 0.5);
  return heading == 0 ? 360 : heading;
}

int32_t ShiftLeft(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) << (static_cast<uint32_t>(b) & 31u));
}
// Sign-propagating, as x86 shifts a signed integer.
int32_t ShiftRight(int32_t a, int32_t b) {
  const uint32_t count = static_cast<uint32_t>(b) & 31u;
  return a < 0 ? static_cast<int32_t>(~(~static_cast<uint32_t>(a) >> count))
               : static_cast<int32_t>(static_cast<uint32_t>(a) >> count);
}

// The integer forms of / div %: / of two integers stays an integer only when
// it is exact, else the double quotient is taken.
std::optional<int64_t> ExactQuotient(int64_t a, int64_t b) {
  if (a % b != 0) return std::nullopt;
  return a / b;
}
std::optional<int64_t> Quotient(int64_t a, int64_t b) { return a / b; }
std::optional<int64_t> Remainder(int64_t a, int64_t b) { return a % b; }

Value CompareTexts(const std::string& a, const std::string& b) {
  return Value::Integer(Sign(std::strcmp(a.c_str(), b.c_str())));
}
Value CompareTextsCaseless(const std::string& a, const std::string& b) {
  return CompareTexts(FoldAscii(a), FoldAscii(b));
}
Value Find(const std::string& text, const std::string& part) {
  const size_t at = text.find(part);
  return Value::Integer(at == std::string::npos ? -1 : static_cast<int32_t>(at));
}
// schr: the first byte `code` in `text`, -1 when none; code 0 finds the end.
Value FindCharacter(const std::string& text, int32_t code) {
  if (code == 0) return Value::Integer(static_cast<int32_t>(text.size()));
  for (size_t i = 0; i < text.size(); ++i) {
    if (static_cast<unsigned char>(text[i]) == code) return Value::Integer(static_cast<int32_t>(i));
  }
  return Value::Integer(-1);
}
std::string Symbol(const std::string& text, int32_t index) {
  return index >= 0 && static_cast<size_t>(index) < text.size()
             ? std::string(1, text[static_cast<size_t>(index)])
             : std::string();
}
Value Length(const std::string& text) { return Value::Integer(static_cast<int32_t>(text.size())); }
Value Ord(const std::string& text) {
  return Value::Integer(text.empty() ? 0 : static_cast<unsigned char>(text[0]));
}
std::string Character(int32_t code) {
  const char c = static_cast<char>(code & 0xFF);
  return c == 0 ? std::string() : std::string(1, c);
}
std::string UpperCased(std::string text) {
  for (char& c : text) c = UpperAscii(c);
  return text;
}
std::string LowerCased(std::string text) { return FoldAscii(std::move(text)); }
// cap: the first letter of each blank-separated word upper case, the rest lower.
std::string Capitalized(std::string text) {
  bool word_start = true;
  for (char& c : text) {
    c = word_start ? UpperAscii(c) : FoldAscii(c);
    word_start = IsSpace(c);
  }
  return text;
}

// The variable a token names, without its parentheses, > and unit:
// "(>L:Alt, feet)" -> "L:Alt".
std::string VariableShown(const std::string& spelling) {
  size_t begin = spelling.find_first_not_of("(> \t");
  size_t end = spelling.find(',');
  if (end == std::string::npos) end = spelling.rfind(')');
  if (begin == std::string::npos || end == std::string::npos || end < begin) return spelling;
  while (end > begin && IsSpace(spelling[end - 1])) --end;
  return spelling.substr(begin, end - begin);
}

// One run of a script. kObserved selects the form that reports every word
// to the context's observer; the plain form has none of that code.
template <bool kObserved>
class Interpreter {
 public:
  Interpreter(Script* script, Stack* stack, RunContext* context)
      : script_(script), stack_(stack), context_(context) {}

  bool Run() { return script_->token_by_token ? RunTokenByToken() : RunCompiled(); }

 private:
  // The compiled form: blocks are jumps, and there is no backward jump.
  bool RunCompiled() {
    const size_t end = script_->code.size();
    while (pc_ < end) {
      if constexpr (kObserved) {
        const size_t at = pc_;
        Step(script_->code[pc_++]);
        // A block not run, or the rest after quit, is jumped over.
        observer()->Word(*script_, at, *stack_);
        const bool quit = script_->code[at].op == Opcode::kQuit;
        for (size_t i = at + 1; i < pc_ && i < end; ++i) {
          observer()->Skipped(*script_, i, quit ? "after quit" : "in a block not run");
        }
      } else {
        Step(script_->code[pc_++]);
      }
    }
    return true;
  }

  // The engine's block algorithm, token by token: exact whatever gotos do to
  // the nesting (a backward goto out of a block leaves it counted as open).
  // Each kind of word's rule in one loop; due to be split into steps.
  // NOLINTNEXTLINE(readability-function-cognitive-complexity)
  bool RunTokenByToken() {
    const std::vector<Instruction>& code = script_->code;
    int depth = 0;
    int skip = -1;
    bool seeking = false;
    int seek = 0;
    int jumps = 0;
    std::vector<std::pair<int32_t, size_t>> labels;  // label -> the instruction after it
    const auto remember = [&labels](int32_t label, size_t after) {
      for (auto& known : labels) {
        if (known.first == label) {
          known.second = after;
          return;
        }
      }
      labels.emplace_back(label, after);
    };
    while (pc_ < code.size()) {
      const size_t at = pc_;
      const Instruction& instruction = code[pc_++];
      if (seeking) {
        if (instruction.op == Opcode::kLabel) {
          remember(instruction.operand, pc_);
          if (instruction.operand == seek) {
            seeking = false;
            if constexpr (kObserved) {
              Note("the label the goto seeks");
              observer()->Word(*script_, at, *stack_);
            }
            continue;
          }
        }
        if constexpr (kObserved) {
          observer()->Skipped(*script_, at, "passed over, seeking :" + std::to_string(seek));
        }
        continue;
      }
      if (instruction.op == Opcode::kLabel) {
        remember(instruction.operand, pc_);
        if constexpr (kObserved) observer()->Word(*script_, at, *stack_);
        continue;
      }
      const bool block_word = instruction.op == Opcode::kIf || instruction.op == Opcode::kElse ||
                              instruction.op == Opcode::kEnd;
      if (skip >= 0 && !block_word) {
        if constexpr (kObserved) observer()->Skipped(*script_, at, "in a block not run");
        continue;
      }
      const bool skipping = skip >= 0;
      if (instruction.op == Opcode::kIf) {
        if (skip < 0) {
          const Value condition = PopTop();
          if (!Truthy(condition)) skip = depth;
          if constexpr (kObserved) NoteCondition(condition, skip < 0);
        }
        ++depth;
      } else if (instruction.op == Opcode::kElse) {
        if (skip < 0) {
          if constexpr (kObserved) NoteElse();
          if (last_closed_ran_) skip = depth;
        }
        ++depth;
      } else if (instruction.op == Opcode::kEnd) {
        last_closed_ran_ = skip < 0;
        if (depth > 0) --depth;
        if (skip == depth) {
          skip = -1;
          if constexpr (kObserved) Note("the block not run ends here");
        }
      } else if (instruction.op == Opcode::kGoto) {
        size_t target = 0;
        bool known = false;
        for (const auto& label : labels) {
          if (label.first == instruction.operand) {
            target = label.second;
            known = true;
          }
        }
        if (!known) {
          seeking = true;
          seek = instruction.operand;
          if constexpr (kObserved) {
            Note("seeks :" + std::to_string(seek) + " further on");
            observer()->Word(*script_, at, *stack_);
          }
          continue;
        }
        if (++jumps > kJumpBudget) {
          const auto& place = script_->places[pc_ - 1];
          const std::string message = "runaway loop: " + script_->spellings[pc_ - 1] +
                                      " jumped back " + std::to_string(kJumpBudget) +
                                      " times in one run; the run is stopped";
          RunError(*script_->info, place[0], place[1], message, *context_, place[2]);
          if constexpr (kObserved) {
            Note(message);
            observer()->Word(*script_, at, *stack_);
          }
          return false;
        }
        pc_ = target;
        if constexpr (kObserved) {
          const auto& place = script_->places[target - 1];
          Note("goes back to :" + std::to_string(instruction.operand) + " at " +
               std::to_string(place[0]) + ":" + std::to_string(place[1]) + " (jump " +
               std::to_string(jumps) + ")");
        }
      } else if (instruction.op == Opcode::kQuit) {
        if constexpr (kObserved) {
          Note("the run ends");
          observer()->Word(*script_, at, *stack_);
        }
        return true;
      } else {
        Step(instruction);
      }
      if constexpr (kObserved) {
        if (skipping && skip >= 0) {
          observer()->Skipped(*script_, at, "in a block not run");
        } else {
          observer()->Word(*script_, at, *stack_);
        }
      }
    }
    return true;
  }

  RunObserver* observer() const { return context_->observer; }
  void Note(std::string note) { observer()->Note(std::move(note)); }
  void NoteCondition(const Value& condition, bool holds) {
    Note(ShowValue(condition) +
         (holds ? " is true: the block runs" : " is false: the block is skipped"));
  }
  void NoteElse() {
    Note(last_closed_ran_ ? "the block before ran: this one is skipped"
                          : "the block before did not run: this one runs");
  }
  // "3500 feet", "'KSEA'": a value with the unit of the binding.
  std::string WithUnit(const Value& value, const Binding& binding) const {
    std::string shown = ShowValue(value);
    const std::string unit = !binding.unit_name.empty() ? binding.unit_name
                             : binding.unit != nullptr && binding.kind == Binding::Kind::kNumber
                                 ? binding.unit->name
                                 : "";
    if (!value.is_text() && !unit.empty()) shown += " " + unit;
    return shown;
  }
  void NoteRead(const Binding& binding) {
    const std::string name = VariableShown(Spelling());
    switch (binding.kind) {
      case Binding::Kind::kSim:
        Note("read " + name + " = " + WithUnit(stack_->Top(), binding) +
             (binding.sim->set ? "" : " (never set: the simulator would have a value)"));
        return;
      case Binding::Kind::kNumber:
      case Binding::Kind::kModule:
        Note("read " + name + " = " + WithUnit(stack_->Top(), binding));
        return;
      case Binding::Kind::kEvent:
      case Binding::Kind::kResource:
      case Binding::Kind::kNothing:
        Note("read " + name + " = " + ShowValue(stack_->Top()) + " (it reads nothing)");
        return;
    }
  }
  // `written` is the value the write took; `before` what the variable held.
  void NoteWrite(const Binding& binding, const Value& written, const std::string& before) {
    const std::string name = VariableShown(Spelling());
    switch (binding.kind) {
      case Binding::Kind::kEvent:
        Note("fired K:" + binding.name + " " + ShowValue(Value::Double(ToDouble(written))));
        return;
      case Binding::Kind::kSim:
      case Binding::Kind::kModule:
        Note("set " + name + " = " + WithUnit(written, binding));
        return;
      case Binding::Kind::kNumber:
        Note("set " + name + " = " + WithUnit(Value::Double(ToDouble(written)), binding) +
             " (was " + before + ")");
        return;
      case Binding::Kind::kResource:
      case Binding::Kind::kNothing:
        Note(name + " takes nothing: " + ShowValue(written) + " is dropped");
        return;
    }
  }
  // What an L: or G: variable holds, in the unit of `binding`.
  std::string Before(const Binding& binding) const {
    if (binding.kind != Binding::Kind::kNumber) return std::string();
    const NumberVariable& variable = *binding.number;
    return WithUnit(
        Value::Double(variable.unit == binding.unit ? variable.written
                                                    : FromBase(*binding.unit, variable.value)),
        binding);
  }
  void NoteRegister(bool store, int32_t index, const Value& value) {
    const std::string name = "register " + std::to_string(index);
    if (index < 0 || index >= kRegisterCount) {
      Note(name + (store ? " does not exist: nothing stored" : " does not exist: it reads 0"));
    } else {
      Note((store ? "set " : "read ") + name + " = " + ShowValue(value));
    }
  }

  void Warn(RunEvent event, const std::string& message) {
    if constexpr (kObserved) Note(message);
    const auto& place = script_->places[pc_ - 1];
    WarnOnce(script_->info.get(), event, place[0], place[1], message, *context_, place[2]);
  }
  const std::string& Spelling() const { return script_->spellings[pc_ - 1]; }
  // The module refused the read or write of the word that runs now.
  void Refused(const Binding& binding, ModuleAccess access, const Value& value) {
    const auto& place = script_->places[pc_ - 1];
    context_->module->ReportRefusal(binding.property, access, value, binding.name,
                                    &script_->code[pc_ - 1], *script_->info, place[0], place[1],
                                    context_->frame);
  }

  // Pops the top operand, which b pushes again later.
  Value PopTop() {
    Value value;
    if (!stack_->Pop(&value)) EmptyPop();
    stack_->last = value;
    return value;
  }
  Value PopNext() {
    Value value;
    if (!stack_->Pop(&value)) EmptyPop();
    return value;
  }
  void EmptyPop() {
    Warn(RunEvent::kEmptyStack, "'" + Spelling() + "' popped an empty stack: it took 0");
  }
  void Push(Value value) { stack_->Push(std::move(value)); }
  void PushNumber(double number) {
    if (std::isnan(number)) {
      Warn(RunEvent::kNotANumber, "'" + Spelling() + "' gave NaN (not a number): the result is 0");
      number = 0;
    }
    Push(Value::Double(number));
  }
  void PushText(std::string text) {
    if (text.size() > kMaxTextLength) {
      Warn(RunEvent::kTextTooLong, "'" + Spelling() + "' made a text longer than " +
                                       std::to_string(kMaxTextLength) + " bytes: it is cut");
      text.resize(kMaxTextLength);
    }
    Push(Value::Text(std::move(text)));
  }
  void DivisionByZero() {
    Warn(RunEvent::kDivisionByZero, "'" + Spelling() + "' divided by zero: the result is 0");
  }

  // The operator helpers, one per shape of word. Each pops its operands, the
  // top one first (the one b pushes again), applies the operation the
  // dispatch passes and pushes the result.

  // + - *: 32-bit wrap-around when both operands are integers.
  template <class IntegerOp, class DoubleOp>
  void Arithmetic(IntegerOp integer_op, DoubleOp double_op) {
    const Value b = PopTop();
    const Value a = PopNext();
    if (a.is_integer() && b.is_integer()) {
      Push(Value::Integer(
          Wrap(integer_op(static_cast<int64_t>(a.number()), static_cast<int64_t>(b.number())))));
    } else {
      PushNumber(double_op(ToDouble(a), ToDouble(b)));
    }
  }
  // ++ -- neg abs sqr: 32-bit wrap-around when the operand is an integer.
  template <class IntegerOp, class DoubleOp>
  void UnaryArithmetic(IntegerOp integer_op, DoubleOp double_op) {
    const Value a = PopTop();
    if (a.is_integer()) {
      Push(Value::Integer(Wrap(integer_op(static_cast<int64_t>(a.number())))));
    } else {
      PushNumber(double_op(ToDouble(a)));
    }
  }
  // / div %: a zero divisor gives 0 (the integer 0 for two integers) and a
  // warning; two integers give integer_op's result when it has one.
  template <class IntegerOp, class DoubleOp>
  void Division(IntegerOp integer_op, DoubleOp double_op) {
    const Value b = PopTop();
    const Value a = PopNext();
    const bool integers = a.is_integer() && b.is_integer();
    const double y = ToDouble(b);
    if (y == 0) {
      DivisionByZero();
      Push(integers ? Value::Integer(0) : Value());
      return;
    }
    if (integers) {
      const std::optional<int64_t> result =
          integer_op(static_cast<int64_t>(a.number()), static_cast<int64_t>(y));
      if (result) {
        Push(Value::Integer(Wrap(*result)));
        return;
      }
    }
    PushNumber(double_op(ToDouble(a), y));
  }
  template <class Op>
  void Compare(Op op) {
    const double b = ToDouble(PopTop());
    const double a = ToDouble(PopNext());
    Push(Value::Bool(op(a, b)));
  }
  // eps rng: three doubles, the top one last, to a truth.
  template <class Op>
  void Compare3(Op op) {
    const double c = ToDouble(PopTop());
    const double b = ToDouble(PopNext());
    const double a = ToDouble(PopNext());
    Push(Value::Bool(op(a, b, c)));
  }
  template <class Op>
  void Logic(Op op) {
    const bool b = IntTruthy(PopTop());
    const bool a = IntTruthy(PopNext());
    Push(Value::Bool(op(a, b)));
  }
  template <class Op>
  void Bitwise(Op op) {
    const int32_t b = ToInt(PopTop());
    const int32_t a = ToInt(PopNext());
    Push(Value::Integer(op(a, b)));
  }
  template <class Op>
  void Math(Op op) {
    PushNumber(op(ToDouble(PopTop())));
  }
  template <class Op>
  void Math2(Op op) {
    const double b = ToDouble(PopTop());
    const double a = ToDouble(PopNext());
    PushNumber(op(a, b));
  }
  // log: the logarithm of a in base b, a division by zero when b is 1.
  void Log() {
    const double b = std::log(ToDouble(PopTop()));
    const double a = std::log(ToDouble(PopNext()));
    if (b == 0) {
      DivisionByZero();
      Push(Value());
    } else {
      PushNumber(a / b);
    }
  }
  template <class Op>
  void Round(Op op) {
    const Value a = PopTop();
    Push(a.is_integer() ? a : Value::Integer(TruncateToInt(op(ToDouble(a)))));
  }
  void MinMax(bool max) {
    const Value b = PopTop();
    const Value a = PopNext();
    const double x = ToDouble(a);
    const double y = ToDouble(b);
    const bool take_b = max ? y > x : y < x;
    if (a.is_integer() && b.is_integer()) {
      Push(take_b ? b : a);
    } else {
      PushNumber(take_b ? y : x);
    }
  }
  // Text words: the operation gives a Value, or a text cut to kMaxTextLength.
  void PushResult(Value value) { Push(std::move(value)); }
  void PushResult(std::string text) { PushText(std::move(text)); }
  template <class Op>
  void OnText(Op op) {
    PushResult(op(ToText(PopTop())));
  }
  template <class Op>
  void OnTexts(Op op) {
    const std::string b = ToText(PopTop());
    const std::string a = ToText(PopNext());
    PushResult(op(a, b));
  }
  template <class Op>
  void OnTextAndInt(Op op) {
    const int32_t b = ToInt(PopTop());
    const std::string a = ToText(PopNext());
    PushResult(op(a, b));
  }

  // Stack words.
  void Dup() {
    if (stack_->empty()) {
      EmptyPop();
      Push(Value());
    } else {
      stack_->last = stack_->Top();
      Push(stack_->Top());
    }
  }
  void Swap() {
    Value b = PopTop();
    Value a = PopNext();
    Push(std::move(b));
    Push(std::move(a));
  }
  void Backup() {
    Push(stack_->last);
    stack_->last = stack_->Top();
  }
  // a b c ?: a when c is true, else b.
  void Select() {
    const bool condition = Truthy(PopTop());
    Value b = PopNext();
    Value a = PopNext();
    Push(condition ? std::move(a) : std::move(b));
  }

  // Blocks of the compiled form: if{ and els{ hold where their block ends.
  void If(int32_t end) {
    const Value condition = PopTop();
    const bool holds = Truthy(condition);
    if constexpr (kObserved) NoteCondition(condition, holds);
    if (!holds) SkipTo(end);
  }
  void Else(int32_t end) {
    if constexpr (kObserved) NoteElse();
    if (last_closed_ran_) SkipTo(end);
  }
  void SkipTo(int32_t target) {
    last_closed_ran_ = false;
    pc_ = static_cast<size_t>(target);
  }

  // Registers: an index out of range stores nothing and loads 0.
  void Load(int32_t index) {
    stack_->last = stack_->Top();
    Push(LoadRegister(index));
  }
  // st keeps the value under the index on the stack, spt pops it.
  void StoreIndexed(bool pop) {
    const int32_t index = ToInt(PopTop());
    if (pop) {
      StoreRegister(index, PopNext());
    } else {
      StoreRegister(index, stack_->Top());
    }
  }
  void StoreRegister(int32_t index, const Value& value) {
    if constexpr (kObserved) NoteRegister(true, index, value);
    if (index >= 0 && index < kRegisterCount) {
      script_->registers->values[static_cast<size_t>(index)] = value;
    }
  }
  Value LoadRegister(int32_t index) {
    Value value = index >= 0 && index < kRegisterCount
                      ? script_->registers->values[static_cast<size_t>(index)]
                      : Value();
    if constexpr (kObserved) NoteRegister(false, index, value);
    return value;
  }

  void Read(const Binding& binding);
  void Write(const Binding& binding);
  void MarkChanged(NumberVariable* variable);
  void Case();
  void Substring();
  void Step(const Instruction& instruction);

  Script* script_;
  Stack* stack_;
  RunContext* context_;
  size_t pc_ = 0;
  bool last_closed_ran_ = false;
};

template <bool kObserved>
void Interpreter<kObserved>::MarkChanged(NumberVariable* variable) {
  const size_t gauge = static_cast<size_t>(script_->gauge);
  if (variable->pending.size() <= gauge) variable->pending.resize(gauge + 1);
  if (variable->pending[gauge]) return;
  variable->pending[gauge] = true;
  if (context_->changes->size() <= gauge) context_->changes->resize(gauge + 1);
  (*context_->changes)[gauge].push_back(variable);
}

template <bool kObserved>
void Interpreter<kObserved>::Read(const Binding& binding) {
  switch (binding.kind) {
    case Binding::Kind::kSim: {
      const SimVariable& variable = *binding.sim;
      if (!variable.set) {
        // Not a warning: the simulator has every variable, the runner only
        // those a scenario sets. The run lists what was read unset instead.
        context_->sim->NoteUnsetRead(variable, binding.unit_name);
        Push(binding.text ? Value::Text("") : Value());
      } else if (variable.is_text) {
        Push(Value::Text(variable.text));
      } else {
        const double number = variable.In(binding.unit);
        if (binding.text) {
          Push(Value::Text(ToText(Value::Double(number))));
        } else {
          PushNumber(number);
        }
      }
      return;
    }
    case Binding::Kind::kNumber: {
      const NumberVariable& variable = *binding.number;
      PushNumber(variable.unit == binding.unit ? variable.written
                                               : FromBase(*binding.unit, variable.value));
      return;
    }
    case Binding::Kind::kModule:
      // A failed read leaves the module's default (1.0 or "null"), which is
      // what a gauge sees. A text is copied now: the slot may change later.
      if (binding.text) {
        const char* text = nullptr;
        const bool read = binding.property.gauge.GetText(binding.property.id, &text);
        Value value = Value::Text(text != nullptr ? text : "");
        if (!read) Refused(binding, ModuleAccess::kReadText, Value());
        Push(std::move(value));
      } else {
        double number = 0;
        if (!binding.property.gauge.GetNumber(binding.property.id, &number)) {
          Refused(binding, ModuleAccess::kReadNumber, Value());
        }
        PushNumber(number);
      }
      return;
    case Binding::Kind::kEvent:
    case Binding::Kind::kResource:
    case Binding::Kind::kNothing:
      if (!binding.quiet) {
        Warn(RunEvent::kUnknownVariable, "'" + Spelling() + "' is unknown: it reads 0");
      }
      Push(binding.text ? Value::Text("") : Value());
      return;
  }
}

template <bool kObserved>
void Interpreter<kObserved>::Write(const Binding& binding) {
  if (binding.kind == Binding::Kind::kEvent) {
    // A parameterless event takes 0 from an empty stack, as gauges expect.
    Value parameter;
    stack_->Pop(&parameter);
    stack_->last = parameter;
    context_->sim->Fire(script_->gauge, binding.name, ToDouble(parameter));
    return;
  }
  const Value value = PopTop();
  switch (binding.kind) {
    case Binding::Kind::kSim:
      if (value.is_text()) {
        context_->sim->SetText(binding.sim, value.text());
      } else {
        context_->sim->Set(binding.sim, binding.unit, ToDouble(value));
      }
      return;
    case Binding::Kind::kNumber: {
      NumberVariable& variable = *binding.number;
      const double written = ToDouble(value);
      const double stored = ToBase(*binding.unit, written);
      variable.unit = binding.unit;
      variable.written = written;
      if (!(stored == variable.value)) {
        variable.value = stored;
        MarkChanged(&variable);
      }
      return;
    }
    case Binding::Kind::kModule:
      if (value.is_text()) {
        if (binding.keep_text) {
          const auto& place = script_->places[pc_ - 1];
          context_->module->KeepText(value.shared_text(), script_->info.get(), place[0], place[1]);
        }
        if (!binding.property.gauge.SetText(binding.property.id, value.text().c_str())) {
          Refused(binding, ModuleAccess::kWriteText, value);
        }
      } else if (!binding.property.gauge.SetNumber(binding.property.id, ToDouble(value))) {
        Refused(binding, ModuleAccess::kWriteNumber, value);
      }
      return;
    case Binding::Kind::kEvent:
    case Binding::Kind::kResource:
    case Binding::Kind::kNothing:
      if (!binding.quiet) {
        Warn(RunEvent::kUnknownVariable, "'" + Spelling() + "' is unknown: the value is dropped");
      }
      return;
  }
}

// v_k ... v_1 v_0 N i case: v_i, the value pushed last being v_0; an index
// out of range is 0; only N values are taken.
template <bool kObserved>
void Interpreter<kObserved>::Case() {
  const int32_t index = ToInt(PopTop());
  const int32_t count = ToInt(PopNext());
  if (count <= 0) {
    Push(Value());
    return;
  }
  const int32_t chosen = index < 0 || index >= count ? 0 : index;
  Value result;
  for (int32_t i = 0; i < count && !stack_->empty(); ++i) {
    Value value;
    stack_->Pop(&value);
    if (i == chosen) result = std::move(value);
  }
  Push(std::move(result));
}

// s start length ssub: a negative start counts from the end; the start is
// clamped to the text; a negative length, or one past the end, takes the rest.
template <bool kObserved>
void Interpreter<kObserved>::Substring() {
  const int32_t length = ToInt(PopTop());
  int64_t start = ToInt(PopNext());
  const std::string text = ToText(PopNext());
  const int64_t size = static_cast<int64_t>(text.size());
  if (start < 0) start += size;
  if (start < 0) start = 0;
  if (start > size) start = size;
  int64_t take = length;
  if (take < 0 || start + take > size) take = size - start;
  PushText(text.substr(static_cast<size_t>(start), static_cast<size_t>(take)));
}

// One case per opcode, and no default: a new opcode without a case is a
// compiler warning.
template <bool kObserved>
void Interpreter<kObserved>::Step(const Instruction& instruction) {
  using I = int64_t;
  using D = double;
  switch (instruction.op) {
    case Opcode::kPushNumber:
      return Push(instruction.integer ? Value::Integer(static_cast<int32_t>(instruction.number))
                                      : Value::Double(instruction.number));
    case Opcode::kPushText:
      return Push(script_->texts[static_cast<size_t>(instruction.operand)]);
    case Opcode::kRead: {
      const Binding& binding = script_->bindings[static_cast<size_t>(instruction.operand)];
      Read(binding);
      if constexpr (kObserved) NoteRead(binding);
      return;
    }
    case Opcode::kWrite: {
      const Binding& binding = script_->bindings[static_cast<size_t>(instruction.operand)];
      if constexpr (kObserved) {
        const Value written = stack_->Top();
        const std::string before = Before(binding);
        Write(binding);
        return NoteWrite(binding, written, before);
      }
      return Write(binding);
    }
    case Opcode::kStore:
      return StoreRegister(instruction.operand, stack_->Top());
    case Opcode::kStorePop:
      return StoreRegister(instruction.operand, PopTop());
    case Opcode::kLoad:
      return Load(instruction.operand);
    case Opcode::kLabel:
    case Opcode::kGoto:  // only scripts run token by token hold gotos
      return;
    case Opcode::kIf:
      return If(instruction.operand);
    case Opcode::kElse:
      return Else(instruction.operand);
    case Opcode::kEnd:
      last_closed_ran_ = true;
      return;
    case Opcode::kQuit:
      if constexpr (kObserved) Note("the run ends");
      pc_ = script_->code.size();
      return;
    case Opcode::kClear:
      return stack_->Clear();
    case Opcode::kDup:
      return Dup();
    case Opcode::kPop:
      PopTop();
      return;
    case Opcode::kSwap:
      return Swap();
    case Opcode::kBackup:
      return Backup();
    case Opcode::kAdd:
      return Arithmetic([](I a, I b) { return a + b; }, [](D a, D b) { return a + b; });
    case Opcode::kSubtract:
      return Arithmetic([](I a, I b) { return a - b; }, [](D a, D b) { return a - b; });
    case Opcode::kMultiply:
      return Arithmetic([](I a, I b) { return a * b; }, [](D a, D b) { return a * b; });
    case Opcode::kDivide:
      return Division(ExactQuotient, [](D a, D b) { return a / b; });
    case Opcode::kDiv:
      return Division(Quotient, [](D a, D b) { return std::trunc(a / b); });
    case Opcode::kModulo:
      return Division(Remainder, [](D a, D b) { return std::fmod(a, b); });
    case Opcode::kIncrement:
      return UnaryArithmetic([](I a) { return a + 1; }, [](D a) { return a + 1; });
    case Opcode::kDecrement:
      return UnaryArithmetic([](I a) { return a - 1; }, [](D a) { return a - 1; });
    case Opcode::kNegate:
      return UnaryArithmetic([](I a) { return -a; }, [](D a) { return -a; });
    case Opcode::kAbs:
      return UnaryArithmetic([](I a) { return std::llabs(a); }, [](D a) { return std::fabs(a); });
    case Opcode::kEqual:
      return Compare([](D a, D b) { return a == b; });
    case Opcode::kNotEqual:
      return Compare([](D a, D b) { return a != b; });
    case Opcode::kLess:
      return Compare([](D a, D b) { return a < b; });
    case Opcode::kGreater:
      return Compare([](D a, D b) { return a > b; });
    case Opcode::kLessEqual:
      return Compare([](D a, D b) { return a <= b; });
    case Opcode::kGreaterEqual:
      return Compare([](D a, D b) { return a >= b; });
    case Opcode::kNot:
      return Push(Value::Bool(!IntTruthy(PopTop())));
    case Opcode::kAnd:
      return Logic([](bool a, bool b) { return a && b; });
    case Opcode::kOr:
      return Logic([](bool a, bool b) { return a || b; });
    case Opcode::kBitAnd:
      return Bitwise([](int32_t a, int32_t b) { return a & b; });
    case Opcode::kBitOr:
      return Bitwise([](int32_t a, int32_t b) { return a | b; });
    case Opcode::kBitXor:
      return Bitwise([](int32_t a, int32_t b) { return a ^ b; });
    case Opcode::kBitNot:
      return Push(Value::Integer(~ToInt(PopTop())));
    case Opcode::kShiftLeft:
      return Bitwise(ShiftLeft);
    case Opcode::kShiftRight:
      return Bitwise(ShiftRight);
    case Opcode::kSquare:
      return UnaryArithmetic([](I a) { return a * a; }, [](D a) { return a * a; });
    case Opcode::kSqrt:
      return Math([](D a) { return std::sqrt(a); });
    case Opcode::kPow:
      return Math2([](D a, D b) { return std::pow(a, b); });
    case Opcode::kExp:
      return Math([](D a) { return std::exp(a); });
    case Opcode::kLn:
      return Math([](D a) { return std::log(a); });
    case Opcode::kLg:
      return Math([](D a) { return std::log10(a); });
    case Opcode::kLog:
      return Log();
    case Opcode::kPi:
      return Push(Value::Double(kPi));
    case Opcode::kMin:
      return MinMax(false);
    case Opcode::kMax:
      return MinMax(true);
    case Opcode::kEps:
      return Compare3([](D a, D b, D tolerance) { return std::fabs(a - b) <= tolerance; });
    case Opcode::kInt:
      return Round([](D a) { return a; });
    case Opcode::kFloor:
      return Round([](D a) { return std::floor(a); });
    case Opcode::kCeil:
      return Round([](D a) { return std::ceil(a); });
    case Opcode::kNear:
      return Round([](D a) { return a > 0 ? a + 0.5 : a - 0.5; });
    case Opcode::kSin:
      return Math([](D a) { return std::sin(a); });
    case Opcode::kCos:
      return Math([](D a) { return std::cos(a); });
    case Opcode::kTan:
      return Math([](D a) { return std::tan(a); });
    case Opcode::kCotan:
      return Math(Cotangent);
    case Opcode::kAsin:
      return Math([](D a) { return std::asin(a); });
    case Opcode::kAcos:
      return Math([](D a) { return std::acos(a); });
    case Opcode::kAtan:
      return Math([](D a) { return std::atan(a); });
    case Opcode::kAtan2:  // y x atg2
      return Math2([](D y, D x) { return std::atan2(y, x); });
    case Opcode::kDegreesToRadians:
      return Math([](D a) { return a * kPi / 180; });
    case Opcode::kRadiansToDegrees:
      return Math([](D a) { return a * 180 / kPi; });
    case Opcode::kNormalizeRadians:
      return Math(NormalizeRadians);
    case Opcode::kNormalizeDegrees:
      return Math(NormalizeDegrees);
    case Opcode::kHeading:
      return Push(Value::Integer(Heading(ToDouble(PopTop()))));
    case Opcode::kSelect:
      return Select();
    case Opcode::kRange:
      return Compare3([](D low, D high, D x) { return low <= x && x <= high; });
    case Opcode::kCase:
      return Case();
    case Opcode::kStoreIndexed:
      return StoreIndexed(false);
    case Opcode::kStorePopIndexed:
      return StoreIndexed(true);
    case Opcode::kLoadIndexed:
      return Push(LoadRegister(ToInt(PopTop())));
    case Opcode::kConcatenate:
      return OnTexts([](const std::string& a, const std::string& b) { return a + b; });
    case Opcode::kCompare:
      return OnTexts(CompareTexts);
    case Opcode::kCompareCaseless:
      return OnTexts(CompareTextsCaseless);
    case Opcode::kFind:
      return OnTexts(Find);
    case Opcode::kFindCharacter:
      return OnTextAndInt(FindCharacter);
    case Opcode::kSubstring:
      return Substring();
    case Opcode::kSymbol:
      return OnTextAndInt(Symbol);
    case Opcode::kLength:
      return OnText(Length);
    case Opcode::kOrd:
      return OnText(Ord);
    case Opcode::kChr:
      return PushText(Character(ToInt(PopTop())));
    case Opcode::kUpperCase:
      return OnText(UpperCased);
    case Opcode::kLowerCase:
      return OnText(LowerCased);
    case Opcode::kCapitalize:
      return OnText(Capitalized);
  }
}

}  // namespace

bool Execute(Script* script, Stack* stack, RunContext* context) {
  return Interpreter<false>(script, stack, context).Run();
}

bool ExecuteObserved(Script* script, Stack* stack, RunContext* context) {
  return Interpreter<true>(script, stack, context).Run();
}

void WarnOnce(SiteInfo* info, RunEvent event, int line, int column, const std::string& message,
              const RunContext& context, int origin) {
  const uint32_t bit = 1u << static_cast<unsigned>(event);
  if ((info->warned & bit) != 0) return;
  info->warned |= bit;
  context.diagnostics->Report(MakeDiagnostic(Severity::kWarning, Place{info->file, line, column},
                                             message + info->Note(origin), info->site,
                                             context.frame));
}

void RunError(const SiteInfo& info, int line, int column, const std::string& message,
              const RunContext& context, int origin) {
  context.diagnostics->Report(MakeDiagnostic(Severity::kError, Place{info.file, line, column},
                                             message + info.Note(origin), info.site,
                                             context.frame));
}

}  // namespace runner
