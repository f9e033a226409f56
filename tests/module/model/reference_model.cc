#include "tests/module/model/reference_model.h"

#include <cmath>
#include <cstring>

namespace vellomar::model {

const char* const kKeywords[15] = {
    "SetActiveArray", "SetReadIndex",      "GetReadIndex",      "SetWriteIndex",  "GetWriteIndex",
    "GetArrayToken",  "CreateNumberArray", "CreateStringArray", "GetNumberValue", "SetNumberValue",
    "SetArraySize",   "GetArraySize",      "GetArrayName",      "GetStringValue", "SetStringValue"};

namespace {

constexpr int32_t kNumberCode = 50;
constexpr int32_t kTextCode = -2;

std::string Folded(const char* text) {
  std::string folded(text);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  }
  return folded;
}

bool Fits(const char* text) { return text != nullptr && std::strlen(text) <= kMaxTextLength; }

// Units codes of the fixed properties, in id order.
constexpr int32_t kUnitsCodes[15] = {kNumberCode, kNumberCode, kNumberCode, kNumberCode,
                                     kNumberCode, kNumberCode, kTextCode,   kTextCode,
                                     kNumberCode, kNumberCode, kNumberCode, kNumberCode,
                                     kTextCode,   kTextCode,   kTextCode};

}  // namespace

uint32_t ReferenceModel::TokenFrom(double value) {
  if (std::isnan(value)) return 0;
  const double whole = std::trunc(value);
  if (whole < -0x1p63 || whole >= 0x1p63) return 0;
  return static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(whole)));
}

int32_t ReferenceModel::IndexFrom(double value) {
  if (std::isnan(value)) return 0;
  const double whole = std::trunc(value);
  if (whole <= -0x1p31) return INT32_MIN;
  if (whole >= 0x1p31 - 1) return INT32_MAX;
  return static_cast<int32_t>(whole);
}

int ReferenceModel::Start() {
  if (!panels_filled_) return -1;
  services_known_ = true;
  const int panel = NewObject(ObjectKind::kPanel);
  // Registration takes the host's reference; start then drops its own.
  registered_.push_back(panel);
  ++registration_calls_;
  last_registered_ = panel;
  return panel;
}

void ReferenceModel::Stop() {
  if (services_known_) {
    ++registration_calls_;
    last_registered_ = -1;
    for (int panel : registered_) Release(panel);
    registered_.clear();
  }
  variables_.clear();
  by_folded_name_.clear();
  arrays_.clear();
}

bool ReferenceModel::ResolveKeyword(const char* keyword, bool out_given, int32_t* id) {
  if (keyword == nullptr || !out_given || !Fits(keyword)) return false;
  const std::string folded = Folded(keyword);
  for (int32_t i = 0; i < 15; ++i) {
    if (folded == Folded(kKeywords[i])) {
      *id = i;
      return true;
    }
  }
  const auto found = by_folded_name_.find(folded);
  if (found != by_folded_name_.end()) {
    *id = kFirstUserId + static_cast<int32_t>(found->second);
    return true;
  }
  by_folded_name_[folded] = variables_.size();
  variables_.push_back({keyword, ""});
  *id = kFirstUserId + static_cast<int32_t>(variables_.size() - 1);
  max_vars_ = *id + 1;
  return true;
}

bool ReferenceModel::KeywordOf(int32_t id, bool out_given, std::string* keyword) const {
  if (!out_given) return false;
  if (id >= 0 && id < 15) {
    *keyword = kKeywords[id];
    return true;
  }
  const Variable* variable = FindVariable(id);
  if (variable == nullptr) return false;
  *keyword = variable->name;
  return true;
}

bool ReferenceModel::UnitsOf(int32_t id, bool out_given, int32_t* code) const {
  if (!out_given) return false;
  if (id >= 0 && id < 15) {
    *code = kUnitsCodes[id];
    return true;
  }
  if (FindVariable(id) == nullptr) return false;
  *code = kTextCode;
  return true;
}

bool ReferenceModel::GetText(int32_t id, bool out_given, TextRead* out) const {
  if (!out_given) return false;
  *out = TextRead{false, "null", nullptr};
  const Array* active = FindArray(active_token_);
  if (id == 12) {
    if (active == nullptr) return false;
    *out = TextRead{true, "", active->name};
    return true;
  }
  if (id == 13) {
    if (active == nullptr || active->kind != ArrayKind::kString || read_index_ < 0 ||
        read_index_ >= active->size) {
      return false;
    }
    *out = TextRead{true, active->strings[static_cast<size_t>(read_index_)], nullptr};
    return true;
  }
  const Variable* variable = FindVariable(id);
  if (variable == nullptr) return false;
  *out = TextRead{true, variable->value, nullptr};
  return true;
}

bool ReferenceModel::GetNumber(int32_t id, bool out_given, double* out) const {
  if (!out_given) return false;
  *out = 1.0;
  const Array* active = FindArray(active_token_);
  switch (id) {
    case 2:
      *out = read_index_;
      return true;
    case 4:
      *out = write_index_;
      return true;
    case 5:
      *out = active_token_;
      return true;
    case 8:
      if (active == nullptr || active->kind != ArrayKind::kNumber || read_index_ < 0 ||
          read_index_ >= active->size) {
        return false;
      }
      *out = active->numbers[static_cast<size_t>(read_index_)];
      return true;
    case 11:
      if (active == nullptr) return false;
      *out = active->size;
      return true;
    default:
      return false;
  }
}

bool ReferenceModel::SetText(int32_t id, const char* value) {
  if (id == 6) return CreateOrSelect(ArrayKind::kNumber, value);
  if (id == 7) return CreateOrSelect(ArrayKind::kString, value);
  if (id == 14) {
    Array* active = FindArray(active_token_);
    if (active == nullptr || active->kind != ArrayKind::kString || write_index_ < 0 ||
        write_index_ >= active->size || !Fits(value)) {
      return false;
    }
    active->strings[static_cast<size_t>(write_index_)] = value;
    return true;
  }
  Variable* variable = FindVariable(id);
  if (variable == nullptr || !Fits(value)) return false;
  variable->value = value;
  return true;
}

bool ReferenceModel::SetNumber(int32_t id, double value) {
  switch (id) {
    case 0:
      active_token_ = TokenFrom(value);
      return true;
    case 1:
      read_index_ = IndexFrom(value);
      return true;
    case 3:
      write_index_ = IndexFrom(value);
      return true;
    case 9: {
      Array* active = FindArray(active_token_);
      if (active == nullptr || active->kind != ArrayKind::kNumber || write_index_ < 0 ||
          write_index_ >= active->size) {
        return false;
      }
      active->numbers[static_cast<size_t>(write_index_)] = value;
      return true;
    }
    case 10:
      pending_size_ = IndexFrom(value);
      return true;
    default:
      return false;
  }
}

bool ReferenceModel::CreateOrSelect(ArrayKind kind, const char* name) {
  if (pending_size_ == 0 || name == nullptr || name[0] == '\0') {
    active_token_ = 0;
    return false;
  }
  for (const Array& array : arrays_) {
    if (array.name == name) {
      active_token_ = array.token;
      return true;
    }
  }
  const int32_t size = pending_size_ >= 1 && pending_size_ <= 1000 ? pending_size_ : 20;
  Array array{name, kind, size, kTextCode, 0, {}, {}};
  if (kind == ArrayKind::kNumber) {
    array.units_code = services_known_ ? host_number_code_ : -1;
    array.numbers.assign(static_cast<size_t>(size), 0.0);
  } else {
    array.strings.assign(static_cast<size_t>(size), std::string());
  }
  arrays_.push_back(std::move(array));
  active_token_ = 0;  // until the module's token is taught
  return true;
}

bool ReferenceModel::TeachToken(uint32_t token, std::string* problem) {
  if (token == 0) {
    *problem = "a new array got token 0";
    return false;
  }
  for (size_t i = 0; i + 1 < arrays_.size(); ++i) {
    if (arrays_[i].token == token) {
      *problem =
          "a new array got the token of array " + std::to_string(i) + ": " + std::to_string(token);
      return false;
    }
  }
  arrays_.back().token = token;
  active_token_ = token;
  return true;
}

int ReferenceModel::CreateAircraft() { return NewObject(ObjectKind::kAircraft); }

int ReferenceModel::CreateGauge() { return NewObject(ObjectKind::kGauge); }

uint32_t ReferenceModel::AddRef(int object) {
  return ++objects_[static_cast<size_t>(object)].count;
}

uint32_t ReferenceModel::Release(int object) {
  return --objects_[static_cast<size_t>(object)].count;
}

int ReferenceModel::NewObject(ObjectKind kind) {
  objects_.push_back({kind, 1});
  return static_cast<int>(objects_.size() - 1);
}

Variable* ReferenceModel::FindVariable(int32_t id) {
  if (id < kFirstUserId) return nullptr;
  const auto index = static_cast<size_t>(id - kFirstUserId);
  return index < variables_.size() ? &variables_[index] : nullptr;
}

const Variable* ReferenceModel::FindVariable(int32_t id) const {
  return const_cast<ReferenceModel*>(this)->FindVariable(id);
}

Array* ReferenceModel::FindArray(uint32_t token) {
  if (token == 0) return nullptr;
  for (Array& array : arrays_) {
    if (array.token == token) return &array;
  }
  return nullptr;
}

const Array* ReferenceModel::FindArray(uint32_t token) const {
  return const_cast<ReferenceModel*>(this)->FindArray(token);
}

}  // namespace vellomar::model
