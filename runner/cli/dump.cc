#include "runner/cli/dump.h"

#include <cstring>
#include <string>

#include "runner/base/ansi.h"
#include "runner/base/number_format.h"
#include "vellomar.h"

namespace runner {

namespace {

std::string SlotText(const char* slot) {
  const void* end = std::memchr(slot, '\0', VELLOMAR_TEXT_SLOT_SIZE - 1);
  return std::string(
      slot, end != nullptr ? static_cast<const char*>(end) : slot + VELLOMAR_TEXT_SLOT_SIZE - 1);
}

void ReadArrays(const hostsim::Session& session, std::vector<StorageEntry>* entries) {
  using Kind = StorageEntry::Kind;
  for (auto* array = static_cast<const ArrayRecord*>(session.exports().get_first_array());
       array != nullptr; array = array->next) {
    const std::string name = array->name != nullptr ? array->name : "";
    const bool strings = array->strings != nullptr;
    entries->push_back(
        {Kind::kArray, name, 0,
         std::string(strings ? "string" : "number") + ", size " + std::to_string(array->size),
         array->token});
    for (int32_t i = 0; i < array->size; ++i) {
      const size_t at = static_cast<size_t>(i);
      if (strings) {
        const std::string text = SlotText(array->strings + at * VELLOMAR_TEXT_SLOT_SIZE);
        if (!text.empty()) entries->push_back({Kind::kElement, name, i, "'" + text + "'", 0});
      } else if (array->numbers != nullptr && array->numbers[at] != 0) {
        entries->push_back({Kind::kElement, name, i, FormatNumber(array->numbers[at]), 0});
      }
    }
  }
}

void ReadUserVariables(const hostsim::Session& session, std::vector<StorageEntry>* entries) {
  const hostsim::PanelObject& panel = session.panel();
  const hostsim::GaugeObject& gauge = session.gauge();
  if (!panel || !gauge) return;
  const int32_t first = session.exports().get_first_user_var();
  const int32_t end = session.exports().get_max_vars();
  for (int32_t id = first; id < end; ++id) {
    const char* keyword = nullptr;
    const char* value = nullptr;
    if (!panel.ConvertPropertyToString(id, &keyword) || keyword == nullptr) continue;
    if (!gauge.GetText(id, &value) || value == nullptr) value = "";
    entries->push_back(
        {StorageEntry::Kind::kUserVariable, SlotText(keyword), id, SlotText(value), 0});
  }
}

}  // namespace

std::vector<StorageEntry> ReadStorage(const hostsim::Session& session) {
  std::vector<StorageEntry> entries;
  ReadArrays(session, &entries);
  ReadUserVariables(session, &entries);
  return entries;
}

namespace {

std::string EntryBytes(const StorageEntry& entry) {
  switch (entry.kind) {
    case StorageEntry::Kind::kArray:
      return "array '" + entry.name + "': " + entry.value;
    case StorageEntry::Kind::kElement:
      return "array '" + entry.name + "' [" + std::to_string(entry.number) + "] " + entry.value;
    case StorageEntry::Kind::kUserVariable:
      break;
  }
  return "user variable " + std::to_string(entry.number) + " '" + entry.name + "' = '" +
         entry.value + "'";
}

}  // namespace

// The module keeps ANSI bytes; the line is shown in UTF-8.
std::string EntryLine(const StorageEntry& entry) { return AnsiToUtf8(EntryBytes(entry)); }

void DumpStorage(const hostsim::Session& session, std::ostream& out) {
  for (const StorageEntry& entry : ReadStorage(session)) {
    switch (entry.kind) {
      case StorageEntry::Kind::kArray:
        out << EntryLine(entry) << ", token " << entry.token << '\n';
        break;
      case StorageEntry::Kind::kElement:
        out << "  [" << entry.number << "] " << entry.value << '\n';
        break;
      case StorageEntry::Kind::kUserVariable:
        out << EntryLine(entry) << '\n';
        break;
    }
  }
}

}  // namespace runner
