#include "runner/cli/workbench.h"

#include <algorithm>
#include <utility>

#include "runner/base/files.h"

namespace runner {

namespace {

// A --set or --click the run cannot take is a mistake on the command line,
// answered as the other options' are.
int CommandLineMistake(std::ostream& err, const std::string& problem) {
  WriteMessage(err, problem);
  err << "see 'vellomar-run --help'\n";
  return 2;
}

}  // namespace

Workbench::Workbench(std::ostream* messages) : diagnostics_(messages) {}

Workbench::~Workbench() { Release(); }

int Workbench::ReadScenario(const Options& options, std::ostream& err) {
  if (!options.sim.empty()) {
    std::string contents;
    Diagnostic problem;
    if (!ReadRegularFile(options.sim, &contents, &problem) ||
        !ParseScenario(options.sim, contents, &scenario_, &problem)) {
      WriteMessage(err, FormatDiagnostic(problem));
      return 1;
    }
  }
  std::string problem;
  for (const std::string& set : options.sets) {
    Assignment assignment;
    if (!ParseSetOption(set, &assignment, &problem)) return CommandLineMistake(err, problem);
    scenario_.initial.push_back(std::move(assignment));
  }
  frames_ = options.frames_given ? options.frames : scenario_.LastFrame();
  for (const std::string& text : options.clicks) {
    ClickRequest click;
    if (!ParseClickOption(text, &click, &problem)) return CommandLineMistake(err, problem);
    // A scenario may run longer than this run; a click asked for here must
    // happen.
    if (!options.frames_given) frames_ = std::max(frames_, click.frame);
    if (click.frame > frames_) {
      return CommandLineMistake(
          err, "--click '" + text + "': frame " + std::to_string(click.frame) +
                   " is after the last frame (--frames " + std::to_string(options.frames) + ")");
    }
    scenario_.clicks.push_back(std::move(click));
  }
  // What a shorter run leaves out is said, at its place.
  const std::string last = " the last frame (--frames " + std::to_string(frames_) + ")";
  for (const Scenario::At& at : scenario_.entries) {
    if (at.frame > frames_) {
      diagnostics_.Report(MakeDiagnostic(
          Severity::kWarning, at.place,
          "[[at]] frame " + std::to_string(at.frame) + " is after" + last + ": it is not reached"));
    } else if (at.until > frames_) {
      diagnostics_.Report(
          MakeDiagnostic(Severity::kWarning, at.place,
                         "its ramps end at frame " + std::to_string(at.until) + ", after" + last));
    }
  }
  return 0;
}

bool Workbench::Open(const std::string& path, std::string* problem) {
  if (!session_.Load(path, problem)) return false;
  std::string not_started;
  session_.Start(0, &not_started);
  engine_ = std::make_unique<Engine>(&session_.host(), &sim_, &diagnostics_);
  WriteLocals();
  return true;
}

void Workbench::OpenWithoutModule() {
  engine_ = std::make_unique<Engine>(nullptr, &sim_, &diagnostics_);
  WriteLocals();
}

void Workbench::WriteLocals() {
  Engine* engine = engine_.get();
  player_.set_local_writer([engine](const Assignment& assignment) {
    engine->SetLocal(assignment.variable.name, assignment.variable.unit, assignment.number);
  });
}

void Workbench::StartScenario() { player_.Start(); }

void Workbench::BeginFrame(int frame) {
  diagnostics_.set_frame(frame);
  engine_->set_frame(frame);
  player_.BeforeFrame(frame);
}

void Workbench::EndFrame() { engine_->AfterFrame(); }
void Workbench::EndFrames() { diagnostics_.set_frame(0); }

void Workbench::Release() {
  EndFrames();
  if (engine_ != nullptr) engine_->ReleaseGauges();
  session_.Stop();
  engine_.reset();
  session_.Unload();
}

bool Workbench::Close(std::ostream& out, std::ostream& err) {
  Release();
  out.flush();
  if (out) return true;
  WriteMessage(err, "cannot write the output (disk full?)");
  written_ = false;
  return false;
}

int Workbench::ExitStatus(bool strict, int failures) const {
  const bool failing = !written_ || failures > 0 || diagnostics_.errors() > 0 ||
                       (strict && diagnostics_.warnings() > 0);
  return failing ? 1 : 0;
}

}  // namespace runner
