#include "runner/cli/trace.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <tuple>
#include <utility>

namespace runner {

namespace {

// What a storage entry is about, to find it again in the next frame: an
// array, an element of an array or a user variable.
using StorageKey = std::tuple<StorageEntry::Kind, std::string, int32_t>;

StorageKey KeyOf(const StorageEntry& entry) { return {entry.kind, entry.name, entry.number}; }

// JSON wants UTF-8; a gauge may show any bytes: dump() replaces bytes that
// are not valid UTF-8 rather than refusing them.
nlohmann::ordered_json JsonText(const std::string& text) { return nlohmann::ordered_json(text); }

// Ten significant digits: enough to read, and the same on every build
// (a last-bit difference of an x87 build stays out of the golden traces).
std::string TraceNumber(double value) {
  if (value == 0) return "0";  // and not "-0"
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", value);
  return text;
}

}  // namespace

std::string Trace::Quote(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        quoted += "\\\"";
        break;
      case '\\':
        quoted += "\\\\";
        break;
      case '\n':
        quoted += "\\n";
        break;
      case '\r':
        quoted += "\\r";
        break;
      case '\t':
        quoted += "\\t";
        break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          static const char kHex[] = "0123456789abcdef";
          quoted += "\\x";
          quoted += kHex[byte >> 4];
          quoted += kHex[byte & 15];
        } else {
          quoted += c;
        }
    }
  }
  return quoted + "\"";
}

void Trace::BeginFrame(int frame) {
  if (mode_ == Mode::kTrace) *out_ << "frame " << frame << '\n';
}

void Trace::Gauges(int frame, const std::vector<GaugeFrame>& gauges) {
  if (mode_ == Mode::kQuiet) return;
  if (mode_ == Mode::kJson) {
    for (const GaugeFrame& gauge : gauges) {
      nlohmann::ordered_json line;
      line["frame"] = frame;
      line["gauge"] = JsonText(gauge.file);
      line["strings"] = nlohmann::ordered_json::array();
      for (const GaugeFrame::Shown& shown : gauge.strings) {
        line["strings"].push_back(JsonText(shown.text));
      }
      line["events"] = nlohmann::ordered_json::array();
      for (const FiredEvent& event : gauge.events) {
        line["events"].push_back({{"event", JsonText(event.name)}, {"value", event.parameter}});
      }
      line["values"] = nlohmann::ordered_json::array();
      for (const GaugeFrame::Position& position : gauge.values) {
        line["values"].push_back({{"site", JsonText(position.site)}, {"value", position.value}});
      }
      line["variables"] = nlohmann::ordered_json::array();
      for (const VariableChange& change : gauge.changes) {
        line["variables"].push_back({{"name", JsonText(change.name)}, {"value", change.value}});
      }
      line["clicks"] = nlohmann::ordered_json::array();
      for (const std::string& click : gauge.clicks) line["clicks"].push_back(JsonText(click));
      *out_ << line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    }
    return;
  }
  for (const GaugeFrame& gauge : gauges) {
    *out_ << "gauge " << gauge.file << '\n';
    for (const std::string& click : gauge.clicks) *out_ << "  click " << click << '\n';
    for (const GaugeFrame::Shown& shown : gauge.strings) {
      *out_ << "  text " << shown.site << ": " << Quote(shown.text) << '\n';
    }
    for (const GaugeFrame::Position& position : gauge.values) {
      *out_ << "  value " << position.site << ": " << TraceNumber(position.value) << '\n';
    }
    for (const FiredEvent& event : gauge.events) {
      *out_ << "  event K:" << event.name << ' ' << TraceNumber(event.parameter) << '\n';
    }
    for (const VariableChange& change : gauge.changes) {
      *out_ << "  set " << change.name << " = " << TraceNumber(change.value) << '\n';
    }
  }
}

void Trace::Storage(std::vector<StorageEntry> entries) {
  if (mode_ == Mode::kTrace) {
    std::map<StorageKey, const StorageEntry*> old_entries;
    for (const StorageEntry& entry : storage_) old_entries[KeyOf(entry)] = &entry;
    std::set<StorageKey> new_keys;
    for (const StorageEntry& entry : entries) new_keys.insert(KeyOf(entry));
    for (const StorageEntry& entry : storage_) {
      if (new_keys.count(KeyOf(entry)) == 0) *out_ << "storage gone " << EntryLine(entry) << '\n';
    }
    for (const StorageEntry& entry : entries) {
      const auto old = old_entries.find(KeyOf(entry));
      if (old == old_entries.end() || old->second->value != entry.value) {
        *out_ << "storage " << EntryLine(entry) << '\n';
      }
    }
  }
  storage_ = std::move(entries);
}

void Trace::Summary(const RunSummary& summary) {
  if (mode_ == Mode::kJson) {
    nlohmann::ordered_json unset = nlohmann::ordered_json::array();
    for (const std::string& name : summary.unset) unset.push_back(JsonText(name));
    const nlohmann::ordered_json line = {{"summary",
                                          {{"gauges", summary.gauges},
                                           {"scripts", summary.scripts},
                                           {"ran", summary.ran},
                                           {"failed", summary.failed},
                                           {"warnings", summary.warnings},
                                           {"unreadable", summary.unreadable},
                                           {"unset", unset},
                                           {"expectations", summary.expectations},
                                           {"met", summary.met}}}};
    *out_ << line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    return;
  }
  *out_ << "summary: " << summary.gauges << (summary.gauges == 1 ? " gauge, " : " gauges, ")
        << summary.scripts << (summary.scripts == 1 ? " script, " : " scripts, ") << summary.ran
        << " ran, " << summary.failed << " failed, " << summary.warnings
        << (summary.warnings == 1 ? " warning" : " warnings");
  if (summary.unreadable > 0) *out_ << ", " << summary.unreadable << " unreadable";
  if (summary.expectations > 0) {
    *out_ << ", " << summary.expectations
          << (summary.expectations == 1 ? " expectation, " : " expectations, ") << summary.met
          << " met";
  }
  *out_ << '\n';
  for (const std::string& name : summary.unset) *out_ << "unset " << name << '\n';
}

}  // namespace runner
