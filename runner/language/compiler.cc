#include "runner/language/compiler.h"

#include <utility>

#include "common/ascii_case.h"
#include "hostsim/session.h"
#include "runner/aircraft/variable_name.h"
#include "runner/base/text.h"

namespace runner {

namespace {

class Compiler {
 public:
  Compiler(CompileTarget* target, Script* script) : target_(target), script_(script) {}
  bool Compile(const std::vector<Token>& tokens, size_t begin, size_t end);

 private:
  bool Error(const Token& token, const std::string& message) {
    ReportAt(target_->diagnostics, *script_->info, Severity::kError, token.line, token.column,
             message, token.origin);
    return false;
  }
  void Warning(const Token& token, const std::string& message) {
    ReportAt(target_->diagnostics, *script_->info, Severity::kWarning, token.line, token.column,
             message, token.origin);
  }
  bool CheckBlocks(const std::vector<Token>& tokens, size_t begin, size_t end);
  bool CompileVariable(const Token& token, Instruction* instruction);
  bool BindVariable(const Token& token, Binding* binding);

  CompileTarget* target_;
  Script* script_;
};

bool Compiler::CheckBlocks(const std::vector<Token>& tokens, size_t begin, size_t end) {
  std::vector<size_t> open;
  for (size_t i = begin; i < end; ++i) {
    const Token& token = tokens[i];
    if (token.kind == TokenKind::kLabel || token.kind == TokenKind::kGoto) {
      script_->token_by_token = true;
    }
    if (token.kind != TokenKind::kWord) continue;
    if (token.opcode == Opcode::kIf || token.opcode == Opcode::kElse) {
      open.push_back(i);
      if (token.opcode == Opcode::kElse && (i == begin || tokens[i - 1].kind != TokenKind::kWord ||
                                            tokens[i - 1].opcode != Opcode::kEnd)) {
        Warning(token,
                "els{ does not follow the } of a block: it runs when the last block closed "
                "did not run");
      }
    } else if (token.opcode == Opcode::kEnd) {
      if (open.empty()) {
        // The simulator's block algorithm ignores a } at depth 0; several of
        // its own default gauges have one after a finished block.
        Warning(token, "} without an if{ or els{ to close: ignored, as the simulator does");
        script_->token_by_token = true;
      } else {
        open.pop_back();
      }
    }
  }
  if (!open.empty()) {
    // Runs as the simulator runs it: a block that fails its condition skips
    // the rest of the script.
    const Token& token = tokens[open.back()];
    Warning(token,
            token.spelling + " without a closing }: its block runs to the end of the script");
    script_->token_by_token = true;
  }
  return true;
}

bool Compiler::Compile(const std::vector<Token>& tokens, size_t begin, size_t end) {
  if (!CheckBlocks(tokens, begin, end)) return false;
  std::vector<size_t> open;  // instructions of the if{ and els{ not yet closed
  bool loaded = true;
  size_t errors = 0;
  for (size_t i = begin; i < end; ++i) {
    const Token& token = tokens[i];
    Instruction instruction;
    switch (token.kind) {
      case TokenKind::kNumber:
        instruction.op = Opcode::kPushNumber;
        instruction.number = token.number;
        instruction.integer = token.integer;
        break;
      case TokenKind::kText:
        instruction.op = Opcode::kPushText;
        instruction.operand = static_cast<int32_t>(script_->texts.size());
        script_->texts.push_back(Value::Text(token.text));
        break;
      case TokenKind::kRegister:
        instruction.op = token.opcode;
        instruction.operand = token.index;
        if (token.index >= kRegisterCount) {
          Warning(token, "register " + std::to_string(token.index) +
                             " does not exist (registers are 0 to 49): " +
                             (token.opcode == Opcode::kLoad ? "it reads 0" : "nothing is stored"));
        }
        break;
      case TokenKind::kLabel:
      case TokenKind::kGoto:
        instruction.op = token.kind == TokenKind::kLabel ? Opcode::kLabel : Opcode::kGoto;
        instruction.operand = token.index;
        break;
      case TokenKind::kVariable:
        // The script does not load, but its other variables are still
        // looked at, so that every fault is told at once.
        if (!CompileVariable(token, &instruction)) {
          loaded = false;
          if (++errors >= kMaxLoadErrors) return false;
        }
        break;
      case TokenKind::kWord:
        instruction.op = token.opcode;
        if (token.opcode == Opcode::kIf || token.opcode == Opcode::kElse) {
          open.push_back(script_->code.size());
        } else if (token.opcode == Opcode::kEnd && !open.empty()) {
          // Both jump past this }. (Unbalanced blocks run token by token,
          // which reads no jump targets.)
          script_->code[open.back()].operand = static_cast<int32_t>(script_->code.size() + 1);
          open.pop_back();
        }
        break;
    }
    script_->code.push_back(instruction);
    script_->places.push_back({token.line, token.column, token.origin});
    script_->spellings.push_back(token.spelling);
  }
  return loaded;
}

bool Compiler::CompileVariable(const Token& token, Instruction* instruction) {
  Binding binding;
  if (!BindVariable(token, &binding)) return false;
  instruction->op = token.write ? Opcode::kWrite : Opcode::kRead;
  if (binding.kind == Binding::Kind::kResource) {
    // A resource id reads as its own text: a constant.
    instruction->op = Opcode::kPushText;
    instruction->operand = static_cast<int32_t>(script_->texts.size());
    script_->texts.push_back(Value::Text(binding.name));
    return true;
  }
  instruction->operand = static_cast<int32_t>(script_->bindings.size());
  script_->bindings.push_back(std::move(binding));
  return true;
}

bool Compiler::BindVariable(const Token& token, Binding* binding) {
  binding->name = token.spelling;
  if (!token.write && !token.text.empty() && token.text[0] == '>') {
    // Only a '>' right after the '(' makes a write; the simulator reads
    // "(> L:x)" as a variable of that name, which it does not know.
    const std::string written(Trim(std::string_view(token.text).substr(1)));
    Warning(token, "'" + token.spelling +
                       "' is not a write (a blank after '>'): it reads 0; write (>" + written +
                       ")");
    binding->kind = Binding::Kind::kNothing;
    binding->quiet = true;
    return true;
  }
  VariableName variable;
  VariableNameError error = VariableNameError::kNone;
  ParseVariableName(token.text, &variable, &error);
  const char kind = variable.kind;
  switch (error) {
    case VariableNameError::kNone:
      break;
    case VariableNameError::kNoKind:
      return Error(token,
                   "expected (X:NAME) or (X:NAME, unit) with X one of A C E G K L M P R, "
                   "found '" +
                       token.spelling + "'");
    case VariableNameError::kNoName:
      return Error(token, std::string("variable name missing after ") + kind + ":");
    case VariableNameError::kNoUnit:
      return Error(token, "units missing after ','");
    case VariableNameError::kNoProperty:
      return Error(token, "expected (C:CALLBACK:Property), found '" + token.spelling + "'");
    case VariableNameError::kNoCallback:
      return Error(token, "callback name missing in C:");
    case VariableNameError::kNoPropertyName:
      return Error(token, "property name missing in C:" + variable.callback + ":");
  }
  const std::string& name = variable.name;
  const bool has_unit = variable.has_unit;
  const std::string& unit_name = variable.unit_name;
  const Unit* unit = &NumberUnit();
  if (has_unit) {
    unit = variable.unit;
    if (unit == nullptr) {
      Warning(token, "unknown unit '" + unit_name + "': read as a number (factor 1)");
      unit = &NumberUnit();
    }
  }
  binding->unit = unit;
  binding->unit_name = unit_name;
  binding->text = !token.write && unit->dimension == Dimension::kText;
  const auto read_only = [&] {
    if (token.write) {
      Warning(token, std::string(1, kind) + ": variables cannot be written: the value is dropped");
      binding->kind = Binding::Kind::kNothing;
      binding->quiet = true;
    }
  };

  switch (kind) {
    case 'A':
    case 'E':
    case 'P':
    case 'M': {
      if (kind != 'M' && !has_unit && !token.write) {
        Warning(token, std::string(1, kind) + ": variables need units: this read gives 0");
        binding->kind = Binding::Kind::kNothing;
        binding->quiet = true;
        return true;
      }
      binding->kind = Binding::Kind::kSim;
      binding->sim = target_->sim->Find(kind, "", name, variable.index);
      if (kind == 'M') {
        read_only();
      } else if (token.write &&
                 (target_->warned_once == nullptr ||
                  target_->warned_once->insert(std::string("write ") + kind).second)) {
        Warning(token, std::string(1, kind) +
                           ": variables are not set by gauges: the simulator changes its aircraft "
                           "through K: events and may ignore this write; the workbench sets the "
                           "simulated value (warned once per file)");
      }
      return true;
    }
    case 'L': {
      if (unit->dimension == Dimension::kText) {
        Warning(token, "L: variables hold numbers: the unit '" + unit_name + "' is read as number");
        binding->unit = &NumberUnit();
        binding->text = false;
      }
      auto& slot = (*target_->locals)[vellomar::FoldAscii(name)];
      if (!slot) {
        slot = std::make_unique<NumberVariable>();
        slot->name = "L:" + name;
      }
      binding->kind = Binding::Kind::kNumber;
      binding->number = slot.get();
      return true;
    }
    case 'G': {
      const std::string folded = vellomar::FoldAscii(name);
      if (folded.size() != 4 || folded.compare(0, 3, "var") != 0 || folded[3] < '1' ||
          folded[3] > '9') {
        return Error(token, "unknown gauge variable 'G:" + name + "': only G:Var1 to G:Var9 exist");
      }
      binding->kind = Binding::Kind::kNumber;
      binding->unit = &NumberUnit();
      binding->text = false;
      binding->number = &(*target_->gauge_variables)[static_cast<size_t>(folded[3] - '1')];
      return true;
    }
    case 'K':
      if (!token.write) {
        return Error(token, "K: events can only be fired: write (>K:" + name + ")");
      }
      binding->kind = Binding::Kind::kEvent;
      binding->name = name;
      return true;
    case 'R':
      if (token.write) {
        read_only();
        return true;
      }
      binding->kind = Binding::Kind::kResource;
      binding->name = name;
      return true;
    case 'C': {
      const std::string& callback = variable.callback;
      const std::string& property = variable.property;
      const hostsim::PanelObject panel =
          target_->host != nullptr && target_->module_gauge != nullptr
              ? target_->host->Registered(callback)
              : hostsim::PanelObject();
      if (!panel) {
        binding->kind = Binding::Kind::kSim;
        binding->sim = target_->sim->Find('C', callback, name, variable.index);
        return true;
      }
      binding->kind = Binding::Kind::kModule;
      switch (target_->module_gauge->Resolve(callback, property, &binding->property)) {
        case hostsim::Resolution::kResolved:
          break;
        case hostsim::Resolution::kNoCallback:
        case hostsim::Resolution::kNoGaugeCallback:
          Warning(token, "the callback '" + callback +
                             "' gave no gauge callback: reads give 0, writes are dropped");
          binding->kind = Binding::Kind::kNothing;
          binding->quiet = true;
          return true;
        case hostsim::Resolution::kUnknownKeyword:
          Warning(token, "the callback '" + callback + "' does not know the property '" +
                             property.substr(0, 40) + (property.size() > 40 ? "...'" : "'") +
                             ": reads give 0, writes are dropped");
          binding->kind = Binding::Kind::kNothing;
          binding->quiet = true;
          return true;
      }
      if (token.write) {
        binding->keep_text =
            vellomar::FoldAscii(callback) == vellomar::FoldAscii(hostsim::kCallbackName) &&
            (binding->property.id == target_->creation_ids[0] ||
             binding->property.id == target_->creation_ids[1]);
      } else if (!has_unit) {
        // The property's own units decide: a number when the module gives
        // the code the host has for a number unit, a text otherwise.
        int32_t code = 0;
        if (panel.GetPropertyUnits(binding->property.id, &code)) {
          bool number = false;
          for (const char* unit_code_name : {"number", "numbers", "enum", "bool"}) {
            int32_t number_code = 0;
            number = number || (target_->host->units().Find(unit_code_name, &number_code) &&
                                code == number_code);
          }
          binding->text = !number;
        }
      }
      return true;
    }
    default:
      return Error(token, std::string("unknown variable kind '") + variable.written[0] +
                              ":' (known: A C E G K L M P R)");
  }
}

}  // namespace

void ReportAt(Diagnostics* diagnostics, const SiteInfo& info, Severity severity, int line,
              int column, const std::string& message, int origin) {
  diagnostics->Report(MakeDiagnostic(severity, Place{info.file, line, column},
                                     message + info.Note(origin), info.site));
}

bool CompileTokens(const std::vector<Token>& tokens, size_t begin, size_t end,
                   CompileTarget* target, Script* script) {
  script->gauge = target->gauge;
  return Compiler(target, script).Compile(tokens, begin, end);
}

bool CompileText(std::string_view text, int line, int column, CompileTarget* target, Script* script,
                 size_t source_offset) {
  std::vector<Token> tokens;
  Diagnostic error;
  LexOptions options;
  options.source = script->info->source.get();
  options.source_offset = source_offset;
  if (!Lex(text, Place{script->info->file, line, column}, options, &tokens, &error)) {
    error.site = script->info->site;
    target->diagnostics->Report(error);
    return false;
  }
  return CompileTokens(tokens, 0, tokens.size(), target, script);
}

}  // namespace runner
