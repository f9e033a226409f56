#include "tests/module/model/checked_module.h"

#include <cstdio>
#include <cstring>

#include "vellomar.h"

namespace vellomar::model {

namespace {

using hostsim::AircraftObject;
using hostsim::CallbackObject;
using hostsim::GaugeObject;
using hostsim::PanelObject;

std::string Show(double value) {
  char text[64];
  std::snprintf(text, sizeof(text), "%.17g", value);
  return text;
}

std::string Show(const char* text) {
  if (text == nullptr) return "null";
  std::string shown = "\"";
  const size_t length = std::strlen(text);
  for (size_t i = 0; i < length && i < 24; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x20 && byte < 0x7f && byte != '"' && byte != '\\') {
      shown += static_cast<char>(byte);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\x%02x", byte);
      shown += escaped;
    }
  }
  shown += "\"";
  if (length > 24) shown += "...(" + std::to_string(length) + " chars)";
  return shown;
}

std::string Show(const std::string& text) { return Show(text.c_str()); }

// Element values must come back bit for bit (NaN payloads, -0.0).
bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof(a)) == 0; }

std::string IdClass(int32_t id) {
  if (id < 0) return "negative";
  if (id < kFirstUserId) return std::to_string(id);
  return "user";
}

}  // namespace

CheckedModule::CheckedModule(hostsim::Session* session)
    : session_(session),
      host_(&session->host()),
      calls_before_(session->host().registration_calls().size()) {}

bool CheckedModule::Fail(const std::string& what) {
  if (failure_.empty()) failure_ = what;
  return false;
}

void CheckedModule::Note(const std::string& operation, int32_t id, bool result) {
  operations_.insert(operation + " id=" + IdClass(id) + (result ? " true" : " false"));
}

int CheckedModule::Pick(ObjectKind kind, size_t pick) const {
  size_t count = 0;
  for (const Reference& reference : pool_) {
    if (model_.kind(reference.object) == kind) ++count;
  }
  if (count == 0) return -1;
  size_t wanted = pick % count;
  for (size_t i = 0; i < pool_.size(); ++i) {
    if (model_.kind(pool_[i].object) != kind) continue;
    if (wanted-- == 0) return static_cast<int>(i);
  }
  return -1;
}

void CheckedModule::Remember(const char* text) {
  constexpr size_t kKept = 16;
  if (handed_out_.size() == kKept) handed_out_.erase(handed_out_.begin());
  handed_out_.push_back(text);
}

const char* CheckedModule::HandedOut(size_t pick) const {
  return handed_out_.empty() ? nullptr : handed_out_[pick % handed_out_.size()];
}

bool CheckedModule::ExpectCount(const char* operation, uint32_t actual, uint32_t expected) {
  if (actual == expected) return true;
  return Fail(std::string(operation) + " returned " + std::to_string(actual) + ", expected " +
              std::to_string(expected));
}

// --- Setting up and tearing down ---------------------------------------------

bool CheckedModule::Begin() {
  // Whatever an earlier run left in max-vars is taken over; one variable
  // created and freed below then makes it 16 for every run.
  model_.set_max_vars(host_->exports().get_max_vars());
  if (!SetHostNumberCode(50) || !SetPanelsFilled(true) || !Start() || !TakeRegisteredPanel() ||
      !CreateAircraft(0, 0) || !CreateGauge(0)) {
    return false;
  }
  // The cursor values survive stops, so they are set to the model's.
  for (int32_t id : {0, 1, 3, 10}) {
    if (!ResetCursor(id)) return false;
  }
  if (!Resolve(0, "VellomarHarness", false) || !Stop() || !Start()) return false;
  // The first gauge and the second start's panel become the checker's own.
  checker_gauge_ = pool_[static_cast<size_t>(Pick(ObjectKind::kGauge, 0))].object;
  pool_.erase(pool_.begin() + Pick(ObjectKind::kGauge, 0));
  if (!Release(0)) return false;  // the first start's panel
  if (!TakeRegisteredPanel()) return false;
  checker_panel_ = pool_.back().object;
  pool_.pop_back();
  if (!TakeRegisteredPanel() || !CreateGauge(0)) return false;
  if (model_.max_vars() != 16) return Fail("max-vars after the reset is not 16");
  return CheckState();
}

bool CheckedModule::ResetCursor(int32_t id) {
  const int gauge = Pick(ObjectKind::kGauge, 0);
  GaugeObject object(ObjectOf(pool_[static_cast<size_t>(gauge)].object));
  if (!object.SetNumber(id, 0.0)) return Fail("writing 0 to cursor id " + std::to_string(id));
  model_.SetNumber(id, 0.0);
  return true;
}

bool CheckedModule::Finish() {
  // With the table known again, stop withdraws every registration.
  if (!SetImportTable(true) || !Stop()) return false;
  while (!pool_.empty()) {
    if (!Release(pool_.size() - 1)) return false;
  }
  for (int* checker : {&checker_gauge_, &checker_panel_}) {
    if (*checker < 0) continue;
    const uint32_t count = CallbackObject(ObjectOf(*checker)).Release();
    if (!ExpectCount("Release (checker)", count, model_.Release(*checker))) return false;
    *checker = -1;
  }
  for (const auto& [object, pointer] : objects_) {
    if (model_.alive(object)) {
      return Fail("callback object " + std::to_string(object) + " still alive after finish");
    }
  }
  // Without callback objects only the exports remain to be looked at.
  if (host_->exports().get_max_vars() != model_.max_vars()) return Fail("GetMaxVars after stop");
  return CheckArrays(false) && CheckRegistrations();
}

// --- Module boundary ----------------------------------------------------------

bool CheckedModule::Start(bool through_linkage) {
  if (through_linkage) {
    host_->exports().linkage->start();
  } else {
    host_->Start();
  }
  const bool known_before = model_.services_known();
  const int panel = model_.Start();
  operations_.insert(std::string(through_linkage ? "Linkage start" : "DLLStart") +
                     (panel >= 0 ? " registers" : " without Panels") +
                     (known_before ? "" : " (no table before)"));
  if (panel >= 0 && !AdoptNewPanel(panel)) return false;
  return CheckRegistrations();
}

bool CheckedModule::AdoptNewPanel(int object) {
  void* registered = session_->RegisteredPanel().get();
  if (registered == nullptr) return Fail("DLLStart registered nothing");
  for (const auto& [other, pointer] : objects_) {
    if (pointer == registered && model_.alive(other)) {
      return Fail("DLLStart registered an object that already existed");
    }
  }
  objects_[object] = registered;
  return true;
}

bool CheckedModule::Stop(bool through_linkage) {
  handed_out_.clear();  // the slots are freed
  if (through_linkage) {
    host_->exports().linkage->stop();
  } else {
    host_->Stop();
  }
  operations_.insert(std::string(through_linkage ? "Linkage stop" : "DLLStop") +
                     (model_.services_known() ? "" : " (no table)"));
  model_.Stop();
  return CheckRegistrations();
}

bool CheckedModule::SetPanelsFilled(bool filled) {
  if (filled) {
    host_->FillPanels();
  } else {
    *host_->exports().panels = nullptr;
  }
  model_.set_panels_filled(filled);
  return true;
}

bool CheckedModule::SetImportTable(bool known) {
  host_->exports().import_table->panels.table = known ? host_->service_table() : nullptr;
  model_.set_services_known(known);
  return true;
}

bool CheckedModule::SetHostNumberCode(int32_t code) {
  host_->SetUnitsCode("number", code);
  model_.set_host_number_code(code);
  return true;
}

// --- Callback objects ---------------------------------------------------------

bool CheckedModule::TakeRegisteredPanel() {
  if (model_.registrations() == 0) {
    if (session_->RegisteredPanel()) return Fail("a registration the model does not hold");
    return true;
  }
  const int object = model_.registered().back();
  void* registered = session_->RegisteredPanel().get();
  if (registered != ObjectOf(object)) return Fail("the newest registration is another object");
  const uint32_t count = PanelObject(registered).AddRef();
  if (!ExpectCount("AddRef (panel)", count, model_.AddRef(object))) return false;
  pool_.push_back({object});
  operations_.insert("take registered panel");
  return true;
}

bool CheckedModule::CreateAircraft(size_t pick, uint32_t container_id) {
  const int panel = Pick(ObjectKind::kPanel, pick);
  if (panel < 0) return true;
  void* aircraft = PanelObject(ObjectOf(pool_[static_cast<size_t>(panel)].object))
                       .CreateAircraftCCallback(container_id);
  if (aircraft == nullptr) return Fail("CreateAircraftCCallback returned null");
  const int object = model_.CreateAircraft();
  objects_[object] = aircraft;
  pool_.push_back({object});
  operations_.insert("CreateAircraftCCallback");
  return ExpectCount("AddRef (new aircraft)", AircraftObject(aircraft).AddRef(),
                     model_.AddRef(object)) &&
         ExpectCount("Release (new aircraft)", AircraftObject(aircraft).Release(),
                     model_.Release(object));
}

bool CheckedModule::CreateGauge(size_t pick) {
  const int aircraft = Pick(ObjectKind::kAircraft, pick);
  if (aircraft < 0) return true;
  void* gauge =
      AircraftObject(ObjectOf(pool_[static_cast<size_t>(aircraft)].object)).CreateGaugeCCallback();
  if (gauge == nullptr) return Fail("CreateGaugeCCallback returned null");
  const int object = model_.CreateGauge();
  objects_[object] = gauge;
  pool_.push_back({object});
  operations_.insert("CreateGaugeCCallback");
  return true;
}

bool CheckedModule::AddRef(size_t pick) {
  if (pool_.empty()) return true;
  const int object = pool_[pick % pool_.size()].object;
  const uint32_t count = CallbackObject(ObjectOf(object)).AddRef();
  pool_.push_back({object});
  operations_.insert("AddRef");
  return ExpectCount("AddRef", count, model_.AddRef(object));
}

bool CheckedModule::Release(size_t pick) {
  if (pool_.empty()) return true;
  const size_t index = pick % pool_.size();
  const int object = pool_[index].object;
  pool_.erase(pool_.begin() + static_cast<std::ptrdiff_t>(index));
  const uint32_t count = CallbackObject(ObjectOf(object)).Release();
  operations_.insert(count == 0 ? "Release to 0" : "Release");
  return ExpectCount("Release", count, model_.Release(object));
}

bool CheckedModule::FixedAnswers(size_t pick) {
  if (pool_.empty()) return true;
  const int object = pool_[pick % pool_.size()].object;
  void* pointer = ObjectOf(object);
  if (CallbackObject(pointer).QueryInterface("IGaugeCCallback") != nullptr) {
    return Fail("QueryInterface returned an object");
  }
  switch (model_.kind(object)) {
    case ObjectKind::kPanel: {
      PanelObject panel(pointer);
      if (panel.GetVersion() != 1) return Fail("GetVersion is not 1");
      uint32_t length = 0;
      // Entries are {keyword, units name, units code}: three pointer-sized words.
      const auto* table = static_cast<const char* const*>(panel.GetPropertyTable(&length));
      if (length != 15 || table == nullptr) return Fail("GetPropertyTable length is not 15");
      for (size_t i = 0; i < 15; ++i) {
        if (std::strcmp(table[3 * i], kKeywords[i]) != 0) {
          return Fail("GetPropertyTable entry " + std::to_string(i) + " is " + Show(table[3 * i]));
        }
      }
      operations_.insert("panel fixed answers");
      return true;
    }
    case ObjectKind::kAircraft:
      AircraftObject(pointer).Update();
      operations_.insert("aircraft fixed answers");
      return true;
    case ObjectKind::kGauge: {
      GaugeObject gauge(pointer);
      gauge.Update();
      if (gauge.CreateGaugeCDrawable(static_cast<int32_t>(pick), nullptr) != nullptr) {
        return Fail("CreateGaugeCDrawable returned an object");
      }
      operations_.insert("gauge fixed answers");
      return true;
    }
  }
  return true;
}

// --- Panel conversions --------------------------------------------------------

bool CheckedModule::Resolve(size_t pick, const char* keyword, bool null_out) {
  const int panel = Pick(ObjectKind::kPanel, pick);
  if (panel < 0) return true;
  int32_t id = -7;
  const bool result = PanelObject(ObjectOf(pool_[static_cast<size_t>(panel)].object))
                          .ConvertStringToProperty(keyword, null_out ? nullptr : &id);
  int32_t expected_id = -7;
  const bool expected = model_.ResolveKeyword(keyword, !null_out, &expected_id);
  operations_.insert(std::string("ConvertStringToProperty") + (null_out ? " null-out" : "") +
                     (keyword == nullptr ? " null" : "") + (result ? " true" : " false"));
  const std::string call = "ConvertStringToProperty(" + Show(keyword) + ")";
  if (result != expected) return Fail(call + " returned " + (result ? "true" : "false"));
  if (id != expected_id) {
    return Fail(call + " gave id " + std::to_string(id) + ", expected " +
                std::to_string(expected_id));
  }
  return true;
}

bool CheckedModule::KeywordOf(size_t pick, int32_t id, bool null_out) {
  const int panel = Pick(ObjectKind::kPanel, pick);
  if (panel < 0) return true;
  const char* keyword = nullptr;
  const bool result = PanelObject(ObjectOf(pool_[static_cast<size_t>(panel)].object))
                          .ConvertPropertyToString(id, null_out ? nullptr : &keyword);
  std::string expected_keyword;
  const bool expected = model_.KeywordOf(id, !null_out, &expected_keyword);
  Note(null_out ? "ConvertPropertyToString null-out" : "ConvertPropertyToString", id, result);
  const std::string call = "ConvertPropertyToString(" + std::to_string(id) + ")";
  if (result != expected) return Fail(call + " returned " + (result ? "true" : "false"));
  if (!result) {
    if (keyword != nullptr) return Fail(call + " failed but wrote its out-parameter");
    return true;
  }
  if (keyword == nullptr || expected_keyword != keyword) {
    return Fail(call + " gave " + Show(keyword) + ", expected " + Show(expected_keyword));
  }
  Remember(keyword);
  return true;
}

bool CheckedModule::UnitsOf(size_t pick, int32_t id, bool null_out) {
  const int panel = Pick(ObjectKind::kPanel, pick);
  if (panel < 0) return true;
  int32_t code = 12345;
  const bool result = PanelObject(ObjectOf(pool_[static_cast<size_t>(panel)].object))
                          .GetPropertyUnits(id, null_out ? nullptr : &code);
  int32_t expected_code = 12345;
  const bool expected = model_.UnitsOf(id, !null_out, &expected_code);
  Note(null_out ? "GetPropertyUnits null-out" : "GetPropertyUnits", id, result);
  const std::string call = "GetPropertyUnits(" + std::to_string(id) + ")";
  if (result != expected) return Fail(call + " returned " + (result ? "true" : "false"));
  if (code != expected_code) {
    return Fail(call + " gave " + std::to_string(code) + ", expected " +
                std::to_string(expected_code));
  }
  return true;
}

// --- Gauge properties ---------------------------------------------------------

bool CheckedModule::GetText(size_t pick, int32_t id, bool null_out) {
  const int gauge = Pick(ObjectKind::kGauge, pick);
  if (gauge < 0) return true;
  static const char kUntouched[] = "untouched";
  const char* value = kUntouched;
  const bool result = GaugeObject(ObjectOf(pool_[static_cast<size_t>(gauge)].object))
                          .GetText(id, null_out ? nullptr : &value);
  TextRead expected_value;
  const bool expected = model_.GetText(id, !null_out, &expected_value);
  Note(null_out ? "GetPropertyValue(text) null-out" : "GetPropertyValue(text)", id, result);
  const std::string call = "GetPropertyValue(" + std::to_string(id) + ", text)";
  if (result != expected) return Fail(call + " returned " + (result ? "true" : "false"));
  if (null_out) return true;
  if (expected_value.identity != nullptr) {
    if (value != expected_value.identity) return Fail(call + " gave another name text");
  } else if (value == nullptr || expected_value.text != value) {
    return Fail(call + " gave " + Show(value) + ", expected " + Show(expected_value.text));
  }
  Remember(value);
  return true;
}

bool CheckedModule::GetNumber(size_t pick, int32_t id, bool null_out) {
  const int gauge = Pick(ObjectKind::kGauge, pick);
  if (gauge < 0) return true;
  double value = -12345.5;
  const bool result = GaugeObject(ObjectOf(pool_[static_cast<size_t>(gauge)].object))
                          .GetNumber(id, null_out ? nullptr : &value);
  double expected_value = -12345.5;
  const bool expected = model_.GetNumber(id, !null_out, &expected_value);
  Note(null_out ? "GetPropertyValue(number) null-out" : "GetPropertyValue(number)", id, result);
  const std::string call = "GetPropertyValue(" + std::to_string(id) + ", number)";
  if (result != expected) return Fail(call + " returned " + (result ? "true" : "false"));
  if (!SameBits(value, expected_value)) {
    return Fail(call + " gave " + Show(value) + ", expected " + Show(expected_value));
  }
  return true;
}

bool CheckedModule::SetText(size_t pick, int32_t id, const char* value) {
  const int gauge = Pick(ObjectKind::kGauge, pick);
  if (gauge < 0) return true;
  // The model goes first: the text may be one of the module's own slots,
  // which the module's write may change.
  const size_t arrays_before = model_.arrays().size();
  const bool expected = model_.SetText(id, value);
  const bool result =
      GaugeObject(ObjectOf(pool_[static_cast<size_t>(gauge)].object)).SetText(id, value);
  Note(value == nullptr ? "SetPropertyValue(null text)" : "SetPropertyValue(text)", id, result);
  if (result != expected) {
    return Fail("SetPropertyValue(" + std::to_string(id) + ", " + Show(value) + ") returned " +
                (result ? "true" : "false"));
  }
  if (model_.arrays().size() != arrays_before) {
    operations_.insert(std::string(id == 6 ? "create number array" : "create string array") +
                       (model_.services_known() ? "" : " (no table)"));
  }
  return !model_.awaiting_token() || TeachNewToken();
}

bool CheckedModule::TeachNewToken() {
  const auto* record = static_cast<const ArrayRecord*>(host_->exports().get_first_array());
  for (size_t i = 1; record != nullptr && i < model_.arrays().size(); ++i) record = record->next;
  if (record == nullptr) return Fail("a created array is missing from the records");
  std::string problem;
  if (!model_.TeachToken(record->token, &problem)) return Fail(problem);
  return true;
}

bool CheckedModule::SetNumber(size_t pick, int32_t id, double value) {
  const int gauge = Pick(ObjectKind::kGauge, pick);
  if (gauge < 0) return true;
  const bool result =
      GaugeObject(ObjectOf(pool_[static_cast<size_t>(gauge)].object)).SetNumber(id, value);
  const bool expected = model_.SetNumber(id, value);
  Note("SetPropertyValue(number)", id, result);
  if (result != expected) {
    return Fail("SetPropertyValue(" + std::to_string(id) + ", " + Show(value) + ") returned " +
                (result ? "true" : "false"));
  }
  return true;
}

// --- Whole-state comparison -----------------------------------------------------

bool CheckedModule::CheckState(bool contents) {
  if (!failure_.empty()) return false;
  const hostsim::ModuleExports& exports = host_->exports();
  if (exports.get_max_vars() != model_.max_vars()) {
    return Fail("GetMaxVars is " + std::to_string(exports.get_max_vars()) + ", expected " +
                std::to_string(model_.max_vars()));
  }
  if (exports.get_first_user_var() != kFirstUserId) return Fail("GetFirstUserVar is not 15");
  return CheckArrays(contents) && CheckCursors() && CheckVariables() && CheckRegistrations();
}

bool CheckedModule::CheckArrays(bool contents) {
  const auto* record = static_cast<const ArrayRecord*>(host_->exports().get_first_array());
  const std::vector<Array>& arrays = model_.arrays();
  for (size_t i = 0; i < arrays.size(); ++i, record = record->next) {
    const Array& array = arrays[i];
    const std::string which = "array record " + std::to_string(i);
    if (record == nullptr) return Fail(which + " is missing");
    if (record->name != array.name) return Fail(which + " has another name text");
    if (record->token != array.token) {
      return Fail(which + " token " + std::to_string(record->token) + ", expected " +
                  std::to_string(array.token));
    }
    if (record->size != array.size) {
      return Fail(which + " size " + std::to_string(record->size) + ", expected " +
                  std::to_string(array.size));
    }
    if (record->units_code != array.units_code) {
      return Fail(which + " units code " + std::to_string(record->units_code) + ", expected " +
                  std::to_string(array.units_code));
    }
    if (record->reserved != 0) return Fail(which + " reserved field is not 0");
    const bool numbers = array.kind == ArrayKind::kNumber;
    if ((record->numbers != nullptr) != numbers || (record->strings != nullptr) == numbers) {
      return Fail(which + " is of the other kind");
    }
    if (!contents) continue;
    for (size_t e = 0; e < static_cast<size_t>(array.size); ++e) {
      if (numbers ? !SameBits(record->numbers[e], array.numbers[e])
                  : std::strcmp(record->strings + e * VELLOMAR_TEXT_SLOT_SIZE,
                                array.strings[e].c_str()) != 0) {
        return Fail(which + " element " + std::to_string(e) + " differs");
      }
    }
  }
  if (record != nullptr) return Fail("more array records than arrays created");
  return true;
}

bool CheckedModule::CheckCursors() {
  GaugeObject gauge(ObjectOf(checker_gauge_));
  const struct {
    int32_t id;
    double expected;
  } cursors[] = {{2, static_cast<double>(model_.read_index())},
                 {4, static_cast<double>(model_.write_index())},
                 {5, static_cast<double>(model_.active_token())}};
  for (const auto& cursor : cursors) {
    double value = 0;
    if (!gauge.GetNumber(cursor.id, &value) || value != cursor.expected) {
      return Fail("cursor id " + std::to_string(cursor.id) + " reads " + Show(value) +
                  ", expected " + Show(cursor.expected));
    }
  }
  return true;
}

bool CheckedModule::CheckVariables() {
  PanelObject panel(ObjectOf(checker_panel_));
  GaugeObject gauge(ObjectOf(checker_gauge_));
  const std::vector<Variable>& variables = model_.variables();
  for (size_t i = 0; i <= variables.size(); ++i) {
    const auto id = static_cast<int32_t>(kFirstUserId + static_cast<int32_t>(i));
    const char* name = nullptr;
    const char* value = nullptr;
    const bool named = panel.ConvertPropertyToString(id, &name);
    const bool valued = gauge.GetText(id, &value);
    const std::string which = "user variable " + std::to_string(id);
    if (i == variables.size()) {
      if (named || valued) return Fail(which + " exists beyond the newest");
      break;
    }
    if (!named || name == nullptr || variables[i].name != name) {
      return Fail(which + " is named " + (named ? Show(name) : "nothing") + ", expected " +
                  Show(variables[i].name));
    }
    if (!valued || value == nullptr || variables[i].value != value) {
      return Fail(which + " holds " + (valued ? Show(value) : "nothing") + ", expected " +
                  Show(variables[i].value));
    }
  }
  return true;
}

bool CheckedModule::CheckRegistrations() {
  if (host_->registration_count() != model_.registrations()) {
    return Fail("the host holds " + std::to_string(host_->registration_count()) +
                " registrations, expected " + std::to_string(model_.registrations()));
  }
  const std::vector<hostsim::RegistrationCall>& calls = host_->registration_calls();
  if (calls.size() - calls_before_ != model_.registration_calls()) {
    return Fail("panel_register_c_callback called " + std::to_string(calls.size() - calls_before_) +
                " times, expected " + std::to_string(model_.registration_calls()));
  }
  if (calls.size() == calls_before_) return true;
  if (calls.back().name != hostsim::kCallbackName)
    return Fail("registered under " + calls.back().name);
  void* expected = model_.last_registered() >= 0 ? ObjectOf(model_.last_registered()) : nullptr;
  if (calls.back().callback != expected) return Fail("registration call with another object");
  return true;
}

}  // namespace vellomar::model
