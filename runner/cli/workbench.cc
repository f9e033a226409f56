#include "runner/cli/workbench.h"

#include <utility>

#include "runner/base/files.h"

namespace runner {

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
    if (!ParseSetOption(set, &assignment, &problem)) {
      WriteMessage(err, problem);
      return 2;
    }
    scenario_.initial.push_back(std::move(assignment));
  }
  for (const std::string& text : options.clicks) {
    ClickRequest click;
    if (!ParseClickOption(text, &click, &problem)) {
      WriteMessage(err, problem);
      return 2;
    }
    // A scenario may run longer than this run; a click asked for here must
    // happen.
    if (click.frame > options.frames) {
      WriteMessage(err, "--click '" + text + "': frame " + std::to_string(click.frame) +
                            " is after the last frame (--frames " + std::to_string(options.frames) +
                            ")");
      return 2;
    }
    scenario_.clicks.push_back(std::move(click));
  }
  return 0;
}

bool Workbench::Open(const std::string& path, std::string* problem) {
  if (!session_.Load(path, problem)) return false;
  std::string not_started;
  session_.Start(0, &not_started);
  engine_ = std::make_unique<Engine>(&session_.host(), &sim_, &diagnostics_);
  return true;
}

void Workbench::OpenWithoutModule() {
  engine_ = std::make_unique<Engine>(nullptr, &sim_, &diagnostics_);
}

void Workbench::StartScenario() { player_.Start(); }

void Workbench::BeginFrame(int frame) {
  diagnostics_.set_frame(frame);
  engine_->set_frame(frame);
  player_.BeforeFrame(frame);
}

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
