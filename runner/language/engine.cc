#include "runner/language/engine.h"

#include <array>
#include <map>
#include <set>
#include <utility>

#include "common/ascii_case.h"
#include "hostsim/gauge.h"
#include "hostsim/session.h"
#include "runner/language/compiler.h"
#include "runner/language/interpreter.h"
#include "runner/language/lexer.h"
#include "runner/language/templates.h"

namespace runner {

namespace {

struct GaugeState {
  std::string name;
  std::unique_ptr<hostsim::Gauge> module_gauge;
  std::array<NumberVariable, 9> variables;
  std::set<std::string> warned_once;
};

}  // namespace

struct Engine::State {
  const hostsim::Host* host = nullptr;
  SimState* sim = nullptr;
  Diagnostics* diagnostics = nullptr;
  std::vector<std::unique_ptr<GaugeState>> gauges;
  std::map<std::string, std::unique_ptr<NumberVariable>> locals;
  std::vector<std::unique_ptr<Script>> scripts;
  std::vector<std::unique_ptr<Template>> templates;
  std::vector<std::vector<NumberVariable*>> changes;
  // Keeps the texts written where the module keeps them (array names): freed
  // with the Engine, which its owner destroys after the module has stopped.
  std::unique_ptr<ModuleChecks> module;
  int32_t creation_ids[2] = {-1, -1};
  Stack stack;

  CompileTarget Target(int gauge) {
    GaugeState& state = *gauges.at(static_cast<size_t>(gauge));
    CompileTarget target;
    target.gauge = gauge;
    target.host = host;
    target.module_gauge = state.module_gauge.get();
    target.sim = sim;
    target.locals = &locals;
    target.gauge_variables = &state.variables;
    target.creation_ids[0] = creation_ids[0];
    target.creation_ids[1] = creation_ids[1];
    target.diagnostics = diagnostics;
    target.warned_once = &state.warned_once;
    return target;
  }
  // A run of a watched script, or an expansion of a watched template: apart,
  // and never inlined, so that the runs nobody watches carry none of it.
  __attribute__((noinline)) bool RunWatched(int frame, Script* script, Value* result,
                                            bool* left_value) {
    stack.Clear();
    stack.last = Value();
    RunContext context = Context(frame);
    context.observer = script->observer;
    context.observer->Begin();
    const bool ok = ExecuteObserved(script, &stack, &context);
    context.observer->End(ok, stack, nullptr);
    *left_value = ok && !stack.empty();
    *result = ok ? stack.Top() : Value();
    stack.Clear();
    return ok;
  }
  __attribute__((noinline)) bool RenderWatched(int frame, Template* text_template,
                                               std::string* text) {
    RunContext context = Context(frame);
    context.observer = text_template->observer;
    context.observer->Begin();
    const bool ok = RenderTemplateObserved(text_template, text, &context);
    if (!ok) text->clear();
    context.observer->End(ok, Stack(), text);
    return ok;
  }
  RunContext Context(int frame) {
    RunContext context;
    context.sim = sim;
    context.diagnostics = diagnostics;
    context.frame = frame;
    context.changes = &changes;
    context.module = module.get();
    return context;
  }
};

Engine::Engine(const hostsim::Host* host, SimState* sim, Diagnostics* diagnostics)
    : state_(std::make_unique<State>()) {
  state_->host = host;
  state_->sim = sim;
  state_->diagnostics = diagnostics;
  state_->module = std::make_unique<ModuleChecks>(host, diagnostics);
  if (host != nullptr) {
    // The module keeps the text written to these two as the array's name.
    const hostsim::PanelObject panel = host->Registered(hostsim::kCallbackName);
    if (panel) {
      panel.ConvertStringToProperty("CreateNumberArray", &state_->creation_ids[0]);
      panel.ConvertStringToProperty("CreateStringArray", &state_->creation_ids[1]);
    }
  }
}

Engine::~Engine() {
  ReleaseGauges();
  // The stack and registers may hold texts the module was given; they go
  // with the scripts, before the kept texts.
  state_->stack.Clear();
  state_->templates.clear();
  state_->scripts.clear();
}

int Engine::AddGauge(const std::string& name) {
  auto gauge = std::make_unique<GaugeState>();
  gauge->name = name;
  const int number = static_cast<int>(state_->gauges.size());
  if (state_->host != nullptr) {
    gauge->module_gauge =
        std::make_unique<hostsim::Gauge>(state_->host, static_cast<uint32_t>(number + 1));
  }
  for (size_t i = 0; i < gauge->variables.size(); ++i) {
    gauge->variables[i].name = "G:Var" + std::to_string(i + 1);
  }
  state_->gauges.push_back(std::move(gauge));
  state_->changes.resize(state_->gauges.size());
  return number;
}

Script* Engine::CompileScript(int gauge, const std::string& text, const Place& start,
                              const std::string& site, std::shared_ptr<const SourceMap> source) {
  auto script = std::make_unique<Script>();
  script->registers = std::make_shared<Registers>();
  script->info = std::make_shared<SiteInfo>();
  script->info->file = start.file;
  script->info->site = site;
  script->info->source = std::move(source);
  CompileTarget target = state_->Target(gauge);
  if (!CompileText(text, start.line, start.column, &target, script.get())) return nullptr;
  state_->scripts.push_back(std::move(script));
  return state_->scripts.back().get();
}

bool Engine::CompileExpressions(int gauge, const std::string& text, const Place& start,
                                const std::string& site, std::vector<Script*>* expressions) {
  auto info = std::make_shared<SiteInfo>();
  info->file = start.file;
  info->site = site;
  std::vector<Token> tokens;
  std::vector<Diagnostic> lex_errors;
  LexOptions options;
  options.hash_comments = true;
  options.decode_entities = true;
  std::vector<Diagnostic> warnings;
  options.warnings = &warnings;
  bool loaded = Lex(text, start, options, &tokens, &lex_errors);
  for (Diagnostic& error : lex_errors) error.site = site;
  for (Diagnostic& warning : warnings) {
    warning.site = site;
    state_->diagnostics->Report(warning);
  }
  // Every fault of the file is told, in file order: the lexer's as the
  // expressions they stand in or before come, then each expression's own.
  size_t next_error = 0;
  const auto report_before = [&](int line, int column) {
    for (; next_error < lex_errors.size(); ++next_error) {
      const Place& place = lex_errors[next_error].place;
      if (place.line > line || (place.line == line && place.column >= column)) break;
      state_->diagnostics->Report(lex_errors[next_error]);
    }
  };
  const int errors_at_start = state_->diagnostics->errors();
  const auto room_left = [&] {
    return state_->diagnostics->errors() - errors_at_start < static_cast<int>(kMaxLoadErrors);
  };
  // A fault after the last token stopped the lexer (a text without its
  // end...): the last expression may be cut short, and is not compiled.
  const bool cut = !lex_errors.empty() && !tokens.empty() &&
                   (lex_errors.back().place.line > tokens.back().line ||
                    (lex_errors.back().place.line == tokens.back().line &&
                     lex_errors.back().place.column > tokens.back().column));
  auto registers = std::make_shared<Registers>();
  CompileTarget target = state_->Target(gauge);
  size_t begin = 0;
  int depth = 0;
  bool bad = false;  // the expression being read has a token that did not lex
  for (size_t i = 0; i <= tokens.size(); ++i) {
    if (i == tokens.size()) bad = bad || cut;
    if (i > begin &&
        (i == tokens.size() || (depth <= 0 && tokens[i].line > tokens[i - 1].end_line &&
                                !tokens[i].after_long_comment))) {
      report_before(tokens[begin].line, tokens[begin].column);
      if (i < tokens.size()) {
        report_before(tokens[i].line, tokens[i].column);
      } else {
        report_before(tokens[i - 1].end_line + 1, 1);
      }
      if (!bad && room_left()) {
        auto script = std::make_unique<Script>();
        script->registers = registers;
        script->info = std::make_shared<SiteInfo>(*info);
        if (CompileTokens(tokens, begin, i, &target, script.get())) {
          expressions->push_back(script.get());
          state_->scripts.push_back(std::move(script));
        } else {
          loaded = false;
        }
      }
      begin = i;
      depth = 0;
      bad = false;
    }
    if (i == tokens.size()) break;
    const Token& token = tokens[i];
    bad = bad || token.bad;
    if (token.kind == TokenKind::kWord && !token.bad) {
      if (token.opcode == Opcode::kIf || token.opcode == Opcode::kElse) ++depth;
      if (token.opcode == Opcode::kEnd) --depth;
    }
  }
  for (; next_error < lex_errors.size(); ++next_error) {
    state_->diagnostics->Report(lex_errors[next_error]);
  }
  return loaded;
}

Template* Engine::CompileTemplate(int gauge, const std::string& text, const Place& start,
                                  const std::string& site, bool multiline,
                                  std::shared_ptr<const SourceMap> source) {
  auto compiled = std::make_unique<Template>();
  compiled->registers = std::make_shared<Registers>();
  compiled->info = std::make_shared<SiteInfo>();
  compiled->info->file = start.file;
  compiled->info->site = site;
  compiled->info->source = std::move(source);
  CompileTarget target = state_->Target(gauge);
  if (!runner::CompileTemplate(text, start.line, start.column, multiline, &target,
                               compiled.get())) {
    return nullptr;
  }
  state_->templates.push_back(std::move(compiled));
  return state_->templates.back().get();
}

int Engine::ScriptCount(const Template& text) { return static_cast<int>(text.scripts.size()); }

bool Engine::Run(Script* script, Value* result) {
  bool left_value = false;
  return Run(script, result, &left_value);
}

bool Engine::Run(Script* script, Value* result, bool* left_value) {
  if (script->observer != nullptr) return state_->RunWatched(frame_, script, result, left_value);
  Stack& stack = state_->stack;
  stack.Clear();
  stack.last = Value();
  RunContext context = state_->Context(frame_);
  const bool ok = Execute(script, &stack, &context);
  *left_value = ok && !stack.empty();
  *result = ok ? stack.Top() : Value();
  stack.Clear();
  return ok;
}

bool Engine::Render(Template* text_template, std::string* text) {
  if (text_template->observer != nullptr) return state_->RenderWatched(frame_, text_template, text);
  RunContext context = state_->Context(frame_);
  if (RenderTemplate(text_template, text, &context)) return true;
  text->clear();
  return false;
}

void Engine::Watch(Script* script, RunObserver* observer) { script->observer = observer; }

void Engine::Watch(Template* text_template, RunObserver* observer) {
  text_template->observer = observer;
}

void Engine::SetMouse(const std::string& event, double x, double y) {
  SimState& sim = *state_->sim;
  sim.SetText(sim.Find('M', "", "Event", 0), event);
  sim.Set(sim.Find('M', "", "X", 0), nullptr, x);
  sim.Set(sim.Find('M', "", "Y", 0), nullptr, y);
}

std::vector<VariableChange> Engine::TakeChanges(int gauge) {
  std::vector<VariableChange> changes;
  const size_t index = static_cast<size_t>(gauge);
  if (index >= state_->changes.size()) return changes;
  for (NumberVariable* variable : state_->changes[index]) {
    changes.push_back({variable->name, variable->value, variable->unit, variable->written});
    variable->pending[index] = false;
  }
  state_->changes[index].clear();
  return changes;
}

void Engine::AfterFrame() { state_->module->AfterFrame(frame_); }

void Engine::SetLocal(const std::string& name, const Unit* unit, double value) {
  auto& slot = state_->locals[vellomar::FoldAscii(name)];
  if (!slot) {
    slot = std::make_unique<NumberVariable>();
    slot->name = "L:" + name;
  }
  slot->unit = unit != nullptr ? unit : &NumberUnit();
  slot->written = value;
  slot->value = ToBase(*slot->unit, value);
}

const NumberVariable* Engine::FindLocal(const std::string& name) const {
  const auto found = state_->locals.find(vellomar::FoldAscii(name));
  return found != state_->locals.end() ? found->second.get() : nullptr;
}

void Engine::ReleaseGauges() {
  for (auto& gauge : state_->gauges) gauge->module_gauge.reset();
}

}  // namespace runner
