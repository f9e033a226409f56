#include "runner/cli/trace.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <string_view>
#include <tuple>
#include <utility>

#include "runner/base/ansi.h"

namespace runner {

namespace {

// What a storage entry is about, to find it again in the next frame: an
// array, an element of an array or a user variable.
using StorageKey = std::tuple<StorageEntry::Kind, std::string, int32_t>;

StorageKey KeyOf(const StorageEntry& entry) { return {entry.kind, entry.name, entry.number}; }

// One line of JSON, written as it goes: the structure here, every text
// through Text(), which leaves escaping (and bytes that are not UTF-8) to the
// JSON library unless the text needs none. A frame of a large gauge is
// hundreds of values, and building a document of them first would cost more
// than running the frame.
class JsonLine {
 public:
  // Writes into `*buffer` (emptied), kept from line to line so that its
  // room is made once.
  explicit JsonLine(std::string* buffer) : line_(*buffer) { line_.clear(); }
  void Begin() {
    Comma();
    line_ += '{';
    first_ = true;
  }
  void End() {
    line_ += '}';
    first_ = false;
  }
  template <size_t N>
  void BeginArray(const char (&key)[N]) {
    Key(key);
    Comma();
    line_ += '[';
    first_ = true;
  }
  void EndArray() {
    line_ += ']';
    first_ = false;
  }
  template <size_t N>
  void Key(const char (&key)[N]) {
    Comma();
    line_ += '"';
    line_.append(key, N - 1);
    line_ += "\":";
    first_ = true;
  }
  // JSON wants UTF-8; a gauge may show any bytes: those that are not UTF-8
  // are replaced rather than refused.
  void Text(std::string_view text) {
    Comma();
    if (Plain(text)) {
      line_ += '"';
      line_ += text;
      line_ += '"';
    } else {
      line_ += nlohmann::json(std::string(text))
                   .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    }
  }
  // A script's or the module's bytes (Windows-1252): most are plain ASCII,
  // written as they are without a converted copy.
  void AnsiText(std::string_view text) {
    if (!Plain(text)) return Text(AnsiToUtf8(text));
    Comma();
    line_ += '"';
    line_ += text;
    line_ += '"';
  }
  // JSON has no infinities or NaN: they are written as the texts
  // "Infinity", "-Infinity" and "NaN".
  void Number(double value) {
    if (std::isnan(value)) return Text("NaN");
    if (std::isinf(value)) return Text(value < 0 ? "-Infinity" : "Infinity");
    Comma();
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    const std::string_view written(digits, static_cast<size_t>(result.ptr - digits));
    line_ += written;
    // As the JSON library writes a whole number held as a double: "350.0".
    if (written.find_first_of(".e") == std::string_view::npos) line_ += ".0";
  }
  void Integer(long long value) {
    Comma();
    line_ += std::to_string(value);
  }
  void Bool(bool value) {
    Comma();
    line_ += value ? "true" : "false";
  }
  void Null() {
    Comma();
    line_ += "null";
  }
  void Value(const runner::Value& value) {
    if (value.is_text()) return AnsiText(value.text());
    Number(value.number());
  }
  template <size_t N>
  void TextField(const char (&key)[N], std::string_view text) {
    Key(key);
    Text(text);
  }
  template <size_t N>
  void NumberField(const char (&key)[N], double value) {
    Key(key);
    Number(value);
  }
  template <size_t N>
  void IntegerField(const char (&key)[N], long long value) {
    Key(key);
    Integer(value);
  }
  // Writes the line and starts the next one.
  void WriteTo(std::ostream* out) {
    line_ += '\n';
    *out << line_;
    line_.clear();
    first_ = true;
  }

 private:
  static bool Plain(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c >= 0x20 && c < 0x7F && c != '"' && c != '\\'; });
  }
  void Comma() {
    if (!first_) line_ += ',';
    first_ = false;
  }

  std::string& line_;
  bool first_ = true;  // nothing written yet where the next value goes
};

const char* LevelName(Severity severity) {
  switch (severity) {
    case Severity::kWarning:
      return "warning";
    case Severity::kError:
      return "error";
    case Severity::kUnreadable:
      break;
  }
  return "unreadable";
}

// "Element 'Needle'" -> "Needle", "Element #3" -> "#3"; other owners as
// they are.
std::string_view ElementName(std::string_view owner) {
  constexpr std::string_view kElement = "Element ";
  if (owner.substr(0, kElement.size()) != kElement) return owner;
  owner.remove_prefix(kElement.size());
  if (owner.size() >= 2 && owner.front() == '\'' && owner.back() == '\'') {
    owner = owner.substr(1, owner.size() - 2);
  }
  return owner;
}

// The element of a site: "Element 'Needle' <Rotate>" -> "Needle" (see
// SiteOwner), without copying it.
std::string_view SiteElement(std::string_view site) {
  return ElementName(site.substr(0, site.find(" <")));
}

// The message object's fields, in an object begun by the caller.
void MessageFields(const Diagnostic& diagnostic, JsonLine* line) {
  const std::string owner = SiteOwner(diagnostic.site);
  line->TextField("level", LevelName(diagnostic.severity));
  line->TextField("file", diagnostic.place.file);
  line->IntegerField("line", diagnostic.place.line);
  line->IntegerField("col", diagnostic.place.column);
  line->Key("element");
  if (owner.empty()) {
    line->Null();
  } else {
    line->Text(ElementName(owner));
  }
  line->TextField("site", diagnostic.site);
  line->IntegerField("frame", diagnostic.frame);
  line->TextField("message", MixedToUtf8(diagnostic.message));
  line->TextField("text", FormatDiagnostic(diagnostic));
}

// {"message": {...}}, a message reported outside a gauge's frame.
void WriteMessageLine(const Diagnostic& diagnostic, JsonLine* line, std::ostream* out) {
  line->Begin();
  line->Key("message");
  line->Begin();
  MessageFields(diagnostic, line);
  line->End();
  line->End();
  line->WriteTo(out);
}

const char* KindName(SiteKind kind) {
  switch (kind) {
    case SiteKind::kSelect:
      return "select";
    case SiteKind::kRotate:
      return "rotate";
    case SiteKind::kShift:
      return "shift";
    default:
      break;
  }
  return "value";
}

// The unit a Select, Rotate, Shift or Value result is in.
const char* KindUnit(SiteKind kind) {
  switch (kind) {
    case SiteKind::kRotate:
      return "radians";
    case SiteKind::kShift:
      return "pixels";
    default:
      break;
  }
  return "number";
}

const char* UnitName(const Unit* unit) { return unit != nullptr ? unit->name : "number"; }

const char* StorageKind(StorageEntry::Kind kind) {
  switch (kind) {
    case StorageEntry::Kind::kArray:
      return "array";
    case StorageEntry::Kind::kElement:
      return "element";
    case StorageEntry::Kind::kUserVariable:
      break;
  }
  return "user variable";
}

void StorageObject(const StorageEntry& entry, bool gone, JsonLine* line) {
  line->Begin();
  line->TextField("change", gone ? "gone" : "set");
  line->TextField("kind", StorageKind(entry.kind));
  line->Key("name");
  line->AnsiText(entry.name);
  line->IntegerField("number", entry.number);
  line->Key("value");
  line->AnsiText(entry.value);
  line->TextField("line", EntryLine(entry));
  line->End();
}

// The line of a Select, Rotate, Shift or Value result.
std::string ValueLine(const GaugeFrame::Position& position) {
  std::string line = "value " + position.site + ": " + Trace::Number(position.value);
  if (position.kind == SiteKind::kSelect) {
    line +=
        position.case_index < 0 ? ", no case" : ", case " + std::to_string(position.case_index + 1);
  }
  return line;
}

std::string ScriptLine(const GaugeFrame::Computed& computed) {
  return "script " + *computed.site + ": " +
         (computed.value.is_text() ? Trace::Quote(computed.value.text())
                                   : Trace::Number(computed.value.number()));
}

}  // namespace

std::string Trace::Number(double value) {
  // Ten significant digits: enough to read, and the same on every build
  // (a last-bit difference of an x87 build stays out of the golden traces).
  if (value == 0) return "0";  // and not "-0"
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", value);
  return text;
}

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
        } else if (byte >= 0x80) {
          AppendAnsiAsUtf8(byte, &quoted);  // unassigned bytes as \xNN
        } else {
          quoted += c;
        }
    }
  }
  return quoted + "\"";
}

void Trace::Start() {
  if (started_ || mode_ != Mode::kJson) return;
  started_ = true;
  JsonLine line(&json_);
  line.Begin();
  line.IntegerField("version", kJsonVersion);
  line.TextField("program", "vellomar-run");
  line.End();
  line.WriteTo(out_);
}

void Trace::Header() {
  if (header_ || mode_ != Mode::kTrace || frame_ == 0) return;
  header_ = true;
  *out_ << "frame " << frame_ << '\n';
}

void Trace::BeginFrame(int frame) {
  frame_ = frame;
  header_ = false;
  // Without --changes every frame printed has its header, even when empty.
  if (!frames_.changes && Printed(frame)) Header();
}

bool Trace::Take(const Diagnostic& diagnostic) {
  switch (mode_) {
    case Mode::kQuiet:
      return false;
    case Mode::kJson: {
      Start();
      JsonLine line(&json_);
      WriteMessageLine(diagnostic, &line, out_);
      return false;
    }
    case Mode::kTrace:
      break;
  }
  Header();
  WriteMessage(*out_, FormatDiagnostic(diagnostic));
  return true;
}

void Trace::Gauges(int frame, const std::vector<GaugeFrame>& gauges) {
  if (mode_ == Mode::kQuiet) return;
  const bool printed = Printed(frame);
  if (mode_ == Mode::kJson) {
    Start();
    if (!printed) {
      // Messages are never left out.
      JsonLine line(&json_);
      for (const GaugeFrame& gauge : gauges) {
        for (const Diagnostic& message : gauge.messages) WriteMessageLine(message, &line, out_);
      }
      return;
    }
    for (const GaugeFrame& gauge : gauges) JsonGauge(frame, gauge);
    return;
  }
  if (frames_.changes) last_.resize(gauges.size());
  const bool whole = printed && (!frames_.changes || !first_printed_);
  if (printed) first_printed_ = true;
  for (size_t g = 0; g < gauges.size(); ++g) {
    const GaugeFrame& gauge = gauges[g];
    if (!printed) {
      // Messages are never left out.
      if (gauge.messages.empty()) continue;
      Header();
      *out_ << "gauge " << gauge.file << '\n';
      for (const Diagnostic& message : gauge.messages) {
        WriteMessage(*out_, FormatDiagnostic(message));
      }
      continue;
    }
    TraceGauge(gauge, whole);
  }
}

void Trace::TraceGauge(const GaugeFrame& gauge, bool whole) {
  std::string lines;
  const auto add = [&lines](const std::string& line) {
    lines += "  ";
    lines += line;
    lines += '\n';
  };
  for (const GaugeFrame::Happening& happening : gauge.happened) {
    switch (happening.kind) {
      case GaugeFrame::Happening::Kind::kClick:
        add("click " + gauge.clicks[happening.index].Line());
        break;
      case GaugeFrame::Happening::Kind::kEvent: {
        const FiredEvent& event = gauge.events[happening.index];
        add("event K:" + event.name + ' ' + Number(event.parameter));
        break;
      }
      case GaugeFrame::Happening::Kind::kMessage:
        lines += "vellomar-run: " + FormatDiagnostic(gauge.messages[happening.index]) + '\n';
        break;
    }
  }
  // The state lines, each under what it shows (a site, an element), to
  // compare with the last frame's.
  std::vector<std::pair<std::string, std::string>> state;
  for (const std::string* hidden : gauge.hidden) {
    state.emplace_back("hidden " + *hidden, "hidden " + *hidden);
  }
  for (const GaugeFrame::Shown& shown : gauge.strings) {
    state.emplace_back("text " + shown.site, "text " + shown.site + ": " + Quote(shown.text));
  }
  for (const GaugeFrame::Position& position : gauge.values) {
    state.emplace_back("value " + position.site, ValueLine(position));
  }
  for (const GaugeFrame::Computed& computed : gauge.scripts) {
    state.emplace_back("script " + *computed.site, ScriptLine(computed));
  }
  if (!frames_.changes || whole) {
    for (const auto& [key, line] : state) add(line);
  }
  if (frames_.changes) {
    std::map<std::string, std::string>& last = last_[static_cast<size_t>(gauge.gauge)];
    std::map<std::string, std::string> now;
    if (!whole) {
      // Elements hidden in the last frame and not now come first.
      std::set<std::string> hidden;
      for (const std::string* name : gauge.hidden) hidden.insert("hidden " + *name);
      for (const auto& [key, line] : last) {
        if (line.compare(0, 7, "hidden ") == 0 && hidden.count(key) == 0) {
          add("shown " + line.substr(7));
        }
      }
    }
    for (auto& [key, line] : state) {
      // A site named twice (two elements of one id) counts its lines.
      std::string unique = key;
      for (int n = 2; now.count(unique) != 0; ++n) unique = key + " #" + std::to_string(n);
      if (!whole) {
        const auto before = last.find(unique);
        if (before == last.end() || before->second != line) add(line);
      }
      now.emplace(std::move(unique), std::move(line));
    }
    last = std::move(now);
  }
  for (const VariableChange& change : gauge.changes) {
    add("set " + change.name + ", " + UnitName(change.unit) + " = " + Number(change.written));
  }
  if (lines.empty() && frames_.changes) return;
  Header();
  *out_ << "gauge " << gauge.file << '\n' << lines;
}

void Trace::JsonGauge(int frame, const GaugeFrame& gauge) {
  JsonLine line(&json_);
  line.Begin();
  line.IntegerField("frame", frame);
  line.TextField("gauge", gauge.file);
  line.BeginArray("strings");
  for (const GaugeFrame::Shown& shown : gauge.strings) line.AnsiText(shown.text);
  line.EndArray();
  // Each click, event and message knows its place among the others.
  std::vector<size_t> orders[3];
  orders[0].resize(gauge.clicks.size());
  orders[1].resize(gauge.events.size());
  orders[2].resize(gauge.messages.size());
  for (size_t i = 0; i < gauge.happened.size(); ++i) {
    const GaugeFrame::Happening& happening = gauge.happened[i];
    std::vector<size_t>& order = orders[static_cast<int>(happening.kind)];
    if (happening.index < order.size()) order[happening.index] = i;
  }
  const auto order = [](size_t place) { return static_cast<long long>(place); };
  line.BeginArray("events");
  for (size_t i = 0; i < gauge.events.size(); ++i) {
    line.Begin();
    line.TextField("event", gauge.events[i].name);
    line.NumberField("value", gauge.events[i].parameter);
    line.IntegerField("order", order(orders[1][i]));
    line.End();
  }
  line.EndArray();
  line.BeginArray("values");
  for (const GaugeFrame::Position& position : gauge.values) {
    line.Begin();
    line.TextField("site", position.site);
    line.NumberField("value", position.value);
    line.TextField("element", SiteElement(position.site));
    line.TextField("kind", KindName(position.kind));
    line.TextField("unit", KindUnit(position.kind));
    if (position.kind == SiteKind::kSelect) {
      line.Key("case");
      if (position.case_index < 0) {
        line.Null();
      } else {
        line.Integer(position.case_index + 1);
      }
    }
    line.End();
  }
  line.EndArray();
  line.BeginArray("variables");
  for (const VariableChange& change : gauge.changes) {
    line.Begin();
    line.TextField("name", change.name);
    line.NumberField("value", change.value);
    line.TextField("unit", UnitName(change.unit));
    line.NumberField("written", change.written);
    line.End();
  }
  line.EndArray();
  line.BeginArray("clicks");
  for (const GaugeFrame::Clicked& click : gauge.clicks) line.Text(click.Line());
  line.EndArray();
  line.BeginArray("texts");
  for (const GaugeFrame::Shown& shown : gauge.strings) {
    line.Begin();
    line.TextField("element", SiteElement(shown.site));
    line.TextField("site", shown.site);
    line.Key("text");
    line.AnsiText(shown.text);
    line.End();
  }
  line.EndArray();
  line.BeginArray("scripts");
  for (const GaugeFrame::Computed& computed : gauge.scripts) {
    line.Begin();
    line.TextField("element", SiteElement(*computed.site));
    line.TextField("site", *computed.site);
    line.Key("value");
    line.Value(computed.value);
    line.End();
  }
  line.EndArray();
  line.BeginArray("hidden");
  for (const std::string* name : gauge.hidden) line.Text(ElementName(*name));
  line.EndArray();
  line.BeginArray("clicked");
  for (size_t i = 0; i < gauge.clicks.size(); ++i) {
    const GaugeFrame::Clicked& click = gauge.clicks[i];
    line.Begin();
    line.TextField("area", click.area);
    line.TextField("tooltip", click.tooltip);
    line.TextField("event", click.event);
    line.Key("done");
    line.Bool(click.note.empty());
    line.TextField("note", click.note);
    line.IntegerField("order", order(orders[0][i]));
    line.End();
  }
  line.EndArray();
  line.BeginArray("messages");
  for (size_t i = 0; i < gauge.messages.size(); ++i) {
    line.Begin();
    MessageFields(gauge.messages[i], &line);
    line.IntegerField("order", order(orders[2][i]));
    line.End();
  }
  line.EndArray();
  line.End();
  line.WriteTo(out_);
}

void Trace::Storage(std::vector<StorageEntry> entries) {
  if (mode_ == Mode::kQuiet) return;
  const bool json = mode_ == Mode::kJson;
  // Mostly nothing changed, entry for entry.
  const auto same = [](const StorageEntry& a, const StorageEntry& b) {
    return a.kind == b.kind && a.number == b.number && a.value == b.value && a.name == b.name;
  };
  if (entries.size() == storage_.size() &&
      std::equal(entries.begin(), entries.end(), storage_.begin(), same)) {
    storage_ = std::move(entries);
    return;
  }
  std::map<StorageKey, const StorageEntry*> old_entries;
  for (const StorageEntry& entry : storage_) old_entries[KeyOf(entry)] = &entry;
  std::set<StorageKey> new_keys;
  for (const StorageEntry& entry : entries) new_keys.insert(KeyOf(entry));
  std::string lines;
  if (json) Start();  // before the line below takes the buffer
  JsonLine changes(&json_);
  bool changed = false;
  if (json) {
    changes.Begin();
    changes.IntegerField("frame", frame_);
    changes.BeginArray("storage");
  }
  for (const StorageEntry& entry : storage_) {
    if (new_keys.count(KeyOf(entry)) != 0) continue;
    changed = true;
    if (json) {
      StorageObject(entry, true, &changes);
    } else {
      lines += "storage gone " + EntryLine(entry) + '\n';
    }
  }
  for (const StorageEntry& entry : entries) {
    const auto old = old_entries.find(KeyOf(entry));
    if (old != old_entries.end() && old->second->value == entry.value) continue;
    changed = true;
    if (json) {
      StorageObject(entry, false, &changes);
    } else {
      lines += "storage " + EntryLine(entry) + '\n';
    }
  }
  storage_ = std::move(entries);
  if (!Printed(frame_)) return;
  if (json && changed) {
    changes.EndArray();
    changes.End();
    changes.WriteTo(out_);
  } else if (!lines.empty()) {
    Header();
    *out_ << lines;
  }
}

void Trace::Summary(const RunSummary& summary) {
  if (mode_ == Mode::kJson) {
    Start();
    JsonLine line(&json_);
    line.Begin();
    line.Key("summary");
    line.Begin();
    line.IntegerField("gauges", summary.gauges);
    line.IntegerField("scripts", summary.scripts);
    line.IntegerField("ran", summary.ran);
    line.IntegerField("failed", summary.failed);
    line.IntegerField("warnings", summary.warnings);
    line.IntegerField("unreadable", summary.unreadable);
    line.BeginArray("unset");
    for (const std::string& name : summary.unset) line.Text(name);
    line.EndArray();
    line.IntegerField("expectations", summary.expectations);
    line.IntegerField("met", summary.met);
    line.End();
    line.End();
    line.WriteTo(out_);
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
