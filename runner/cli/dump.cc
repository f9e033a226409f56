#include "runner/cli/dump.h"

#include <cstring>
#include <string>

#include "runner/base/number_format.h"
#include "vellomar.h"

namespace runner {

namespace {

std::string SlotText(const char* slot) {
  const void* end = std::memchr(slot, '\0', VELLOMAR_TEXT_SLOT_SIZE - 1);
  return std::string(
      slot, end != nullptr ? static_cast<const char*>(end) : slot + VELLOMAR_TEXT_SLOT_SIZE - 1);
}

void DumpArrays(const hostsim::Session& session, std::ostream& out) {
  for (auto* array = static_cast<const ArrayRecord*>(session.exports().get_first_array());
       array != nullptr; array = array->next) {
    const bool strings = array->strings != nullptr;
    out << "array '" << (array->name != nullptr ? array->name : "")
        << "': " << (strings ? "string" : "number") << ", size " << array->size << ", token "
        << array->token << '\n';
    for (int32_t i = 0; i < array->size; ++i) {
      const size_t at = static_cast<size_t>(i);
      if (strings) {
        const std::string text = SlotText(array->strings + at * VELLOMAR_TEXT_SLOT_SIZE);
        if (!text.empty()) out << "  [" << i << "] '" << text << "'\n";
      } else if (array->numbers != nullptr && array->numbers[at] != 0) {
        out << "  [" << i << "] " << FormatNumber(array->numbers[at]) << '\n';
      }
    }
  }
}

void DumpUserVariables(const hostsim::Session& session, std::ostream& out) {
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
    out << "user variable " << id << " '" << SlotText(keyword) << "' = '" << SlotText(value)
        << "'\n";
  }
}

}  // namespace

void DumpStorage(const hostsim::Session& session, std::ostream& out) {
  DumpArrays(session, out);
  DumpUserVariables(session, out);
}

}  // namespace runner
