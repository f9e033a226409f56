// The scenario's [[expect]] tables checked against a gauge run: after each
// frame an expectation names, what the panel showed (texts by element),
// values of variables as scripts read them, the K: events fired, and the
// module's storage read through the module. A run without expectations
// asks only `Wanted(frame)` of it, which is one comparison.
//
// Each check that fails is an error at its place in the scenario, with the
// frame, what was expected and what the gauge gave. An expectation is met
// when all its checks hold; one whose frame the run does not reach fails.
#ifndef VELLOMAR_RUNNER_CLI_EXPECTATIONS_H_
#define VELLOMAR_RUNNER_CLI_EXPECTATIONS_H_

#include <string>
#include <vector>

#include "hostsim/session.h"
#include "runner/aircraft/scenario.h"
#include "runner/aircraft/sim_state.h"
#include "runner/base/diagnostics.h"
#include "runner/gauges/panel.h"
#include "runner/language/engine.h"

namespace runner {

class Expectations {
 public:
  // None is owned; all must outlive the checker.
  Expectations(const Scenario* scenario, Panel* panel, const Engine* engine, const SimState* sim,
               const hostsim::Session* session, Diagnostics* diagnostics);

  // Finds the elements and variables the expectations name, once the
  // gauges are loaded and the scenario started. False with the first name
  // that nothing has (a scenario error at its place).
  bool Prepare(Diagnostic* problem);

  // Whether frame `frame` has expectations; if so, before it runs, makes the
  // panel keep its element states.
  bool Before(int frame);
  // Checks the expectations of `frame` against what it did.
  void Check(int frame, const std::vector<GaugeFrame>& gauges);
  // After the last frame `last`: the expectations of frames not reached fail.
  void Finish(int last);

  int checked() const { return checked_; }
  int met() const { return met_; }

  // Writes every expectation as a JUnit test case to `path`; false with the
  // reason.
  bool WriteJunit(const std::string& path, const std::string& suite, std::string* problem) const;

 private:
  struct Result {
    bool done = false;
    std::vector<std::string> failures;
  };
  struct TextElement {
    int gauge = 0;
    int element = 0;  // in GaugeFrame::elements
  };

  void Fail(size_t expectation, const Place& place, const std::string& message, int frame);
  std::string ReadValue(const Expectation::Variable& check, double tolerance, bool* holds) const;

  const Scenario* scenario_;
  Panel* panel_;
  const Engine* engine_;
  const SimState* sim_;
  const hostsim::Session* session_;
  Diagnostics* diagnostics_;
  std::vector<size_t> order_;                       // expectations by frame
  size_t next_ = 0;                                 // in order_: the first not checked yet
  std::vector<std::vector<TextElement>> elements_;  // per expectation, per text check
  std::vector<Result> results_;
  bool kept_elements_ = false;  // the panel kept them before (pictures)
  int checked_ = 0;
  int met_ = 0;
};

}  // namespace runner

#endif  // VELLOMAR_RUNNER_CLI_EXPECTATIONS_H_
