#include "runner/language/module_checks.h"

#include <cstring>
#include <utility>

#include "hostsim/session.h"
#include "runner/base/number_format.h"
#include "runner/language/script.h"

namespace runner {

namespace {

// The module's fixed keywords, in the order of their documented ids.
enum Keyword : int {
  kSetActiveArray,
  kSetReadIndex,
  kGetReadIndex,
  kSetWriteIndex,
  kGetWriteIndex,
  kGetArrayToken,
  kCreateNumberArray,
  kCreateStringArray,
  kGetNumberValue,
  kSetNumberValue,
  kSetArraySize,
  kGetArraySize,
  kGetArrayName,
  kGetStringValue,
  kSetStringValue,
  kUserVariable,
  kUnknownKeyword = -1,
};

constexpr const char* kKeywordNames[] = {
    "SetActiveArray", "SetReadIndex",      "GetReadIndex",      "SetWriteIndex",  "GetWriteIndex",
    "GetArrayToken",  "CreateNumberArray", "CreateStringArray", "GetNumberValue", "SetNumberValue",
    "SetArraySize",   "GetArraySize",      "GetArrayName",      "GetStringValue", "SetStringValue"};

// Longest text the module keeps: a slot of 260 bytes holds 259 and a NUL.
constexpr size_t kLongestText = VELLOMAR_TEXT_SLOT_SIZE - 1;

bool ReadsNumber(int keyword) {
  return keyword == kGetReadIndex || keyword == kGetWriteIndex || keyword == kGetArrayToken ||
         keyword == kGetNumberValue || keyword == kGetArraySize;
}
bool ReadsText(int keyword) {
  return keyword == kGetArrayName || keyword == kGetStringValue || keyword == kUserVariable;
}
bool TakesNumber(int keyword) {
  return keyword == kSetActiveArray || keyword == kSetReadIndex || keyword == kSetWriteIndex ||
         keyword == kSetNumberValue || keyword == kSetArraySize;
}
bool TakesText(int keyword) {
  return keyword == kCreateNumberArray || keyword == kCreateStringArray ||
         keyword == kSetStringValue || keyword == kUserVariable;
}

// A value as a message shows it: a text quoted and, when long, cut.
std::string Shown(const Value& value) {
  if (!value.is_text()) return FormatNumber(ToDouble(value));
  const std::string& text = value.text();
  if (text.size() <= 40) return "'" + text + "'";
  return "'" + text.substr(0, 32) + "...' (" + std::to_string(text.size()) + " bytes)";
}

}  // namespace

ModuleChecks::ModuleChecks(const hostsim::Host* host, Diagnostics* diagnostics)
    : host_(host), diagnostics_(diagnostics) {
  ids_.fill(-1);
  if (host_ == nullptr) return;
  const hostsim::PanelObject panel = host_->Registered(hostsim::kCallbackName);
  if (!panel) return;
  for (size_t i = 0; i < ids_.size(); ++i)
    panel.ConvertStringToProperty(kKeywordNames[i], &ids_[i]);
  if (host_->exports().get_first_user_var != nullptr) {
    first_user_id_ = host_->exports().get_first_user_var();
  }
}

int ModuleChecks::Keyword(int32_t id) const {
  for (size_t i = 0; i < ids_.size(); ++i) {
    if (ids_[i] == id && id >= 0) return static_cast<int>(i);
  }
  return first_user_id_ >= 0 && id >= first_user_id_ ? kUserVariable : kUnknownKeyword;
}

double ModuleChecks::Cursor(const hostsim::Property& property, int keyword) const {
  double value = 0;
  property.gauge.GetNumber(ids_[static_cast<size_t>(keyword)], &value);
  return value;
}

RefusalReason ModuleChecks::ActiveArrayReason(const hostsim::Property& property,
                                              const ArrayRecord** array) const {
  *array = nullptr;
  const double token = Cursor(property, kGetArrayToken);
  if (token == 0) {
    return {Refusal::kNoActiveArray, "no array is active (the active token is 0)"};
  }
  for (auto* record = static_cast<const ArrayRecord*>(host_->exports().get_first_array());
       record != nullptr; record = record->next) {
    if (static_cast<double>(record->token) == token) {
      *array = record;
      return {};
    }
  }
  return {Refusal::kNoSuchArray, "no array has the active token " + FormatNumber(token)};
}

RefusalReason ModuleChecks::ElementReason(const hostsim::Property& property, bool write,
                                          bool numbers) const {
  const ArrayRecord* array = nullptr;
  RefusalReason reason = ActiveArrayReason(property, &array);
  if (array == nullptr) return reason;
  const std::string name = array->name != nullptr ? array->name : "";
  if (numbers && array->numbers == nullptr) {
    return {Refusal::kArrayOfTexts,
            "the active array '" + name + "' holds texts (use GetStringValue, SetStringValue)"};
  }
  if (!numbers && array->strings == nullptr) {
    return {Refusal::kArrayOfNumbers,
            "the active array '" + name + "' holds numbers (use GetNumberValue, SetNumberValue)"};
  }
  const double index = Cursor(property, write ? kGetWriteIndex : kGetReadIndex);
  if (index < 0 || index >= array->size) {
    return {Refusal::kOutside, std::string(write ? "the write index " : "the read index ") +
                                   FormatNumber(index) + " is outside 0 to " +
                                   FormatNumber(array->size - 1) + " of the array '" + name + "'"};
  }
  return {};
}

RefusalReason ModuleChecks::Explain(const hostsim::Property& property, ModuleAccess access,
                                    const Value& value) const {
  RefusalReason reason;
  if (host_ == nullptr) return reason;
  const int keyword = Keyword(property.id);
  if (keyword == kUnknownKeyword) return reason;
  const bool read = access == ModuleAccess::kReadNumber || access == ModuleAccess::kReadText;
  const bool numbers = access == ModuleAccess::kReadNumber || access == ModuleAccess::kWriteNumber;
  if (read && !ReadsNumber(keyword) && !ReadsText(keyword)) {
    return {Refusal::kWriteOnly, "the keyword cannot be read, only written"};
  }
  if (!read && !TakesNumber(keyword) && !TakesText(keyword)) {
    return {Refusal::kReadOnly, "the keyword cannot be written, only read"};
  }
  if (read && numbers && !ReadsNumber(keyword)) {
    return {Refusal::kHoldsText, "the keyword holds a text: read it with ', string'"};
  }
  if (read && !numbers && !ReadsText(keyword)) {
    return {Refusal::kHoldsNumber, "the keyword holds a number: read it with ', number'"};
  }
  if (!read && numbers && !TakesNumber(keyword)) {
    return {Refusal::kTakesText, "the keyword takes a text, and a number was written"};
  }
  if (!read && !numbers && !TakesText(keyword)) {
    return {Refusal::kTakesNumber, "the keyword takes a number, and a text was written"};
  }
  switch (keyword) {
    case kGetArraySize:
    case kGetArrayName: {
      const ArrayRecord* array = nullptr;
      reason = ActiveArrayReason(property, &array);
      break;
    }
    case kGetNumberValue:
    case kGetStringValue:
    case kSetNumberValue:
    case kSetStringValue:
      reason =
          ElementReason(property, !read, keyword == kGetNumberValue || keyword == kSetNumberValue);
      break;
    case kCreateNumberArray:
    case kCreateStringArray:
      // The module sees the text up to its first NUL.
      if (value.text().c_str()[0] == '\0') {
        reason = {Refusal::kEmptyName, "an array's name cannot be empty"};
      } else {
        reason = {Refusal::kNoSize,
                  "no array created because no size was set (the pending size is 0: write "
                  "SetArraySize first)"};
      }
      break;
    default:
      break;
  }
  if (reason.refusal == Refusal::kUnknown && !numbers && !read &&
      std::strlen(value.text().c_str()) > kLongestText) {
    reason = {Refusal::kTooLong, "the text is " +
                                     std::to_string(std::strlen(value.text().c_str())) +
                                     " bytes, longer than " + std::to_string(kLongestText)};
  }
  return reason;
}

void ModuleChecks::ReportRefusal(const hostsim::Property& property, ModuleAccess access,
                                 const Value& value, const std::string& keyword, const void* word,
                                 const SiteInfo& info, int line, int column, int frame) {
  RefusalReason reason = Explain(property, access, value);
  if (!reported_.emplace(word, reason.refusal).second) return;
  if (reason.refusal == Refusal::kUnknown) reason.words = "the module gave no reason";
  std::string message;
  switch (access) {
    case ModuleAccess::kReadNumber:
      message = "the module refused to read " + keyword + ": " + reason.words + "; it reads 1";
      break;
    case ModuleAccess::kReadText:
      message = "the module refused to read " + keyword + ": " + reason.words + "; it reads 'null'";
      break;
    case ModuleAccess::kWriteNumber:
    case ModuleAccess::kWriteText:
      // A refused creation also clears the active token; other writes change
      // nothing.
      message = "the module refused " + Shown(value) + " for " + keyword + ": " + reason.words +
                (reason.refusal == Refusal::kNoSize || reason.refusal == Refusal::kEmptyName
                     ? "; no array is active now"
                     : "; nothing changed");
      break;
  }
  diagnostics_->Report(MakeDiagnostic(Severity::kWarning, Place{info.file, line, column}, message,
                                      info.site, frame));
}

void ModuleChecks::KeepText(const std::shared_ptr<const std::string>& text, const SiteInfo* info,
                            int line, int column) {
  kept_by_name_.emplace(text->c_str(), KeptText{text, info, line, column});
}

void ModuleChecks::AfterFrame(int frame) {
  if (host_ == nullptr || leak_reported_ || host_->exports().get_first_array == nullptr) return;
  const ArrayRecord* next =
      last_array_ != nullptr ? last_array_->next
                             : static_cast<const ArrayRecord*>(host_->exports().get_first_array());
  if (next == nullptr) return;
  for (; next != nullptr; next = next->next) {
    last_array_ = next;
    ++arrays_;
  }
  // The first frame's arrays are the gauges setting up.
  if (frame <= 1 || ++growing_frames_ < kLeakFrames) return;
  leak_reported_ = true;
  const auto kept = kept_by_name_.find(last_array_->name);
  Place place;
  std::string site;
  if (kept != kept_by_name_.end() && kept->second.info != nullptr) {
    place = Place{kept->second.info->file, kept->second.line, kept->second.column};
    site = kept->second.info->site;
  }
  diagnostics_->Report(
      MakeDiagnostic(Severity::kWarning, place,
                     "the module's arrays grow frame after frame: " + std::to_string(arrays_) +
                         " arrays after frame " + std::to_string(frame) + ", new ones in " +
                         std::to_string(kLeakFrames) + " frames; the newest is named '" +
                         (last_array_->name != nullptr ? last_array_->name : "") +
                         "', created here (each new name text makes a new array)",
                     site, frame));
}

}  // namespace runner
