#include "runner/interpreter.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "common/ascii_case.h"
#include "hostsim/units.h"
#include "runner/number_format.h"

namespace runner {

namespace {

char LowerCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char UpperCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// -1, 0 or 1 as `a` sorts before, with or after `b`, byte by byte.
int CompareTexts(const std::string& a, const std::string& b) {
  const int result = a.compare(b);
  return (result > 0) - (result < 0);
}

std::string Quoted(const char* text) {
  std::string quoted = text;
  if (quoted.size() > 40) quoted = quoted.substr(0, 40) + "...";
  return "'" + quoted + "'";
}

}  // namespace

Interpreter::~Interpreter() { ReleaseGauges(); }

Interpreter::Value Interpreter::Number(double number) {
  Value value;
  value.number = number;
  return value;
}

Interpreter::Value Interpreter::Text(std::string text) {
  Value value;
  value.is_text = true;
  value.owner = std::make_shared<const std::string>(std::move(text));
  value.text = value.owner->c_str();
  return value;
}

void Interpreter::AddGauge(const Script* script) {
  LoadedGauge loaded;
  loaded.script = script;
  loaded.gauge = std::make_unique<hostsim::Gauge>(host_, static_cast<uint32_t>(gauges_.size() + 1));
  for (const Variable& variable : script->variables) {
    Binding binding;
    if (variable.kind == Variable::Kind::kLocal) {
      binding.resolution = hostsim::Resolution::kResolved;
      binding.local = &locals_[vellomar::FoldAscii(variable.name)];
    } else {
      binding.resolution =
          loaded.gauge->Resolve(variable.callback, variable.name, &binding.property);
    }
    loaded.bindings.push_back(binding);
  }
  gauges_.push_back(std::move(loaded));
}

void Interpreter::ReleaseGauges() { gauges_.clear(); }

bool Interpreter::RunFrame(std::string* error) {
  error_ = error;
  for (LoadedGauge& gauge : gauges_) {
    gauge.registers.fill(Value{});
    script_ = gauge.script;
    for (const Line& line : gauge.script->lines) {
      if (!RunLine(&gauge, line)) return false;
    }
  }
  return true;
}

bool Interpreter::RunLine(LoadedGauge* gauge, const Line& line) {
  line_number_ = line.number;
  stack_.clear();
  size_t next = 0;
  while (next < line.code.size()) {
    const Instruction& instruction = line.code[next++];
    if (!Execute(gauge, instruction, &next)) {
      stack_.clear();
      return false;
    }
  }
  if (!stack_.empty()) {
    const Value& top = stack_.back();
    *out_ << (top.is_text ? std::string(top.text) : FormatNumber(top.number)) << '\n';
  }
  stack_.clear();
  return true;
}

bool Interpreter::Fail(const Instruction& instruction, const std::string& what) {
  *error_ = script_->name + ":" + std::to_string(line_number_) + ":" +
            std::to_string(instruction.column) + ": " + what;
  return false;
}

bool Interpreter::Need(const Instruction& instruction, size_t count) {
  if (stack_.size() >= count) return true;
  return Fail(instruction, "stack underflow: '" + instruction.spelling + "' needs " +
                               std::to_string(count) + (count == 1 ? " value" : " values") +
                               ", found " + std::to_string(stack_.size()));
}

bool Interpreter::PopNumber(const Instruction& instruction, double* number) {
  if (!Need(instruction, 1)) return false;
  const Value& top = stack_.back();
  if (top.is_text) {
    return Fail(instruction, "'" + instruction.spelling + "' needs a number, found the text " +
                                 Quoted(top.text));
  }
  *number = top.number;
  stack_.pop_back();
  return true;
}

bool Interpreter::PopText(const Instruction& instruction, Value* text) {
  if (!Need(instruction, 1)) return false;
  if (!stack_.back().is_text) {
    return Fail(instruction, "'" + instruction.spelling + "' needs a text, found the number " +
                                 FormatNumber(stack_.back().number));
  }
  *text = std::move(stack_.back());
  stack_.pop_back();
  return true;
}

bool Interpreter::Execute(LoadedGauge* gauge, const Instruction& instruction, size_t* next) {
  switch (instruction.op) {
    case Op::kPushNumber:
      stack_.push_back(Number(instruction.number));
      return true;
    case Op::kPushText: {
      Value value;
      value.is_text = true;
      value.text = instruction.text;
      stack_.push_back(std::move(value));
      return true;
    }
    case Op::kReadVariable:
      return Read(*gauge, instruction);
    case Op::kWriteVariable:
      return Write(*gauge, instruction);
    case Op::kStore:
    case Op::kStorePop:
      if (!Need(instruction, 1)) return false;
      gauge->registers[static_cast<size_t>(instruction.operand)] = stack_.back();
      if (instruction.op == Op::kStorePop) stack_.pop_back();
      return true;
    case Op::kLoad:
      stack_.push_back(gauge->registers[static_cast<size_t>(instruction.operand)]);
      return true;
    case Op::kDup:
      if (!Need(instruction, 1)) return false;
      stack_.push_back(stack_.back());
      return true;
    case Op::kPop:
      if (!Need(instruction, 1)) return false;
      stack_.pop_back();
      return true;
    case Op::kSwap:
      if (!Need(instruction, 2)) return false;
      std::swap(stack_[stack_.size() - 1], stack_[stack_.size() - 2]);
      return true;
    case Op::kClear:
      stack_.clear();
      return true;
    case Op::kJumpIfFalse: {
      double condition = 0;
      if (!PopNumber(instruction, &condition)) return false;
      if (condition == 0) *next = static_cast<size_t>(instruction.operand);
      return true;
    }
    case Op::kJump:
      *next = static_cast<size_t>(instruction.operand);
      return true;
    case Op::kQuit:
      *next = static_cast<size_t>(-1);
      return true;
    case Op::kConcatenate:
    case Op::kChr:
    case Op::kOrd:
    case Op::kLowerCase:
    case Op::kUpperCase:
    case Op::kCapitalize:
    case Op::kCompare:
    case Op::kCompareCaseless:
      return TextOperation(instruction);
    default:
      return Arithmetic(instruction);
  }
}

bool Interpreter::Read(const LoadedGauge& gauge, const Instruction& instruction) {
  const size_t index = static_cast<size_t>(instruction.operand);
  const Binding& binding = gauge.bindings[index];
  const Variable& variable = gauge.script->variables[index];
  if (binding.local != nullptr) {
    stack_.push_back(Number(*binding.local));
    return true;
  }
  switch (binding.resolution) {
    case hostsim::Resolution::kResolved:
      break;
    case hostsim::Resolution::kNoCallback:
      return Fail(instruction, "no callback is registered under '" + variable.callback + "'");
    case hostsim::Resolution::kNoGaugeCallback:
      return Fail(instruction, "the callback '" + variable.callback + "' gave no gauge callback");
    case hostsim::Resolution::kUnknownKeyword:
      return Fail(instruction, "the callback '" + variable.callback +
                                   "' does not know the keyword " + Quoted(variable.name.c_str()));
  }
  // A failed read leaves the module's default (1.0 or "null"), which is
  // what a gauge sees.
  if (variable.text_read) {
    const char* text = nullptr;
    binding.property.gauge.GetText(binding.property.id, &text);
    stack_.push_back(Text(text != nullptr ? text : ""));
  } else {
    double number = 0;
    binding.property.gauge.GetNumber(binding.property.id, &number);
    stack_.push_back(Number(number));
  }
  return true;
}

bool Interpreter::Write(const LoadedGauge& gauge, const Instruction& instruction) {
  const size_t index = static_cast<size_t>(instruction.operand);
  const Binding& binding = gauge.bindings[index];
  const Variable& variable = gauge.script->variables[index];
  if (binding.local != nullptr) {
    return PopNumber(instruction, binding.local);
  }
  if (!Need(instruction, 1)) return false;
  switch (binding.resolution) {
    case hostsim::Resolution::kResolved:
      break;
    case hostsim::Resolution::kNoCallback:
      return Fail(instruction, "no callback is registered under '" + variable.callback + "'");
    case hostsim::Resolution::kNoGaugeCallback:
      return Fail(instruction, "the callback '" + variable.callback + "' gave no gauge callback");
    case hostsim::Resolution::kUnknownKeyword:
      return Fail(instruction, "the callback '" + variable.callback +
                                   "' does not know the keyword " + Quoted(variable.name.c_str()));
  }
  Value value = std::move(stack_.back());
  stack_.pop_back();
  if (value.is_text) {
    // The module may keep the text (as an array's name): it must stay alive
    // until the module stops.
    if (value.owner != nullptr &&
        (handed_to_module_.empty() || handed_to_module_.back() != value.owner)) {
      handed_to_module_.push_back(value.owner);
    }
    binding.property.gauge.SetText(binding.property.id, value.text);
  } else {
    binding.property.gauge.SetNumber(binding.property.id, value.number);
  }
  return true;
}

bool Interpreter::Arithmetic(const Instruction& instruction) {
  const Op op = instruction.op;
  const bool unary = op == Op::kNegate || op == Op::kIncrement || op == Op::kDecrement ||
                     op == Op::kNot || op == Op::kAbs || op == Op::kInt || op == Op::kFloor ||
                     op == Op::kCeil || op == Op::kNear;
  if (!Need(instruction, unary ? 1 : 2)) return false;
  double b = 0;
  double a = 0;
  if (!PopNumber(instruction, &b)) return false;
  if (!unary && !PopNumber(instruction, &a)) return false;
  double result = 0;
  switch (op) {
    case Op::kAdd:
      result = a + b;
      break;
    case Op::kSubtract:
      result = a - b;
      break;
    case Op::kMultiply:
      result = a * b;
      break;
    case Op::kDivide:
    case Op::kRemainder:
      if (b == 0) return Fail(instruction, "division by zero");
      result = op == Op::kDivide ? a / b : std::fmod(a, b);
      break;
    case Op::kNegate:
      result = -b;
      break;
    case Op::kIncrement:
      result = b + 1;
      break;
    case Op::kDecrement:
      result = b - 1;
      break;
    case Op::kEqual:
      result = a == b;
      break;
    case Op::kNotEqual:
      result = a != b;
      break;
    case Op::kGreater:
      result = a > b;
      break;
    case Op::kLess:
      result = a < b;
      break;
    case Op::kGreaterEqual:
      result = a >= b;
      break;
    case Op::kLessEqual:
      result = a <= b;
      break;
    case Op::kAnd:
      result = a != 0 && b != 0;
      break;
    case Op::kOr:
      result = a != 0 || b != 0;
      break;
    case Op::kNot:
      result = b == 0;
      break;
    case Op::kAbs:
      result = std::fabs(b);
      break;
    case Op::kInt:
      result = std::trunc(b);
      break;
    case Op::kFloor:
      result = std::floor(b);
      break;
    case Op::kCeil:
      result = std::ceil(b);
      break;
    case Op::kNear:
      result = std::round(b);
      break;
    case Op::kMin:
      result = std::fmin(a, b);
      break;
    case Op::kMax:
      result = std::fmax(a, b);
      break;
    default:
      return Fail(instruction, "internal error: '" + instruction.spelling + "'");
  }
  stack_.push_back(Number(result));
  return true;
}

bool Interpreter::TextOperation(const Instruction& instruction) {
  const Op op = instruction.op;
  if (op == Op::kChr) {
    double code = 0;
    if (!PopNumber(instruction, &code)) return false;
    if (!(code >= 1 && code <= 255) || code != std::trunc(code)) {
      return Fail(instruction,
                  "'chr' needs a character code from 1 to 255, found " + FormatNumber(code));
    }
    stack_.push_back(Text(std::string(1, static_cast<char>(static_cast<unsigned char>(code)))));
    return true;
  }
  const bool binary = op == Op::kConcatenate || op == Op::kCompare || op == Op::kCompareCaseless;
  if (!Need(instruction, binary ? 2 : 1)) return false;
  Value second;
  Value first;
  if (!PopText(instruction, &second)) return false;
  if (binary && !PopText(instruction, &first)) return false;
  std::string text = second.text;
  switch (op) {
    case Op::kConcatenate: {
      const size_t first_length = std::strlen(first.text);
      if (first_length + text.size() > kMaxTextLength) {
        return Fail(instruction, "'scat' would make a text longer than " +
                                     std::to_string(kMaxTextLength) + " characters");
      }
      stack_.push_back(Text(first.text + text));
      return true;
    }
    case Op::kCompare:
    case Op::kCompareCaseless: {
      std::string left = first.text;
      if (op == Op::kCompareCaseless) {
        left = vellomar::FoldAscii(left);
        text = vellomar::FoldAscii(text);
      }
      stack_.push_back(Number(CompareTexts(left, text)));
      return true;
    }
    case Op::kOrd:
      stack_.push_back(Number(static_cast<unsigned char>(text.empty() ? 0 : text[0])));
      return true;
    case Op::kLowerCase:
      for (char& c : text) c = LowerCase(c);
      break;
    case Op::kUpperCase:
      for (char& c : text) c = UpperCase(c);
      break;
    case Op::kCapitalize:
      for (size_t i = 0; i < text.size(); ++i)
        text[i] = i == 0 ? UpperCase(text[i]) : LowerCase(text[i]);
      break;
    default:
      return Fail(instruction, "internal error: '" + instruction.spelling + "'");
  }
  stack_.push_back(Text(std::move(text)));
  return true;
}

}  // namespace runner
