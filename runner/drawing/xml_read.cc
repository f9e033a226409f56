#include "runner/drawing/xml_read.h"

#include <charconv>
#include <cmath>

#include "common/ascii_case.h"
#include "runner/base/text.h"

namespace runner {

bool ParseNumber(std::string_view text, double* number) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  double value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return false;
  if (!std::isfinite(value)) return false;
  *number = value;
  return true;
}

const XmlNode* PropertyReader::Child(std::string_view name) const {
  for (const XmlNode& child : node_.children) {
    if (vellomar::EqualFolded(child.tag, name)) return &child;
  }
  return nullptr;
}

const std::string* PropertyReader::Find(std::string_view name) const {
  for (const auto& [key, value] : node_.attributes) {
    if (vellomar::EqualFolded(key, name)) return &value;
  }
  const XmlNode* child = Child(name);
  return child != nullptr ? &child->text : nullptr;
}

void PropertyReader::Problem(const std::string& message) {
  if (problems_ != nullptr) {
    problems_->push_back(FormatPlace(node_.place) + ": <" + node_.tag + "> " + message);
  }
}

bool PropertyReader::ReadNumber(std::string_view name, double* out) {
  const std::string* text = Find(name);
  if (text == nullptr) return false;
  if (!ParseNumber(*text, out)) {
    Problem(std::string(name) + " '" + *text + "' is not a number");
    return false;
  }
  return true;
}

bool PropertyReader::ReadInteger(std::string_view name, int* out) {
  double number = 0;
  if (!ReadNumber(name, &number)) return false;
  if (number < 0 || number > 1e6 || number != std::floor(number)) {
    Problem(std::string(name) + " '" + *Find(name) + "' is not a count");
    return false;
  }
  *out = static_cast<int>(number);
  return true;
}

bool PropertyReader::ReadBool(std::string_view name, bool* out) {
  const std::string* text = Find(name);
  if (text == nullptr) return false;
  const std::string_view value = Trim(*text);
  if (vellomar::EqualFolded(value, "yes") || vellomar::EqualFolded(value, "true") || value == "1") {
    *out = true;
  } else if (vellomar::EqualFolded(value, "no") || vellomar::EqualFolded(value, "false") ||
             value == "0") {
    *out = false;
  } else {
    Problem(std::string(name) + " '" + *text + "' is neither yes nor no");
    return false;
  }
  return true;
}

bool PropertyReader::ReadColour(std::string_view name, Rgb* out) {
  const std::string* text = Find(name);
  if (text == nullptr) return false;
  if (!ParseColour(*text, out)) {
    Problem(std::string(name) + " '" + *text + "' is not a colour");
    return false;
  }
  return true;
}

bool PropertyReader::ReadPair(std::string_view name, double* x, double* y) {
  const XmlNode* child = Child(name);
  if (child != nullptr && !child->attributes.empty()) {
    PropertyReader inner(*child, problems_);
    double new_x = 0;
    double new_y = 0;
    inner.ReadNumber("X", &new_x);
    inner.ReadNumber("Y", &new_y);
    *x = new_x;
    *y = new_y;
    return true;
  }
  const std::string* text = Find(name);
  if (text == nullptr) return false;
  const size_t comma = text->find(',');
  double new_x = 0;
  double new_y = 0;
  if (comma == std::string::npos ||
      !ParseNumber(std::string_view(*text).substr(0, comma), &new_x) ||
      !ParseNumber(std::string_view(*text).substr(comma + 1), &new_y)) {
    Problem(std::string(name) + " '" + *text + "' is not a pair x,y");
    return false;
  }
  *x = new_x;
  *y = new_y;
  return true;
}

bool PropertyReader::ReadText(std::string_view name, std::string* out) {
  const std::string* text = Find(name);
  if (text == nullptr || Trim(*text).empty()) return false;
  *out = std::string(Trim(*text));
  return true;
}

}  // namespace runner
