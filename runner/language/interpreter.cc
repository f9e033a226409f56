#include "runner/language/interpreter.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace runner {

namespace {

constexpr double kPi = 3.141592653589793;

int32_t Wrap(int64_t value) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
int Sign(int value) { return (value > 0) - (value < 0); }

double NormalizeDegrees(double a) {
  return a >= 0 ? std::fmod(a, 360.0) : std::fmod(a, 360.0) + 360.0;
}

class Interpreter {
 public:
  Interpreter(Script* script, Stack* stack, RunContext* context)
      : script_(script), stack_(stack), context_(context) {}

  bool Run() { return script_->token_by_token ? RunTokenByToken() : RunCompiled(); }

 private:
  // The compiled form: blocks are jumps, and there is no backward jump.
  bool RunCompiled() {
    const size_t end = script_->code.size();
    while (pc_ < end) Step(script_->code[pc_++]);
    return true;
  }

  // The engine's block algorithm, token by token: exact whatever gotos do to
  // the nesting (a backward goto out of a block leaves it counted as open).
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
      const Instruction& instruction = code[pc_++];
      if (seeking) {
        if (instruction.op == Opcode::kLabel) {
          remember(instruction.operand, pc_);
          if (instruction.operand == seek) seeking = false;
        }
        continue;
      }
      if (instruction.op == Opcode::kLabel) {
        remember(instruction.operand, pc_);
        continue;
      }
      const bool block_word = instruction.op == Opcode::kIf || instruction.op == Opcode::kElse ||
                              instruction.op == Opcode::kEnd;
      if (skip >= 0 && !block_word) continue;
      if (instruction.op == Opcode::kIf) {
        if (skip < 0 && !Truthy(PopTop())) skip = depth;
        ++depth;
      } else if (instruction.op == Opcode::kElse) {
        if (skip < 0 && last_closed_ran_) skip = depth;
        ++depth;
      } else if (instruction.op == Opcode::kEnd) {
        last_closed_ran_ = skip < 0;
        if (depth > 0) --depth;
        if (skip == depth) skip = -1;
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
          continue;
        }
        if (++jumps > kJumpBudget) {
          const auto& place = script_->places[pc_ - 1];
          RunError(*script_->info, place[0], place[1],
                   "runaway loop: " + script_->spellings[pc_ - 1] + " jumped back " +
                       std::to_string(kJumpBudget) + " times in one run; the run is stopped",
                   *context_);
          return false;
        }
        pc_ = target;
      } else if (instruction.op == Opcode::kQuit) {
        return true;
      } else {
        Step(instruction);
      }
    }
    return true;
  }

  void Warn(RunEvent event, const std::string& message) {
    const auto& place = script_->places[pc_ - 1];
    WarnOnce(script_->info.get(), event, place[0], place[1], message, *context_);
  }
  const std::string& Spelling() const { return script_->spellings[pc_ - 1]; }

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
  template <class Op>
  void Compare(Op op) {
    const double b = ToDouble(PopTop());
    const double a = ToDouble(PopNext());
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
  void StoreRegister(int32_t index, const Value& value) {
    if (index >= 0 && index < kRegisterCount) {
      script_->registers->values[static_cast<size_t>(index)] = value;
    }
  }
  Value LoadRegister(int32_t index) const {
    if (index >= 0 && index < kRegisterCount) {
      return script_->registers->values[static_cast<size_t>(index)];
    }
    return Value();
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

void Interpreter::MarkChanged(NumberVariable* variable) {
  const size_t gauge = static_cast<size_t>(script_->gauge);
  if (variable->pending.size() <= gauge) variable->pending.resize(gauge + 1);
  if (variable->pending[gauge]) return;
  variable->pending[gauge] = true;
  if (context_->changes->size() <= gauge) context_->changes->resize(gauge + 1);
  (*context_->changes)[gauge].push_back(variable);
}

void Interpreter::Read(const Binding& binding) {
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
        const double number = FromBase(*binding.unit, variable.base);
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
        binding.property.gauge.GetText(binding.property.id, &text);
        Push(Value::Text(text != nullptr ? text : ""));
      } else {
        double number = 0;
        binding.property.gauge.GetNumber(binding.property.id, &number);
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

void Interpreter::Write(const Binding& binding) {
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
          const std::shared_ptr<const std::string>& text = value.shared_text();
          if (context_->kept_index->insert(text.get()).second) {
            context_->kept_texts->push_back(text);
          }
        }
        binding.property.gauge.SetText(binding.property.id, value.text().c_str());
      } else {
        binding.property.gauge.SetNumber(binding.property.id, ToDouble(value));
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
void Interpreter::Case() {
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
void Interpreter::Substring() {
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

void Interpreter::Step(const Instruction& instruction) {
  switch (instruction.op) {
    case Opcode::kPushNumber:
      Push(instruction.integer ? Value::Integer(static_cast<int32_t>(instruction.number))
                               : Value::Double(instruction.number));
      return;
    case Opcode::kPushText:
      Push(script_->texts[static_cast<size_t>(instruction.operand)]);
      return;
    case Opcode::kRead:
      Read(script_->bindings[static_cast<size_t>(instruction.operand)]);
      return;
    case Opcode::kWrite:
      Write(script_->bindings[static_cast<size_t>(instruction.operand)]);
      return;
    case Opcode::kStore:
      StoreRegister(instruction.operand, stack_->Top());
      return;
    case Opcode::kStorePop:
      StoreRegister(instruction.operand, PopTop());
      return;
    case Opcode::kLoad:
      stack_->last = stack_->Top();
      Push(LoadRegister(instruction.operand));
      return;
    case Opcode::kLabel:
      return;
    case Opcode::kGoto:
      // Only scripts run token by token hold gotos.
      return;
    case Opcode::kIf:
      if (!Truthy(PopTop())) {
        last_closed_ran_ = false;
        pc_ = static_cast<size_t>(instruction.operand);
      }
      return;
    case Opcode::kElse:
      if (last_closed_ran_) {
        last_closed_ran_ = false;
        pc_ = static_cast<size_t>(instruction.operand);
      }
      return;
    case Opcode::kEnd:
      last_closed_ran_ = true;
      return;
    case Opcode::kQuit:
      pc_ = script_->code.size();
      return;
    case Opcode::kClear:
      stack_->Clear();
      return;
    case Opcode::kDup:
      if (stack_->empty()) {
        EmptyPop();
        Push(Value());
      } else {
        stack_->last = stack_->Top();
        Push(stack_->Top());
      }
      return;
    case Opcode::kPop:
      PopTop();
      return;
    case Opcode::kSwap: {
      Value b = PopTop();
      Value a = PopNext();
      Push(std::move(b));
      Push(std::move(a));
      return;
    }
    case Opcode::kBackup:
      Push(stack_->last);
      stack_->last = stack_->Top();
      return;
    case Opcode::kAdd:
      Arithmetic([](int64_t a, int64_t b) { return a + b; },
                 [](double a, double b) { return a + b; });
      return;
    case Opcode::kSubtract:
      Arithmetic([](int64_t a, int64_t b) { return a - b; },
                 [](double a, double b) { return a - b; });
      return;
    case Opcode::kMultiply:
      Arithmetic([](int64_t a, int64_t b) { return a * b; },
                 [](double a, double b) { return a * b; });
      return;
    case Opcode::kDivide: {
      const Value b = PopTop();
      const Value a = PopNext();
      const bool integers = a.is_integer() && b.is_integer();
      const double y = ToDouble(b);
      if (y == 0) {
        DivisionByZero();
        Push(integers ? Value::Integer(0) : Value());
      } else if (integers && static_cast<int64_t>(a.number()) % static_cast<int64_t>(y) == 0) {
        Push(Value::Integer(Wrap(static_cast<int64_t>(a.number()) / static_cast<int64_t>(y))));
      } else {
        PushNumber(ToDouble(a) / y);
      }
      return;
    }
    case Opcode::kDiv: {
      const Value b = PopTop();
      const Value a = PopNext();
      const bool integers = a.is_integer() && b.is_integer();
      const double y = ToDouble(b);
      if (y == 0) {
        DivisionByZero();
        Push(integers ? Value::Integer(0) : Value());
      } else if (integers) {
        Push(Value::Integer(Wrap(static_cast<int64_t>(a.number()) / static_cast<int64_t>(y))));
      } else {
        PushNumber(std::trunc(ToDouble(a) / y));
      }
      return;
    }
    case Opcode::kModulo: {
      const Value b = PopTop();
      const Value a = PopNext();
      const bool integers = a.is_integer() && b.is_integer();
      const double y = ToDouble(b);
      if (y == 0) {
        DivisionByZero();
        Push(integers ? Value::Integer(0) : Value());
      } else if (integers) {
        Push(Value::Integer(Wrap(static_cast<int64_t>(a.number()) % static_cast<int64_t>(y))));
      } else {
        PushNumber(std::fmod(ToDouble(a), y));
      }
      return;
    }
    case Opcode::kIncrement:
    case Opcode::kDecrement: {
      const Value a = PopTop();
      const int step = instruction.op == Opcode::kIncrement ? 1 : -1;
      if (a.is_integer()) {
        Push(Value::Integer(Wrap(static_cast<int64_t>(a.number()) + step)));
      } else {
        PushNumber(ToDouble(a) + step);
      }
      return;
    }
    case Opcode::kNegate: {
      const Value a = PopTop();
      if (a.is_integer()) {
        Push(Value::Integer(Wrap(-static_cast<int64_t>(a.number()))));
      } else {
        PushNumber(-ToDouble(a));
      }
      return;
    }
    case Opcode::kAbs: {
      const Value a = PopTop();
      if (a.is_integer()) {
        Push(Value::Integer(Wrap(std::llabs(static_cast<int64_t>(a.number())))));
      } else {
        PushNumber(std::fabs(ToDouble(a)));
      }
      return;
    }
    case Opcode::kEqual:
      Compare([](double a, double b) { return a == b; });
      return;
    case Opcode::kNotEqual:
      Compare([](double a, double b) { return a != b; });
      return;
    case Opcode::kLess:
      Compare([](double a, double b) { return a < b; });
      return;
    case Opcode::kGreater:
      Compare([](double a, double b) { return a > b; });
      return;
    case Opcode::kLessEqual:
      Compare([](double a, double b) { return a <= b; });
      return;
    case Opcode::kGreaterEqual:
      Compare([](double a, double b) { return a >= b; });
      return;
    case Opcode::kNot:
      Push(Value::Bool(!IntTruthy(PopTop())));
      return;
    case Opcode::kAnd: {
      const bool b = IntTruthy(PopTop());
      const bool a = IntTruthy(PopNext());
      Push(Value::Bool(a && b));
      return;
    }
    case Opcode::kOr: {
      const bool b = IntTruthy(PopTop());
      const bool a = IntTruthy(PopNext());
      Push(Value::Bool(a || b));
      return;
    }
    case Opcode::kBitAnd:
      Bitwise([](int32_t a, int32_t b) { return a & b; });
      return;
    case Opcode::kBitOr:
      Bitwise([](int32_t a, int32_t b) { return a | b; });
      return;
    case Opcode::kBitXor:
      Bitwise([](int32_t a, int32_t b) { return a ^ b; });
      return;
    case Opcode::kBitNot:
      Push(Value::Integer(~ToInt(PopTop())));
      return;
    case Opcode::kShiftLeft:
      Bitwise([](int32_t a, int32_t b) {
        return static_cast<int32_t>(static_cast<uint32_t>(a) << (static_cast<uint32_t>(b) & 31u));
      });
      return;
    case Opcode::kShiftRight:
      // Sign-propagating, as x86 shifts a signed integer.
      Bitwise([](int32_t a, int32_t b) {
        const uint32_t count = static_cast<uint32_t>(b) & 31u;
        return a < 0 ? static_cast<int32_t>(~(~static_cast<uint32_t>(a) >> count))
                     : static_cast<int32_t>(static_cast<uint32_t>(a) >> count);
      });
      return;
    case Opcode::kSquare: {
      const Value a = PopTop();
      if (a.is_integer()) {
        const int64_t x = static_cast<int64_t>(a.number());
        Push(Value::Integer(Wrap(x * x)));
      } else {
        const double x = ToDouble(a);
        PushNumber(x * x);
      }
      return;
    }
    case Opcode::kSqrt:
      Math([](double a) { return std::sqrt(a); });
      return;
    case Opcode::kPow: {
      const double b = ToDouble(PopTop());
      const double a = ToDouble(PopNext());
      PushNumber(std::pow(a, b));
      return;
    }
    case Opcode::kExp:
      Math([](double a) { return std::exp(a); });
      return;
    case Opcode::kLn:
      Math([](double a) { return std::log(a); });
      return;
    case Opcode::kLg:
      Math([](double a) { return std::log10(a); });
      return;
    case Opcode::kLog: {
      const double b = std::log(ToDouble(PopTop()));
      const double a = std::log(ToDouble(PopNext()));
      if (b == 0) {
        DivisionByZero();
        Push(Value());
      } else {
        PushNumber(a / b);
      }
      return;
    }
    case Opcode::kPi:
      Push(Value::Double(kPi));
      return;
    case Opcode::kMin:
      MinMax(false);
      return;
    case Opcode::kMax:
      MinMax(true);
      return;
    case Opcode::kEps: {
      const double tolerance = ToDouble(PopTop());
      const double b = ToDouble(PopNext());
      const double a = ToDouble(PopNext());
      Push(Value::Bool(std::fabs(a - b) <= tolerance));
      return;
    }
    case Opcode::kInt:
      Round([](double a) { return a; });
      return;
    case Opcode::kFloor:
      Round([](double a) { return std::floor(a); });
      return;
    case Opcode::kCeil:
      Round([](double a) { return std::ceil(a); });
      return;
    case Opcode::kNear:
      Round([](double a) { return a > 0 ? a + 0.5 : a - 0.5; });
      return;
    case Opcode::kSin:
      Math([](double a) { return std::sin(a); });
      return;
    case Opcode::kCos:
      Math([](double a) { return std::cos(a); });
      return;
    case Opcode::kTan:
      Math([](double a) { return std::tan(a); });
      return;
    case Opcode::kCotan:
      Math([](double a) {
        const double t = std::tan(a);
        return t == 0 ? 0.0 : 1 / t;
      });
      return;
    case Opcode::kAsin:
      Math([](double a) { return std::asin(a); });
      return;
    case Opcode::kAcos:
      Math([](double a) { return std::acos(a); });
      return;
    case Opcode::kAtan:
      Math([](double a) { return std::atan(a); });
      return;
    case Opcode::kAtan2: {
      const double x = ToDouble(PopTop());
      const double y = ToDouble(PopNext());
      PushNumber(std::atan2(y, x));
      return;
    }
    case Opcode::kDegreesToRadians:
      Math([](double a) { return a * kPi / 180; });
      return;
    case Opcode::kRadiansToDegrees:
      Math([](double a) { return a * 180 / kPi; });
      return;
    case Opcode::kNormalizeRadians:
      Math([](double a) {
        const double r = std::fmod(a, 2 * kPi);
        return r < 0 ? r + 2 * kPi : r;
      });
      return;
    case Opcode::kNormalizeDegrees:
      Math(NormalizeDegrees);
      return;
    case Opcode::kHeading: {
      const int32_t heading = TruncateToInt(NormalizeDegrees(ToDouble(PopTop())) + 0.5);
      Push(Value::Integer(heading == 0 ? 360 : heading));
      return;
    }
    case Opcode::kSelect: {
      const bool condition = Truthy(PopTop());
      Value b = PopNext();
      Value a = PopNext();
      Push(condition ? std::move(a) : std::move(b));
      return;
    }
    case Opcode::kRange: {
      const double x = ToDouble(PopTop());
      const double high = ToDouble(PopNext());
      const double low = ToDouble(PopNext());
      Push(Value::Bool(low <= x && x <= high));
      return;
    }
    case Opcode::kCase:
      Case();
      return;
    case Opcode::kStoreIndexed: {
      const int32_t index = ToInt(PopTop());
      StoreRegister(index, stack_->Top());
      return;
    }
    case Opcode::kStorePopIndexed: {
      const int32_t index = ToInt(PopTop());
      StoreRegister(index, PopNext());
      return;
    }
    case Opcode::kLoadIndexed:
      Push(LoadRegister(ToInt(PopTop())));
      return;
    case Opcode::kConcatenate: {
      const std::string b = ToText(PopTop());
      PushText(ToText(PopNext()) + b);
      return;
    }
    case Opcode::kCompare: {
      const std::string b = ToText(PopTop());
      Push(Value::Integer(Sign(std::strcmp(ToText(PopNext()).c_str(), b.c_str()))));
      return;
    }
    case Opcode::kCompareCaseless: {
      std::string b = ToText(PopTop());
      std::string a = ToText(PopNext());
      for (char& c : a) c = Lower(c);
      for (char& c : b) c = Lower(c);
      Push(Value::Integer(Sign(std::strcmp(a.c_str(), b.c_str()))));
      return;
    }
    case Opcode::kFind: {
      const std::string b = ToText(PopTop());
      const size_t at = ToText(PopNext()).find(b);
      Push(Value::Integer(at == std::string::npos ? -1 : static_cast<int32_t>(at)));
      return;
    }
    case Opcode::kFindCharacter: {
      const int32_t code = ToInt(PopTop());
      const std::string text = ToText(PopNext());
      int32_t found = -1;
      if (code == 0) {
        found = static_cast<int32_t>(text.size());
      } else {
        for (size_t i = 0; i < text.size(); ++i) {
          if (static_cast<unsigned char>(text[i]) == code) {
            found = static_cast<int32_t>(i);
            break;
          }
        }
      }
      Push(Value::Integer(found));
      return;
    }
    case Opcode::kSubstring:
      Substring();
      return;
    case Opcode::kSymbol: {
      const int32_t index = ToInt(PopTop());
      const std::string text = ToText(PopNext());
      PushText(index >= 0 && static_cast<size_t>(index) < text.size()
                   ? std::string(1, text[static_cast<size_t>(index)])
                   : std::string());
      return;
    }
    case Opcode::kLength:
      Push(Value::Integer(static_cast<int32_t>(ToText(PopTop()).size())));
      return;
    case Opcode::kOrd: {
      const std::string text = ToText(PopTop());
      Push(Value::Integer(text.empty() ? 0 : static_cast<unsigned char>(text[0])));
      return;
    }
    case Opcode::kChr: {
      const char code = static_cast<char>(ToInt(PopTop()) & 0xFF);
      PushText(code == 0 ? std::string() : std::string(1, code));
      return;
    }
    case Opcode::kUpperCase:
    case Opcode::kLowerCase: {
      std::string text = ToText(PopTop());
      for (char& c : text) c = instruction.op == Opcode::kUpperCase ? Upper(c) : Lower(c);
      PushText(std::move(text));
      return;
    }
    case Opcode::kCapitalize: {
      std::string text = ToText(PopTop());
      bool word_start = true;
      for (char& c : text) {
        c = word_start ? Upper(c) : Lower(c);
        word_start = IsSpace(c);
      }
      PushText(std::move(text));
      return;
    }
  }
}

}  // namespace

bool Execute(Script* script, Stack* stack, RunContext* context) {
  return Interpreter(script, stack, context).Run();
}

void WarnOnce(SiteInfo* info, RunEvent event, int line, int column, const std::string& message,
              const RunContext& context) {
  const uint32_t bit = 1u << static_cast<unsigned>(event);
  if ((info->warned & bit) != 0) return;
  info->warned |= bit;
  context.diagnostics->Report(MakeDiagnostic(Severity::kWarning, Place{info->file, line, column},
                                             message, info->site, context.frame));
}

void RunError(const SiteInfo& info, int line, int column, const std::string& message,
              const RunContext& context) {
  context.diagnostics->Report(MakeDiagnostic(Severity::kError, Place{info.file, line, column},
                                             message, info.site, context.frame));
}

}  // namespace runner
