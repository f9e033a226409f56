// An executable model of everything a host can observe of the module: keyword
// resolution, user variables, arrays and cursor values, start and stop, the
// registration calls the host receives, and the reference counts of the
// callback objects it holds.
//
// Written from the documented behaviour alone, with plain containers; it shares
// no code with the module. The tests run every host operation against the
// loaded module and against this model, and compare results, out-parameters
// and what the inspection exports show.
//
// Two things only the module decides are taught to the model as they happen:
// the token of each new array (the model then checks it stays fixed and
// unique) and the max-vars value it starts from.
//
// Not thread-safe; one model per driven module.
#ifndef VELLOMAR_TESTS_MODEL_REFERENCE_MODEL_H_
#define VELLOMAR_TESTS_MODEL_REFERENCE_MODEL_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace vellomar::model {

inline constexpr int32_t kFirstUserId = 15;
inline constexpr size_t kMaxTextLength = 259;

// The fixed keywords, in id order.
extern const char* const kKeywords[15];

enum class ArrayKind { kNumber, kString };

struct Variable {
  std::string name;  // as first given
  std::string value;
};

struct Array {
  const char* name;  // the creating text, compared by address
  ArrayKind kind;
  int32_t size;
  int32_t units_code;
  uint32_t token;  // 0 until the module's token has been taught
  std::vector<double> numbers;
  std::vector<std::string> strings;
};

// The outcome of a text read: whether it succeeded and what the out-parameter
// must refer to afterwards. `identity` is set when it must be that very
// pointer (an array's name); otherwise `text` gives the characters.
struct TextRead {
  bool ok = false;
  std::string text;
  const char* identity = nullptr;
};

enum class ObjectKind { kPanel, kAircraft, kGauge };

class ReferenceModel {
 public:
  // --- Module boundary ----------------------------------------------------
  // The host fills or clears Panels.
  void set_panels_filled(bool filled) { panels_filled_ = filled; }
  // The host writes ImportTable's pointer itself: a table, or null.
  void set_services_known(bool known) { services_known_ = known; }
  // DLLStart. Returns the index of the newly registered panel object, or -1
  // when start does nothing.
  int Start();
  // DLLStop.
  void Stop();
  // What get_units_enum answers for "number" from now on.
  void set_host_number_code(int32_t code) { host_number_code_ = code; }

  // --- Panel callback conversions ------------------------------------------
  // `out_given` false models a null out-parameter.
  bool ResolveKeyword(const char* keyword, bool out_given, int32_t* id);
  bool KeywordOf(int32_t id, bool out_given, std::string* keyword) const;
  bool UnitsOf(int32_t id, bool out_given, int32_t* code) const;

  // --- Gauge callback properties -------------------------------------------
  // With `out_given`, the read fills `*out` with what the out-parameter must
  // hold (the default on failure); without, it fails and fills nothing.
  bool GetText(int32_t id, bool out_given, TextRead* out) const;
  bool GetNumber(int32_t id, bool out_given, double* out) const;
  bool SetText(int32_t id, const char* value);
  bool SetNumber(int32_t id, double value);

  // True after a creation appended an array whose token is not yet known.
  bool awaiting_token() const { return !arrays_.empty() && arrays_.back().token == 0; }
  // Teaches the newest array's token and makes it active. False, with the
  // reason in `*problem`, when it is 0 or another existing array has it.
  bool TeachToken(uint32_t token, std::string* problem);
  // The max-vars value the module reports when the model takes over.
  void set_max_vars(int32_t value) { max_vars_ = value; }

  // --- Callback objects --------------------------------------------------
  // Objects are numbered in creation order; destroyed ones keep their number.
  int CreateAircraft();
  int CreateGauge();
  // Expected result of AddRef / Release on a live object.
  uint32_t AddRef(int object);
  uint32_t Release(int object);
  bool alive(int object) const { return objects_[static_cast<size_t>(object)].count > 0; }
  ObjectKind kind(int object) const { return objects_[static_cast<size_t>(object)].kind; }

  // --- What the host and the inspection exports see ------------------------
  const std::vector<Variable>& variables() const { return variables_; }
  const std::vector<Array>& arrays() const { return arrays_; }
  int32_t max_vars() const { return max_vars_; }
  uint32_t active_token() const { return active_token_; }
  int32_t read_index() const { return read_index_; }
  int32_t write_index() const { return write_index_; }
  // Registrations the host holds under VELLOMAR, and calls it has received.
  size_t registrations() const { return registered_.size(); }
  const std::vector<int>& registered() const { return registered_; }
  size_t registration_calls() const { return registration_calls_; }
  // The callback the last registration call carried (-1: null).
  int last_registered() const { return last_registered_; }
  bool services_known() const { return services_known_; }

  // The documented number conversions.
  static uint32_t TokenFrom(double value);
  static int32_t IndexFrom(double value);

 private:
  struct Object {
    ObjectKind kind;
    uint32_t count;
  };

  Variable* FindVariable(int32_t id);
  const Variable* FindVariable(int32_t id) const;
  Array* FindArray(uint32_t token);
  const Array* FindArray(uint32_t token) const;
  bool CreateOrSelect(ArrayKind kind, const char* name);
  int NewObject(ObjectKind kind);

  std::vector<Variable> variables_;                         // variables_[i] has id 15 + i
  std::unordered_map<std::string, size_t> by_folded_name_;  // index into variables_
  std::vector<Array> arrays_;                               // creation order
  int32_t max_vars_ = 0;
  uint32_t active_token_ = 0;
  int32_t read_index_ = 0;
  int32_t write_index_ = 0;
  int32_t pending_size_ = 0;

  bool panels_filled_ = false;
  bool services_known_ = false;
  int32_t host_number_code_ = 50;
  std::vector<int> registered_;  // panel objects the host holds
  size_t registration_calls_ = 0;
  int last_registered_ = -1;
  std::vector<Object> objects_;
};

}  // namespace vellomar::model

#endif  // VELLOMAR_TESTS_MODEL_REFERENCE_MODEL_H_
