// Drives the loaded module through a substitute host and, side by side, the
// reference model, and reports the first difference between them.
//
// Every operation is one a host can make: start and stop, filling or clearing
// Panels, the panel callback's conversions, the gauge callback's property reads
// and writes, creating callback objects and counting references on them. Each
// compares the result and every out-parameter with the model's. CheckState()
// compares what the inspection exports show (max-vars, the array records and
// their contents) and the user variables and cursor values as the host reads
// them.
//
// The harness owns references to callback objects in a pool; operations pick
// one by a number taken modulo the pool's count of that kind, and do nothing
// when there is none. Besides the pool it keeps one panel and one gauge of its
// own for CheckState.
//
// Texts passed to the module must stay alive while it runs (array names are
// kept by address): the caller owns them until after Finish().
//
// Not thread-safe. One CheckedModule per Session at a time.
#ifndef VELLOMAR_TESTS_MODEL_CHECKED_MODULE_H_
#define VELLOMAR_TESTS_MODEL_CHECKED_MODULE_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "hostsim/host.h"
#include "hostsim/session.h"
#include "hostsim/slots.h"
#include "tests/module/model/reference_model.h"

namespace vellomar::model {

class CheckedModule {
 public:
  // `session` has the module loaded, not started through the session, and
  // outlives this object; the harness makes every start and stop itself, on
  // the session's host. The module must be stopped with empty storage (freshly
  // loaded, or after a Finish()).
  explicit CheckedModule(hostsim::Session* session);
  CheckedModule(const CheckedModule&) = delete;
  CheckedModule& operator=(const CheckedModule&) = delete;

  // Brings the module to a known state whatever the cursor values and
  // max-vars value were: started, storage empty, cursor values 0, max-vars 16,
  // one panel, one aircraft and one gauge in the pool.
  bool Begin();
  // Stops the module and drops every reference the harness holds; afterwards
  // every callback object must have been destroyed.
  bool Finish();

  // Module boundary. `through_linkage` calls start or stop as named in the
  // Linkage record, as a host loading a gauge module does.
  bool Start(bool through_linkage = false);
  bool Stop(bool through_linkage = false);
  bool SetPanelsFilled(bool filled);
  // Writes ImportTable's pointer: the host's table, or null.
  bool SetImportTable(bool known);
  bool SetHostNumberCode(int32_t code);

  // Callback objects. `pick` selects among the pool's objects of a kind.
  bool TakeRegisteredPanel();
  bool CreateAircraft(size_t pick, uint32_t container_id);
  bool CreateGauge(size_t pick);
  bool AddRef(size_t pick);   // any kind
  bool Release(size_t pick);  // any kind
  // GetVersion, QueryInterface, GetPropertyTable, Update, CreateGaugeCDrawable.
  bool FixedAnswers(size_t pick);

  // Panel conversions; `null_out` passes a null out-parameter.
  bool Resolve(size_t pick, const char* keyword, bool null_out);
  bool KeywordOf(size_t pick, int32_t id, bool null_out);
  bool UnitsOf(size_t pick, int32_t id, bool null_out);

  // Gauge properties.
  bool GetText(size_t pick, int32_t id, bool null_out);
  bool GetNumber(size_t pick, int32_t id, bool null_out);
  bool SetText(size_t pick, int32_t id, const char* value);
  bool SetNumber(size_t pick, int32_t id, double value);

  // Compares everything observable with the model. Element contents are
  // compared only with `contents`.
  bool CheckState(bool contents = true);

  // A text the module handed out (a value, an element, a keyword) that is
  // still valid, for passing back to it as a host may; null when none.
  const char* HandedOut(size_t pick) const;

  // The first difference found, or empty.
  const std::string& failure() const { return failure_; }
  // Distinct operations made so far, named by kind, id class and outcome.
  const std::set<std::string>& operations() const { return operations_; }
  const ReferenceModel& model() const { return model_; }
  size_t pool_size() const { return pool_.size(); }

 private:
  struct Reference {
    int object;  // model object number
  };

  bool Fail(const std::string& what);
  void Note(const std::string& operation, int32_t id, bool result);
  void* ObjectOf(int object) const { return objects_.at(object); }
  // The pool index of the `pick`th reference of `kind`, or -1 when none.
  int Pick(ObjectKind kind, size_t pick) const;
  bool ExpectCount(const char* operation, uint32_t actual, uint32_t expected);
  bool ResetCursor(int32_t id);
  void Remember(const char* text);
  bool AdoptNewPanel(int object);
  bool TeachNewToken();
  bool CheckArrays(bool contents);
  bool CheckVariables();
  bool CheckCursors();
  bool CheckRegistrations();

  hostsim::Session* session_;
  hostsim::Host* host_;  // the session's
  size_t calls_before_;  // registration calls the host had received before
  ReferenceModel model_;
  std::map<int, void*> objects_;  // model object number -> module object
  std::vector<Reference> pool_;
  int checker_panel_ = -1;
  int checker_gauge_ = -1;
  std::vector<const char*> handed_out_;  // valid until the next stop
  std::string failure_;
  std::set<std::string> operations_;
};

}  // namespace vellomar::model

#endif  // VELLOMAR_TESTS_MODEL_CHECKED_MODULE_H_
