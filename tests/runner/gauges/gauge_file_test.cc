// Gauge files of both schemas read into the model: which sites an element
// has, in which order, with which limits, and where each one stands.
#include "runner/gauges/gauge_file.h"

#include <gtest/gtest.h>

#include <string>

namespace runner {
namespace {

const char* KindName(SiteKind kind) {
  switch (kind) {
    case SiteKind::kUpdate:
      return "update";
    case SiteKind::kVisible:
      return "visible";
    case SiteKind::kSelect:
      return "select";
    case SiteKind::kRotate:
      return "rotate";
    case SiteKind::kShift:
      return "shift";
    case SiteKind::kValue:
      return "value";
    case SiteKind::kText:
      return "text";
    case SiteKind::kScript:
      return "script";
    case SiteKind::kOnce:
      return "once";
    case SiteKind::kTooltip:
      return "tooltip";
    case SiteKind::kClick:
      return "click";
  }
  return "?";
}

std::string Describe(const Site& site) {
  std::string text = std::string(KindName(site.kind)) + "@" + std::to_string(site.place.line) +
                     ":" + std::to_string(site.place.column);
  if (site.multiline) text += "(multiline)";
  if (site.has_minimum || site.has_maximum) {
    text += "[" + (site.has_minimum ? std::to_string(static_cast<int>(site.minimum)) : "") + "," +
            (site.has_maximum ? std::to_string(static_cast<int>(site.maximum)) : "") + "]";
  }
  return text + "{" + site.text + "}";
}

void Describe(const Element& element, std::string* out) {
  *out += element.name + "(";
  if (element.has_visible) *out += Describe(element.visible) + " ";
  for (const Site& site : element.sites) *out += Describe(site) + " ";
  for (const Element& child : element.children) Describe(child, out);
  *out += ")";
}

std::string Describe(const GaugeModel& model) {
  std::string out;
  for (const Site& site : model.updates) out += Describe(site) + " ";
  for (const Element& element : model.elements) Describe(element, &out);
  for (const MouseArea& area : model.areas) {
    out += " " + area.name + "'" + area.tooltip + "'";
    for (const Click& click : area.clicks) {
      out += "<" + click.kinds;
      for (const Site& site : click.scripts) out += " " + Describe(site);
      for (const KeyEvent& event : click.events) {
        out += " K:" + event.name;
        if (event.parameter != 0) out += "=" + std::to_string(static_cast<int>(event.parameter));
      }
      out += ">";
    }
  }
  for (const auto& [site, problem] : model.macro_errors) out += " !" + site.name + ": " + problem;
  return out;
}

struct GaugeCase {
  const char* name;
  const char* xml;
  const char* expected;
};

const GaugeCase kGaugeCases[] = {
    {"fs9 elements in document order",
     "<Gauge Name='g'>\n"
     "<Update>1 (&gt;L:a, number)</Update>\n"
     "<Element><Visible>(L:a, bool)</Visible>\n"
     "  <Rotate><Value Minimum='0' Maximum='200'>(A:X, knots)</Value></Rotate>\n"
     "  <Text><String>%((L:a))%!d!</String></Text>\n"
     "  <Element><Select><Value>1</Value><Case Value='1'/></Select></Element>\n"
     "</Element>\n"
     "<Element><Visible> </Visible><Shift><Value Minimum='-5'>2</Value></Shift></Element>\n"
     "</Gauge>",
     "update@2:9{1 (>L:a, number)} Element #1(visible@3:19{(L:a, bool)} "
     "rotate@4:44[0,200]{(A:X, knots)} text@5:17{%((L:a))%!d!} "
     "Element #2(select@6:27{1} ))Element #3(shift@8:57[-5,]{2} )"},
    {"fsx schema, ids, limits as children, colour scripts",
     "<SimBase.Document><SimGauge.Gauge id='G'>\n"
     "<Update id='Update'><Frequency>6</Frequency><Script>1</Script></Update>\n"
     "<Element id='Needle'><Visibility>1</Visibility>\n"
     "<Rotation><Expression><Minimum>-9999999</Minimum><Maximum>6</Maximum><Script>2</Script>"
     "</Expression></Rotation>\n"
     "<GaugeText><GaugeString>a</GaugeString><FontColorScript>'red'</FontColorScript>"
     "<Multiline>True</Multiline></GaugeText>\n"
     "<Rectangle><FillColorScript>3</FillColorScript><WidthScript>4</WidthScript></Rectangle>\n"
     "<Comment>ignored</Comment><KeyMap><Trigger><Script>9</Script></Trigger></KeyMap>\n"
     "</Element></SimGauge.Gauge></SimBase.Document>",
     "update@2:53{1} Element 'Needle'(visible@3:34{1} rotate@4:78[,6]{2} "
     "text@5:25(multiline){a} script@5:57{'red'} script@6:29{3} once@6:61{4} )"},
    {"macros expand in scripts, texts and events; comments split text",
     "<Gauge><Macro Name='c'>C:fs9gps</Macro><Macro Name='ev'>GEAR_TOGGLE</Macro>\n"
     "<Element><Value>(@c:Wp, string)<!-- note -->1</Value></Element>\n"
     "<Mouse><Area><Tooltip>Gear</Tooltip><Click Event='@ev'/></Area></Mouse></Gauge>",
     "Element #1(value@2:17{(C:fs9gps:Wp, string)1} ) Area #1'Gear'< K:GEAR_TOGGLE>"},
    {"fsx mouse areas, nested, with key events and click types",
     "<SimBase.Document><SimGauge.Gauge>\n"
     "<MouseArea id='Outer'><Tooltip><DefaultScript>Page %((L:p))%!d!</DefaultScript></Tooltip>\n"
     "<MouseClick><ClickType>LeftSingle+WheelUp</ClickType><Script>1 (&gt;L:p)</Script>"
     "<KeyEvent>AP_MASTER</KeyEvent></MouseClick>\n"
     "<MouseArea><Tooltip><DefaultID>TOOLTIPTEXT_X</DefaultID></Tooltip>"
     "<CallbackCode>2</CallbackCode><WheelUp><KeyEvent>HDG_INC</KeyEvent><Parameter>5"
     "</Parameter></WheelUp></MouseArea>\n"
     "</MouseArea></SimGauge.Gauge></SimBase.Document>",
     " MouseArea 'Outer''Page %((L:p))%!d!'<LeftSingle+WheelUp click@3:62{1 (>L:p)} K:AP_MASTER>"
     " Area #2'TOOLTIPTEXT_X'< click@4:81{2}><WheelUp K:HDG_INC=5>"},
    {"fs9 click scripts with kinds",
     "<Gauge><Mouse><Area Left='0'><Area><Click Kind='LeftSingle+LeftDrag' "
     "Repeat='Yes'>0 (&gt;K:X)</Click></Area></Area></Mouse></Gauge>",
     " Area #1'' Area #2''<LeftSingle+LeftDrag click@1:83{0 (>K:X)}>"},
    {"fs9 mouse with a click of its own: an area for the whole gauge",
     "<Gauge><Mouse><Tooltip>Beacon</Tooltip><Click Event='TOGGLE_BEACON_LIGHTS'/>"
     "<Area><Click>1</Click></Area></Mouse></Gauge>",
     " Area #1'Beacon'< K:TOGGLE_BEACON_LIGHTS> Area #2''< click@1:90{1}>"},
    {"a macro without end is the load error of its site only",
     "<Gauge><Macro Name='a'>@a</Macro><Element><Value>@a</Value><Select><Value>1</Value>"
     "</Select></Element></Gauge>",
     "Element #1(select@1:75{1} ) !Element #1 <Value>: macro 'a' expands without end: a -> a"},
    {"blanks around flags, visibility and key events; flags in any case",
     "<SimBase.Document><SimGauge.Gauge><Element><Visibility>\r\n</Visibility>"
     "<GaugeText><GaugeString>a</GaugeString><Multiline> YES</Multiline></GaugeText>"
     "<GaugeText><GaugeString>b</GaugeString><Multiline>no</Multiline></GaugeText></Element>"
     "<MouseArea><MouseClick><KeyEvent>\r\n HDG_INC \t</KeyEvent><KeyEvent> </KeyEvent>"
     "</MouseClick></MouseArea></SimGauge.Gauge></SimBase.Document>",
     "Element #1(text@2:38(multiline){a} text@2:116{b} ) Area #1''< K:HDG_INC>"},
    {"byte-order mark and CRLF, CR endings",
     "\xEF\xBB\xBF<Gauge>\r\n<Update>\r\n 1\r\n</Update>\r<Update>2</Update></Gauge>",
     "update@2:9{\n 1\n} update@5:9{2} "},
    {"an ANSI file's bytes kept as they are, places kept",
     "<?xml version='1.0' encoding='ISO-8859-1'?><Gauge><Element><Text><String>\xB0"
     "C"
     "</String></Text></Element>\n<Update>\xE9 1</Update></Gauge>",
     "update@2:9{\xE9 1} Element #1(text@1:74{\xB0"
     "C} )"},
};

TEST(GaugeFileTest, ReadsModel) {
  for (const GaugeCase& test : kGaugeCases) {
    GaugeModel model;
    Diagnostic problem;
    ASSERT_TRUE(ParseGaugeFile("g.xml", test.xml, &model, &problem))
        << test.name << ": " << FormatDiagnostic(problem);
    EXPECT_EQ(Describe(model), test.expected) << test.name;
    EXPECT_EQ(model.file, "g.xml");
  }
}

struct BadFileCase {
  const char* name;
  const char* xml;
  const char* error;
};

std::string Nested(const std::string& open, const std::string& close, int depth) {
  std::string xml = "<Gauge>";
  for (int i = 0; i < depth; ++i) xml += open;
  for (int i = 0; i < depth; ++i) xml += close;
  return xml + "</Gauge>";
}
const std::string kDeepElements = Nested("<Element>", "</Element>", 100000);
const std::string kDeepAreas = Nested("<Area>", "</Area>", 250);

const BadFileCase kBadFileCases[] = {
    {"not well-formed", "<Gauge>\n<Element></Gauge>", "g.xml:2:"},
    {"other root", "<Panel/>", "g.xml:1:1: error: not a gauge file"},
    {"empty", "", "g.xml:1:1: error: not well-formed XML"},
    {"simbase without gauge", "<SimBase.Document/>", "not a gauge file"},
    // Both marks: the UTF-16 text then starts at an odd offset of the file.
    {"utf-8 mark before a utf-16 mark", "\xEF\xBB\xBF\xFE\xFF(L:n) 1 +", "g.xml:"},
    {"elements nested without end", kDeepElements.c_str(),
     "g.xml:1:1799: error: elements nested more than 200 levels deep"},
    {"areas nested without end", kDeepAreas.c_str(), "g.xml:1:1202: error: elements nested more"},
};

TEST(GaugeFileTest, RejectsWhatIsNoGauge) {
  for (const BadFileCase& test : kBadFileCases) {
    GaugeModel model;
    Diagnostic diagnostic;
    EXPECT_FALSE(ParseGaugeFile("g.xml", test.xml, &model, &diagnostic)) << test.name;
    const std::string problem = FormatDiagnostic(diagnostic);
    EXPECT_NE(problem.find(test.error), std::string::npos) << test.name << ": " << problem;
  }
}

TEST(GaugeFileTest, BoundsTheSumOfExpansions) {
  // Each use stays under the bound for one expansion; together they pass
  // the file's bound, and the uses after that are load errors.
  std::string xml =
      "<Gauge><Macro Name='a'>@b@b@b@b@b@b@b@b</Macro>"
      "<Macro Name='b'>@c@c@c@c@c@c@c@c</Macro>"
      "<Macro Name='c'>@d@d@d@d@d@d@d@d</Macro>"
      "<Macro Name='d'>@e@e@e@e@e@e@e@e</Macro>"
      "<Macro Name='e'>0123456789abcdef0123456789abcdef</Macro>";
  for (int i = 0; i < 200; ++i) xml += "<Update>@a</Update>";
  xml += "</Gauge>";
  GaugeModel model;
  Diagnostic problem;
  ASSERT_TRUE(ParseGaugeFile("g.xml", xml, &model, &problem)) << FormatDiagnostic(problem);
  EXPECT_EQ(model.updates.size(), 128u);
  ASSERT_FALSE(model.macro_errors.empty());
  EXPECT_NE(model.macro_errors.front().second.find("16 MiB in all"), std::string::npos)
      << model.macro_errors.front().second;
}

TEST(GaugeFileTest, RefusesDirectoriesAndMissingFiles) {
  GaugeModel model;
  Diagnostic diagnostic;
  EXPECT_FALSE(LoadGaugeFile(".", &model, &diagnostic));
  std::string problem = FormatDiagnostic(diagnostic);
  EXPECT_NE(problem.find("is a directory"), std::string::npos) << problem;
  EXPECT_FALSE(LoadGaugeFile("no-such-gauge.xml", &model, &diagnostic));
  problem = FormatDiagnostic(diagnostic);
  EXPECT_NE(problem.find("no such file"), std::string::npos) << problem;
}

}  // namespace
}  // namespace runner
