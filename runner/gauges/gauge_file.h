// A gauge file (FS2004 <Gauge> or FSX SimBase.Document/SimGauge.Gauge) read
// into a plain model: the gauge's update scripts, its elements in document
// order with the scripting sites each one has, and its mouse areas. Macros
// are expanded at load. What drawing needs (images, fonts, positions,
// nonlinearity tables) stays as each element's XML, a plain tree that this
// stage keeps without reading it. <Comment> and <KeyMap> are ignored.
//
// Every site keeps its text as the simulator's scripts see it (ANSI bytes,
// whatever the file's encoding: UTF-8, UTF-16 with its mark, or Windows-1252
// declared or not), the place each of its bytes came from in the file (line
// and column in characters as written: an entity counts its length, text
// from a macro its place in the macro's definition and the place of the use)
// and a name for messages such as "Element 'Needle' <Visibility>".
#ifndef VELLOMAR_RUNNER_GAUGES_GAUGE_FILE_H_
#define VELLOMAR_RUNNER_GAUGES_GAUGE_FILE_H_

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runner/base/diagnostics.h"
#include "runner/base/place.h"

namespace runner {

enum class SiteKind {
  kUpdate,   // the gauge's <Update>: side effects only
  kVisible,  // <Visible>/<Visibility>: 0 hides the element and its children
  kSelect,   // <Select><Value>/<Expression>: the case shown
  kRotate,   // <Rotate><Value>/<Rotation><Expression>: clamped to Minimum/Maximum
  kShift,    // <Shift><Value>/<Shift><Expression>: likewise
  kValue,    // a <Value> standing directly in an element
  kText,     // <String>/<GaugeString>: a text template
  kScript,   // colour, size, blink and other ...Script sites, run every frame
  kOnce,     // LeftScript, TopScript, WidthScript, HeightScript: run in the first frame only
  kTooltip,  // a mouse area's tooltip text (a template; compiled, not run per frame)
  kClick,    // a mouse area's click script
};

// Which results of its element's <Select> show a <Case>: its Value /
// ExpressionResult, or its Minimum..Maximum range (both ends included).
struct CaseChoice {
  bool has_value = false;
  double value = 0;
  bool has_minimum = false;
  bool has_maximum = false;
  double minimum = 0;
  double maximum = 0;
  bool Matches(double result) const {
    if (has_value && result != value) return false;
    if (has_minimum && result < minimum) return false;
    if (has_maximum && result > maximum) return false;
    return has_value || has_minimum || has_maximum;
  }
};

// An XML element as written, macros expanded in its attributes and text.
// `result` links a node that is a scripting site to its result in the frame:
// the index into ElementState::texts for a <String>/<GaugeString>, into
// ElementState::scripts for a ...Script site; -1 for other nodes.
struct XmlNode {
  std::string tag;
  std::vector<std::pair<std::string, std::string>> attributes;
  std::string text;  // character data, comments left out
  Place place;
  std::vector<XmlNode> children;
  int result = -1;

  // The first child with this tag (exact case), or null.
  const XmlNode* Child(std::string_view name) const;
  // The attribute's value, or null.
  const std::string* Attribute(std::string_view name) const;
};

struct Site {
  SiteKind kind = SiteKind::kScript;
  bool is_template = false;  // a text template rather than a script
  bool multiline = false;    // formatted text: blanks at line starts dropped
  std::string text;          // ANSI bytes (see runner/base/ansi.h), macros expanded
  Place place;               // where the text starts in the file
  // Where each byte of `text` stands in the file (entities, CDATA, macros).
  std::shared_ptr<const SourceMap> source;
  std::string name;  // for messages
  bool has_minimum = false;
  bool has_maximum = false;
  double minimum = 0;
  double maximum = 0;
  // A site inside a <Select>'s <Case> (its texts and their scripts) runs
  // only when the last <Select> of its element before it chose the case.
  bool in_case = false;
  CaseChoice choice;
  // kText: index into the element's texts; kScript and kOnce: into its
  // scripts (see XmlNode::result); -1 otherwise.
  int result = -1;
};

struct Element {
  std::string name;  // "Element 'id'" or "Element #N" (N counting from 1 in the file)
  Place place;
  bool has_visible = false;
  Site visible;
  std::vector<Site> sites;  // in the order they stand, Visible excluded
  std::vector<Element> children;
  // The element's own XML, its child <Element>s and <MouseArea>s left out
  // (they are in `children` and the gauge's areas).
  XmlNode node;
  int texts = 0;    // text results it has (XmlNode::result of its texts)
  int scripts = 0;  // ...Script results it has
  // The <Case>s of its <Select>s, in document order.
  std::vector<CaseChoice> cases;
};

struct KeyEvent {
  std::string name;  // as written, without K:
  double parameter = 0;
};

struct Click {
  std::string kinds;          // ClickType / Kind as written ("LeftSingle+LeftDrag"), may be empty
  std::vector<Site> scripts;  // <Click>script</Click>, <MouseClick><Script>, <CallbackCode>
  std::vector<KeyEvent> events;  // <Click Event=...>, <KeyEvent>; WheelUp/WheelDown's <Parameter>
  bool every_event = false;      // <CallbackCode>: runs for every event of its area
};

struct MouseArea {
  int number = 0;    // position among the file's areas, from 1, in document order
  std::string name;  // "Area #N" / "MouseArea 'id'"
  Place place;
  std::string tooltip;  // the tooltip text or ID, macros expanded (may be empty)
  bool has_tooltip_template = false;
  Site tooltip_template;
  bool has_visible = false;  // <Visibility>/<Visible>: 0 makes the area ignore clicks
  Site visible;
  int parent = -1;  // the index of the area it is nested in (hidden with it), or -1
  std::vector<Click> clicks;
};

struct GaugeModel {
  std::string file;         // as given
  std::string folder;       // the folder the file is in ("" for the current one)
  std::string name;         // the gauge's Name/id, may be empty
  bool new_schema = false;  // SimBase.Document rather than <Gauge>
  // The gauge element (<Gauge> or <SimGauge.Gauge>) with its attributes and
  // the children drawing reads (<Image>, <Size>, ...); its elements, updates,
  // mouse areas and macros are left out.
  XmlNode root;
  std::vector<Site> updates;
  std::vector<Element> elements;
  std::vector<MouseArea> areas;  // nested areas flattened, in document order
  // Sites whose macros did not expand (the message names the macro): each a
  // load error of its own site; they are not in the lists above.
  std::vector<std::pair<Site, std::string>> macro_errors;
  // Warnings of the file's reading: macros used with the wrong number of
  // arguments or not defined, characters with no ANSI byte.
  std::vector<Diagnostic> warnings;
  // Elements and attributes the gauge's schema does not have, or has in
  // another place: warnings, once per kind, reported when the gauge is added.
  std::vector<Diagnostic> schema_warnings;
};

// Reads `contents` (the file's bytes) as gauge file `file`. Returns false
// with the reason (kUnreadable, at its place) in `*problem` when it is not a
// gauge file: not well-formed XML, or neither schema's root.
bool ParseGaugeFile(const std::string& file, std::string_view contents, GaugeModel* model,
                    Diagnostic* problem);

// Reads the file at `path` (UTF-8; wide-character APIs on Windows), refusing
// a directory or a special file, and parses it.
bool LoadGaugeFile(const std::string& path, GaugeModel* model, Diagnostic* problem);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_GAUGES_GAUGE_FILE_H_
