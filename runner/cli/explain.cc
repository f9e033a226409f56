#include "runner/cli/explain.h"

#include <algorithm>
#include <charconv>
#include <set>
#include <system_error>
#include <utility>

#include "common/ascii_case.h"
#include "runner/base/text.h"
#include "runner/language/engine.h"
#include "runner/language/observer.h"
#include "runner/language/script.h"
#include "runner/language/templates.h"

namespace runner {

namespace {

// Rows beyond this many in one run (a loop) are counted, not printed.
constexpr size_t kMaxRows = 2000;
// Widest word and stack columns; a longer cell pushes the rest of its row.
constexpr size_t kWordWidth = 32;
constexpr size_t kStackWidth = 36;
// Names and lines listed when a WHERE names nothing.
constexpr size_t kListed = 8;

bool ParseWhole(const std::string& text, int* number) {
  const char* end = text.c_str() + text.size();
  const auto result = std::from_chars(text.c_str(), end, *number);
  return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

std::string Fold(std::string_view text) { return vellomar::FoldAscii(std::string(Trim(text))); }

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string PlaceText(int line, int column) {
  return std::to_string(line) + ":" + std::to_string(column);
}

// A cell on one line: line breaks and tabs as the trace escapes them.
std::string OneLine(const std::string& text) {
  std::string line;
  for (const char c : text) {
    if (c == '\n') {
      line += "\\n";
    } else if (c == '\r') {
      line += "\\r";
    } else if (c == '\t') {
      line += "\\t";
    } else {
      line += c;
    }
  }
  return line;
}

std::string ShowStack(const Stack& stack) {
  if (stack.empty()) return "(empty)";
  std::string shown;
  for (int i = 0; i < stack.size(); ++i) {
    if (i > 0) shown += ' ';
    shown += ShowValue(stack.at(i));
  }
  return OneLine(shown);
}

// The lines a compiled script covers.
void Cover(const Script& script, int* first, int* last) {
  for (const auto& place : script.places) {
    *first = *first == 0 ? place[0] : std::min(*first, place[0]);
    *last = std::max(*last, place[0]);
  }
}

void CoverTemplate(const Template& text, int* first, int* last) {
  for (const Template::Part& part : text.parts) {
    *first = *first == 0 ? part.line : std::min(*first, part.line);
    *last = std::max(*last, part.line);
  }
  for (const auto& script : text.scripts) Cover(*script, first, last);
}

// "Element 'Readout'" -> "Readout"; "MouseArea 'x'" -> "x"; else "".
std::string IdOf(const std::string& owner) {
  const size_t open = owner.find('\'');
  if (open == std::string::npos || owner.size() < open + 2 || owner.back() != '\'') return "";
  return owner.substr(open + 1, owner.size() - open - 2);
}

// What a WHERE could have said, for the message when it names nothing.
std::string Choices(const std::vector<ExplainSite>& sites, bool gauges) {
  std::vector<std::string> lines;
  std::set<std::string> seen;
  for (const ExplainSite& site : sites) {
    std::string line = site.file + ":" + std::to_string(site.first_line);
    if (site.last_line > site.first_line) line += "-" + std::to_string(site.last_line);
    if (seen.insert(line).second) lines.push_back(line);
  }
  const auto list = [](const std::vector<std::string>& items) {
    std::string text;
    for (size_t i = 0; i < items.size() && i < kListed; ++i) text += (i > 0 ? ", " : "") + items[i];
    if (items.size() > kListed) text += ", ... (" + std::to_string(items.size()) + " in all)";
    return text;
  };
  if (!gauges) {
    return "scripts are named by LINE or FILE:LINE, or all at once by '@FRAME' alone; lines "
           "with a script: " +
           list(lines);
  }
  std::string text = "name a site by LINE or FILE:LINE (" + list(lines) + ")";
  int elements = 0;
  std::vector<std::string> ids;
  seen.clear();
  bool update = false;
  for (const ExplainSite& site : sites) {
    elements = std::max(elements, site.element);
    update = update || site.update;
    if (!site.id.empty() && seen.insert(Fold(site.id)).second) ids.push_back(site.id);
  }
  if (elements > 0) text += ", by #N (#1 to #" + std::to_string(elements) + ")";
  if (!ids.empty()) text += ", by id (" + list(ids) + ")";
  if (update) text += ", or Update";
  return text;
}

}  // namespace

bool ParseExplain(const std::string& text, ExplainRequest* request, std::string* problem) {
  const size_t at = text.rfind('@');
  if (at == std::string::npos || !ParseWhole(text.substr(at + 1), &request->frame) ||
      request->frame < 1) {
    *problem = "--explain '" + text +
               "': give WHERE@FRAME, FRAME a whole number from 1 (for example 'Readout@3', "
               "'gauge.xml:12@1', '@2' for a script run)";
    return false;
  }
  request->where = std::string(Trim(text.substr(0, at)));
  return true;
}

std::vector<ExplainSite> GaugeSites(const Panel& panel) {
  std::vector<ExplainSite> sites;
  for (const SiteView& view : panel.Sites()) {
    ExplainSite site;
    const Site& model = *view.site;
    site.file = panel.model(view.gauge).file;
    site.title =
        site.file + ":" + PlaceText(model.place.line, model.place.column) + " " + model.name;
    site.first_line = model.place.line;
    site.last_line = model.place.line;
    if (view.script != nullptr) Cover(*view.script, &site.first_line, &site.last_line);
    if (view.text != nullptr) CoverTemplate(*view.text, &site.first_line, &site.last_line);
    site.element = view.element;
    site.id = IdOf(view.owner);
    site.update = model.kind == SiteKind::kUpdate;
    site.script = view.script;
    site.text = view.text;
    sites.push_back(std::move(site));
  }
  return sites;
}

ExplainSite ScriptSite(const std::string& file, Script* script) {
  ExplainSite site;
  site.file = file;
  site.script = script;
  Cover(*script, &site.first_line, &site.last_line);
  const int column = script->places.empty() ? 1 : script->places[0][1];
  site.title = file + ":" + PlaceText(site.first_line, column);
  return site;
}

ExplainSite TemplateSite(const std::string& file, Template* text) {
  ExplainSite site;
  site.file = file;
  site.text = text;
  CoverTemplate(*text, &site.first_line, &site.last_line);
  if (site.first_line == 0) site.first_line = site.last_line = 1;
  site.title = file + ":" + PlaceText(site.first_line, 1) + " template";
  return site;
}

bool SelectSites(const ExplainRequest& request, const std::vector<ExplainSite>& sites, bool gauges,
                 std::vector<ExplainSite>* chosen, std::string* problem) {
  std::string where = request.where;
  std::string file;
  const size_t colon = where.rfind(':');
  if (colon != std::string::npos) {
    const std::string prefix = where.substr(0, colon);
    for (const ExplainSite& site : sites) {
      if (site.file == prefix || BaseName(site.file) == prefix) file = prefix;
    }
    if (!file.empty()) where = where.substr(colon + 1);
  }
  int number = 0;
  const bool line = ParseWhole(where, &number);
  const bool element =
      gauges && where.size() > 1 && where[0] == '#' && ParseWhole(where.substr(1), &number);
  const bool update = gauges && Fold(where) == "update";
  chosen->clear();
  for (const ExplainSite& site : sites) {
    if (!file.empty() && site.file != file && BaseName(site.file) != file) continue;
    bool named = false;
    if (where.empty()) {
      named = !gauges;
    } else if (line) {
      named = site.first_line <= number && number <= site.last_line;
    } else if (element) {
      named = site.element == number;
    } else if (update) {
      named = site.update;
    } else if (gauges) {
      named = !site.id.empty() && Fold(site.id) == Fold(where);
    }
    if (named) chosen->push_back(site);
  }
  if (!chosen->empty()) return true;
  *problem = "--explain '" + request.where + "@" + std::to_string(request.frame) + "': ";
  if (where.empty() && gauges) {
    *problem += "which site? ";
  } else {
    *problem += "no scripting site is named so; ";
  }
  *problem += Choices(sites, gauges);
  return false;
}

bool MakeExplainer(const std::string& text, int frames, const std::vector<ExplainSite>& sites,
                   bool gauges, std::ostream* out, std::unique_ptr<Explainer>* explainer,
                   std::string* problem) {
  explainer->reset();
  if (text.empty()) return true;
  ExplainRequest request;
  std::vector<ExplainSite> chosen;
  if (!ParseExplain(text, &request, problem)) return false;
  if (request.frame > frames) {
    *problem = "--explain '" + text + "': frame " + std::to_string(request.frame) +
               " is past the last frame of the run (" + std::to_string(frames) + "; see --frames)";
    return false;
  }
  if (!SelectSites(request, sites, gauges, &chosen, problem)) return false;
  *explainer = std::make_unique<Explainer>(request.frame, std::move(chosen), out);
  return true;
}

// Collects one run's rows and prints them, aligned, when it ends.
class Explainer::SiteObserver : public RunObserver {
 public:
  SiteObserver(ExplainSite site, std::ostream* out) : site_(std::move(site)), out_(out) {}

  const ExplainSite& site() const { return site_; }
  int runs() const { return runs_; }
  void set_frame(int frame) {
    frame_ = frame;
    runs_ = 0;
  }

  // Says that the site did not run in the frame.
  void NotRun() {
    *out_ << "explain frame " << frame_ << ": " << site_.title << '\n'
          << "  did not run"
          << (site_.script == nullptr && site_.text == nullptr ? ": it did not load"
                                                               : " in this frame")
          << '\n';
  }

  void Begin() override {
    ++runs_;
    rows_.clear();
    notes_.clear();
    omitted_ = 0;
  }
  void Note(std::string note) override { notes_.push_back(std::move(note)); }
  void Word(const Script& script, size_t index, const Stack& stack) override {
    Add(script.places[index][0], script.places[index][1], script.spellings[index], ShowStack(stack),
        Notes());
  }
  void Skipped(const Script& script, size_t index, std::string_view why) override {
    std::string note = "skipped: " + std::string(why);
    const std::string notes = Notes();
    if (!notes.empty()) note += "; " + notes;
    Add(script.places[index][0], script.places[index][1], script.spellings[index], "", note);
  }
  void Part(const Template& text, size_t index, const Stack& stack, bool shown) override {
    const Template::Part& part = text.parts[index];
    const std::string word =
        part.kind == Template::PartKind::kText ? ShowValue(Value::Text(part.text)) : part.source;
    if (shown) {
      Add(part.line, part.column, word, ShowStack(stack), Notes());
    } else {
      Notes();
      Add(part.line, part.column, word, "", "skipped: in a branch not shown");
    }
  }
  void End(bool ok, const Stack& stack, const std::string* text) override {
    std::string result;
    if (!ok) {
      result = "the run was stopped";
    } else if (text != nullptr) {
      result = "result " + ShowValue(Value::Text(*text));
    } else if (stack.empty()) {
      result = "result: nothing, the stack is empty";
    } else {
      result = "result " + ShowValue(stack.Top());
    }
    Print(OneLine(result));
  }

 private:
  struct Row {
    std::string place;
    std::string word;
    std::string stack;
    std::string note;
  };

  std::string Notes() {
    std::string joined;
    for (const std::string& note : notes_) joined += (joined.empty() ? "" : "; ") + note;
    notes_.clear();
    return OneLine(joined);
  }
  void Add(int line, int column, const std::string& word, std::string stack, std::string note) {
    if (rows_.size() >= kMaxRows) {
      ++omitted_;
      return;
    }
    rows_.push_back({PlaceText(line, column), OneLine(word), std::move(stack), std::move(note)});
  }
  void Print(const std::string& result) {
    std::ostream& out = *out_;
    out << "explain frame " << frame_;
    if (runs_ > 1) out << " (run " << runs_ << ")";
    out << ": " << site_.title << '\n';
    const Row header{"at", "word", "stack after", "what it did"};
    size_t widths[3] = {header.place.size(), header.word.size(), header.stack.size()};
    for (const Row& row : rows_) {
      widths[0] = std::max(widths[0], row.place.size());
      widths[1] = std::max(widths[1], std::min(row.word.size(), kWordWidth));
      widths[2] = std::max(widths[2], std::min(row.stack.size(), kStackWidth));
    }
    const auto pad = [](const std::string& cell, size_t width) {
      return cell.size() >= width ? cell : cell + std::string(width - cell.size(), ' ');
    };
    const auto print = [&](const Row& row) {
      std::string line = "  " + pad(row.place, widths[0]) + "  " + pad(row.word, widths[1]) + "  " +
                         pad(row.stack, widths[2]) + "  " + row.note;
      line.erase(line.find_last_not_of(' ') + 1);
      out << line << '\n';
    };
    print(header);
    for (const Row& row : rows_) print(row);
    if (omitted_ > 0) out << "  ... " << omitted_ << " more words not shown\n";
    out << "  " << result << '\n';
  }

  ExplainSite site_;
  std::ostream* out_;
  int frame_ = 0;
  int runs_ = 0;
  std::vector<Row> rows_;
  std::vector<std::string> notes_;
  size_t omitted_ = 0;
};

Explainer::Explainer(int frame, std::vector<ExplainSite> sites, std::ostream* out) : frame_(frame) {
  for (ExplainSite& site : sites) {
    observers_.push_back(std::make_unique<SiteObserver>(std::move(site), out));
  }
}

// Nothing is watched any more: EndFrame stopped the watching (the scripts
// may be gone by now, with the engine).
Explainer::~Explainer() = default;

void Explainer::Watch(bool on) {
  for (const auto& observer : observers_) {
    RunObserver* const watching = on ? observer.get() : nullptr;
    if (observer->site().script != nullptr) Engine::Watch(observer->site().script, watching);
    if (observer->site().text != nullptr) Engine::Watch(observer->site().text, watching);
  }
}

void Explainer::BeginFrame(int frame) {
  if (frame != frame_) return;
  for (const auto& observer : observers_) observer->set_frame(frame);
  Watch(true);
}

void Explainer::EndFrame(int frame) {
  if (frame != frame_) return;
  Watch(false);
  for (const auto& observer : observers_) {
    if (observer->runs() == 0) observer->NotRun();
  }
}

}  // namespace runner
