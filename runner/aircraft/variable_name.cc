#include "runner/aircraft/variable_name.h"

#include <vector>

#include "common/ascii_case.h"
#include "runner/base/text.h"

namespace runner {

namespace {

// The parts between the commas outside '...', each trimmed.
std::vector<std::string_view> SplitParts(std::string_view text) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  bool quoted = false;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || (text[i] == ',' && !quoted)) {
      parts.push_back(Trim(text.substr(start, i - start)));
      start = i + 1;
    } else if (text[i] == '\'') {
      quoted = !quoted;
    }
  }
  return parts;
}

// Digits, with blanks around them; at most 9 of them, so that any index fits.
bool ParseIndex(std::string_view text, int* index) {
  text = Trim(text);
  if (text.empty() || text.size() > 9) return false;
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  *index = value;
  return true;
}

// NAME:INDEX into the name and the index; false, and nothing changed, when
// what follows the last ':' is not an index.
bool TrailingIndex(std::string_view* name, int* index) {
  const size_t colon = name->rfind(':');
  if (colon == std::string_view::npos || !ParseIndex(name->substr(colon + 1), index)) return false;
  *name = Trim(name->substr(0, colon));
  return true;
}

}  // namespace

bool ParseVariableName(std::string_view written, VariableName* variable, VariableNameError* error) {
  *variable = VariableName();
  *error = VariableNameError::kNone;
  variable->written = std::string(Trim(written));
  const std::vector<std::string_view> parts = SplitParts(written);
  const std::string_view head = parts[0];
  if (head.size() < 2 || head[1] != ':') {
    *error = VariableNameError::kNoKind;
    return false;
  }
  variable->kind = vellomar::UpperAscii(head[0]);
  std::string_view name = Trim(head.substr(2));
  if (name.empty()) {
    *error = VariableNameError::kNoName;
    return false;
  }
  if (parts.size() > 1) {
    variable->has_unit = true;
    variable->unit_name = std::string(parts[1]);
    if (parts[1].empty()) {
      *error = VariableNameError::kNoUnit;
      return false;
    }
    variable->unit = FindUnit(parts[1]);
  }
  if (variable->kind == 'A') {
    TrailingIndex(&name, &variable->index);
  } else if (variable->kind == 'C') {
    const size_t colon = name.find(':');
    if (colon == std::string_view::npos) {
      *error = VariableNameError::kNoProperty;
      return false;
    }
    variable->callback = std::string(Trim(name.substr(0, colon)));
    name = Trim(name.substr(colon + 1));
    variable->property = std::string(name);
    if (variable->callback.empty()) {
      *error = VariableNameError::kNoCallback;
      return false;
    }
    if (name.empty()) {
      *error = VariableNameError::kNoPropertyName;
      return false;
    }
    const size_t inner = name.find(':');
    if (inner != std::string_view::npos && ParseIndex(name.substr(0, inner), &variable->index)) {
      name = Trim(name.substr(inner + 1));
    } else {
      TrailingIndex(&name, &variable->index);
    }
  }
  variable->name = std::string(name);
  return true;
}

}  // namespace runner
