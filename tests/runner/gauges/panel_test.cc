// Frames of gauge files: the order sites run in, visibility, limits, clicks,
// and failures that stay local; checked through the trace a run prints.
#include "runner/gauges/panel.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "runner/cli/trace.h"

namespace runner {
namespace {

struct FrameCase {
  const char* name;
  std::vector<const char*> gauges;  // each a file's text, named g1.xml, g2.xml, ...
  int frames;
  std::vector<ClickRequest> clicks;
  const char* expected;  // the trace, frames and summary
};

const FrameCase kFrameCases[] = {
    {"update before elements, depth first, document order",
     {"<Gauge><Element><Text><String>%((L:n))%!d!</String></Text>"
      "<Element><Text><String>inner</String></Text></Element></Element>"
      "<Update>(L:n) 1 + (&gt;L:n)</Update>"
      "<Element><Rotate><Value>2</Value></Rotate></Element></Gauge>"},
     2,
     {},
     "frame 1\ngauge g1.xml\n  text Element #1 <Text>: \"1\"\n  text Element #2 <Text>: \"inner\"\n"
     "  value Element #3 <Rotate>: 2\n  set L:n, number = 1\n"
     "frame 2\ngauge g1.xml\n  text Element #1 <Text>: \"2\"\n  text Element #2 <Text>: \"inner\"\n"
     "  value Element #3 <Rotate>: 2\n  set L:n, number = 2\n"
     "summary: 1 gauge, 3 scripts, 3 ran, 0 failed, 0 warnings\n"},
    {"hidden element skips its children; limits clamp",
     {"<Gauge><Element><Visible>0</Visible><Text><String>no</String></Text>"
      "<Element><Text><String>child</String></Text></Element></Element>"
      "<Element><Visible>1</Visible><Shift><Value Minimum='-1' Maximum='5'>9</Value>"
      "</Shift><Rotate><Value Minimum='3'>1</Value></Rotate></Element></Gauge>"},
     1,
     {},
     "frame 1\ngauge g1.xml\n  hidden Element #1\n  value Element #3 <Shift>: 5\n"
     "  value Element #3 <Rotate>: 3\n"
     "summary: 1 gauge, 4 scripts, 4 ran, 0 failed, 0 warnings\n"},
    {"a panel shares L: variables; events belong to the gauge that fired them",
     {"<Gauge><Update>5 (&gt;L:shared) 1 (&gt;K:GEAR_UP)</Update></Gauge>",
      "<Gauge><Element><Text><String>%((L:shared))%!d!</String></Text></Element></Gauge>"},
     1,
     {},
     "frame 1\ngauge g1.xml\n  event K:GEAR_UP 1\n  set L:shared, number = 5\ngauge g2.xml\n"
     "  text Element #1 <Text>: \"5\"\n"
     "summary: 2 gauges, 2 scripts, 2 ran, 0 failed, 0 warnings\n"},
    {"each gauge shows the value it left in a shared L: variable",
     {"<Gauge><Update>1 (&gt;L:n)</Update></Gauge>", "<Gauge><Update>2 (&gt;L:n)</Update></Gauge>"},
     1,
     {},
     "frame 1\ngauge g1.xml\n  set L:n, number = 1\ngauge g2.xml\n  set L:n, number = 2\n"
     "summary: 2 gauges, 2 scripts, 2 ran, 0 failed, 0 warnings\n"},
    {"clicks by tooltip and by number, with their event and key events",
     {"<Gauge><Mouse><Area><Tooltip>Next</Tooltip>"
      "<Click Kind='LeftSingle+RightSingle'>7 (&gt;K:NEXT) 3 (&gt;L:seen)</Click></Area>"
      "<Area><Click Event='GEAR_TOGGLE'/></Area></Mouse></Gauge>"},
     2,
     {{"Next", 1, ""}, {"#2", 2, ""}, {"next", 2, "RightSingle"}},
     "frame 1\ngauge g1.xml\n  click Area #1 'Next' LeftSingle\n  event K:NEXT 7\n"
     "  set L:seen, number = 3\n"
     "frame 2\ngauge g1.xml\n  click Area #2 LeftSingle\n  event K:GEAR_TOGGLE 0\n"
     "  click Area #1 'Next' RightSingle\n  event K:NEXT 7\n"
     "summary: 1 gauge, 1 script, 1 ran, 0 failed, 0 warnings\n"},
    {"areas numbered across gauges up to the last; click kinds in any case",
     {"<SimBase.Document><SimGauge.Gauge><MouseArea><MouseClick><ClickType>leftsingle"
      "</ClickType><KeyEvent>A</KeyEvent></MouseClick></MouseArea><MouseArea><MouseClick>"
      "<ClickType>RightAll</ClickType><KeyEvent>B</KeyEvent></MouseClick></MouseArea>"
      "</SimGauge.Gauge></SimBase.Document>",
      "<Gauge><Mouse><Area><Click Kind='wheelup+WheelDown' Event='C'/></Area></Mouse></Gauge>"},
     1,
     {{"#1", 1, ""}, {"#2", 1, ""}, {"#3", 1, ""}},
     "frame 1\ngauge g1.xml\n  click Area #1 LeftSingle\n  event K:A 0\n"
     "  click Area #2 RightSingle\n  event K:B 0\ngauge g2.xml\n  click Area #1 WheelUp\n  event "
     "K:C 0\n"
     "summary: 2 gauges, 0 scripts, 0 ran, 0 failed, 0 warnings\n"},
    {"a click kind that does not match runs nothing",
     {"<SimBase.Document><SimGauge.Gauge><MouseArea><MouseClick><ClickType>RightSingle"
      "</ClickType><KeyEvent>X</KeyEvent></MouseClick><MouseClick><ClickType>LeftAll"
      "</ClickType><KeyEvent>Y</KeyEvent></MouseClick></MouseArea></SimGauge.Gauge>"
      "</SimBase.Document>"},
     1,
     {{"#1", 1, "LeftDrag"}},
     "frame 1\ngauge g1.xml\n  click Area #1 LeftDrag\n  event K:Y 0\n"
     "summary: 1 gauge, 0 scripts, 0 ran, 0 failed, 0 warnings\n"},
    {"texts of the chosen case only, FS9 and FSX",
     {"<Gauge><Element><Select><Value>(L:n) 1 +</Value><Case Value='1'><Text><String>one"
      "</String></Text></Case><Case Value='2'><String>two</String></Case></Select>"
      "</Element></Gauge>",
      "<SimBase.Document><SimGauge.Gauge><Element><Select><Expression><Script>1</Script>"
      "</Expression><Case><ExpressionResult>0</ExpressionResult><GaugeText><GaugeString>no"
      "</GaugeString></GaugeText></Case><Case><Minimum>0.5</Minimum><Maximum>1.5</Maximum>"
      "<GaugeText><GaugeString>yes</GaugeString><FontColorScript>'red'</FontColorScript>"
      "</GaugeText></Case></Select></Element></SimGauge.Gauge></SimBase.Document>"},
     1,
     {},
     "frame 1\ngauge g1.xml\n  text Element #1 <Case 1> <Text>: \"one\"\n"
     "  value Element #1 <Select>: 1, case 1\ngauge g2.xml\n"
     "  text Element #1 <Case 0.5..1.5> <GaugeText>: \"yes\"\n"
     "  value Element #1 <Select>: 1, case 2\n"
     "  script Element #1 <Case 0.5..1.5> <FontColorScript>: \"red\"\n"
     "summary: 2 gauges, 3 scripts, 3 ran, 0 failed, 0 warnings\n"},
    {"the parameters of a custom drawing run every frame",
     {"<SimBase.Document><SimGauge.Gauge><Element id='Map'><CustomDraw Name='fs9gps:map'>"
      "<CustomDrawParam Name='Zoom'>(L:zoom) 2 *</CustomDrawParam>"
      "<CustomDrawParam Name='Heading'><Value>90</Value></CustomDrawParam></CustomDraw>"
      "</Element><Update>(L:zoom) 1 + (&gt;L:zoom)</Update></SimGauge.Gauge>"
      "</SimBase.Document>"},
     1,
     {},
     "frame 1\ngauge g1.xml\n  value Element 'Map' <CustomDrawParam 'Zoom'>: 2\n"
     "  value Element 'Map' <CustomDrawParam 'Heading'>: 90\n  set L:zoom, number = 1\n"
     "summary: 1 gauge, 3 scripts, 3 ran, 0 failed, 0 warnings\n"},
    {"unset reads are listed as scripts write them",
     {"<Gauge><Update>(C:fs9gps:2:MapRange, nmiles) (A:GENERAL ENG RPM:2, rpm) +</Update>"
      "</Gauge>"},
     1,
     {},
     "frame 1\ngauge g1.xml\nsummary: 1 gauge, 1 script, 1 ran, 0 failed, 0 warnings\n"
     "unset C:fs9gps:2:MapRange, nmiles\nunset A:GENERAL ENG RPM:2, rpm\n"},
    {"a hidden mouse area ignores clicks, and so do the areas in it",
     {"<SimBase.Document><SimGauge.Gauge><MouseArea id='On'><Visibility>(L:on)</Visibility>"
      "<MouseClick><KeyEvent>X</KeyEvent></MouseClick><MouseArea id='In'><MouseClick>"
      "<KeyEvent>Y</KeyEvent></MouseClick></MouseArea></MouseArea>"
      "<Update>1 (&gt;L:on)</Update></SimGauge.Gauge></SimBase.Document>"},
     2,
     {{"On", 1, ""}, {"In", 1, ""}, {"On", 2, ""}, {"In", 2, ""}},
     "frame 1\ngauge g1.xml\n"
     "  click MouseArea 'On' LeftSingle: the area is hidden (its visibility, or that of an area "
     "it is in, gave 0), nothing done\n"
     "  click MouseArea 'In' LeftSingle: the area is hidden (its visibility, or that of an area "
     "it is in, gave 0), nothing done\n  set L:on, number = 1\n"
     "frame 2\ngauge g1.xml\n  click MouseArea 'On' LeftSingle\n  event K:X 0\n"
     "  click MouseArea 'In' LeftSingle\n  event K:Y 0\n"
     "summary: 1 gauge, 2 scripts, 2 ran, 0 failed, 0 warnings\n"},
};

std::string RunPanel(const FrameCase& test, std::string* messages) {
  std::ostringstream out;
  std::ostringstream err;
  SimState sim;
  Diagnostics diagnostics(&err);
  Engine engine(nullptr, &sim, &diagnostics);
  Panel panel(&engine, &sim, &diagnostics);
  for (size_t i = 0; i < test.gauges.size(); ++i) {
    GaugeModel model;
    Diagnostic problem;
    const std::string file = "g" + std::to_string(i + 1) + ".xml";
    if (!ParseGaugeFile(file, test.gauges[i], &model, &problem)) return FormatDiagnostic(problem);
    panel.AddGauge(model);
  }
  for (const ClickRequest& click : test.clicks) {
    std::string problem;
    if (!panel.AddClick(click, &problem)) return problem;
  }
  Trace trace(Trace::Mode::kTrace, &out);
  std::vector<GaugeFrame> frames;
  for (int frame = 1; frame <= test.frames; ++frame) {
    trace.BeginFrame(frame);
    panel.RunFrame(frame, &frames);
    trace.Gauges(frame, frames);
  }
  trace.Summary({panel.gauges(), panel.scripts(), panel.scripts() - panel.failed(), panel.failed(),
                 diagnostics.warnings(), 0, sim.unset_reads()});
  *messages = err.str();
  return out.str();
}

TEST(PanelTest, RunsFrames) {
  for (const FrameCase& test : kFrameCases) {
    std::string messages;
    EXPECT_EQ(RunPanel(test, &messages), test.expected) << test.name;
    EXPECT_EQ(messages, "") << test.name;
  }
}

// Clicks as the simulator sends them: (M:Event) holds the event's name;
// a <Click> with no Kind (a <MouseClick> with no <ClickType>) answers the
// press of a left click only, a <CallbackCode> every event; a click nothing
// takes is traced as such.
const FrameCase kClickCases[] = {
    {"no Kind: LeftSingle only, not its release, another button or the wheel",
     {"<Gauge><Mouse><Area><Click Event='GEAR'>(M:Event) 'LeftSingle' scmp 0 == (&gt;L:left)"
      "</Click></Area></Mouse></Gauge>"},
     1,
     {{"#1", 1, "LeftSingle"},
      {"#1", 1, "LeftRelease"},
      {"#1", 1, "RightSingle"},
      {"#1", 1, "WheelUp"}},
     "frame 1\ngauge g1.xml\n  click Area #1 LeftSingle\n  event K:GEAR 0\n"
     "  click Area #1 LeftRelease: no click of the area takes it\n"
     "  click Area #1 RightSingle: no click of the area takes it\n"
     "  click Area #1 WheelUp: no click of the area takes it\n"
     "  set L:left, number = 1\n"
     "summary: 1 gauge, 1 script, 1 ran, 0 failed, 0 warnings\n"},
    {"no ClickType: likewise",
     {"<SimBase.Document><SimGauge.Gauge><MouseArea><MouseClick><KeyEvent>X</KeyEvent>"
      "</MouseClick></MouseArea></SimGauge.Gauge></SimBase.Document>"},
     1,
     {{"#1", 1, ""}, {"#1", 1, "LeftDouble"}},
     "frame 1\ngauge g1.xml\n  click Area #1 LeftSingle\n  event K:X 0\n"
     "  click Area #1 LeftDouble: no click of the area takes it\n"
     "summary: 1 gauge, 0 scripts, 0 ran, 0 failed, 0 warnings\n"},
    {"a kind that does not list the event",
     {"<Gauge><Mouse><Area><Click Kind='LeftSingle+LeftDrag' Event='X'/></Area></Mouse></Gauge>"},
     1,
     {{"#1", 1, "LeftDrag"}, {"#1", 1, "MiddleDrag"}},
     "frame 1\ngauge g1.xml\n  click Area #1 LeftDrag\n  event K:X 0\n"
     "  click Area #1 MiddleDrag: no click of the area takes it\n"
     "summary: 1 gauge, 0 scripts, 0 ran, 0 failed, 0 warnings\n"},
    {"a callback takes every event, and reads its name",
     {"<SimBase.Document><SimGauge.Gauge><MouseArea><CallbackCode>(L:n) 1 + (&gt;L:n) "
      "(M:Event) 'Leave' scmp 0 == if{ 1 (&gt;L:left) }</CallbackCode></MouseArea>"
      "</SimGauge.Gauge></SimBase.Document>"},
     1,
     {{"#1", 1, "Move"}, {"#1", 1, "WheelDown"}, {"#1", 1, "Leave"}},
     "frame 1\ngauge g1.xml\n  click Area #1 Move\n  click Area #1 WheelDown\n"
     "  click Area #1 Leave\n  set L:n, number = 3\n  set L:left, number = 1\n"
     "summary: 1 gauge, 1 script, 1 ran, 0 failed, 0 warnings\n"},
};

TEST(PanelTest, ClicksAsTheSimulatorSendsThem) {
  for (const FrameCase& test : kClickCases) {
    std::string messages;
    EXPECT_EQ(RunPanel(test, &messages), test.expected) << test.name;
    EXPECT_EQ(messages, "") << test.name;
  }
}

// What the simulator would not do as written is warned about, once per file
// and kind, with the place: elements and attributes the gauge's schema does
// not have there, and writes to A:, E: and P: variables (whose simulated
// value still changes).
TEST(PanelTest, WarnsOfWhatTheSimulatorWouldNotDo) {
  const struct {
    const char* name;
    const char* gauge;
    const char* messages;  // each line after "vellomar-run: g1.xml:"
    const char* trace;     // a part of the trace
  } cases[] = {
      {"an FS2004 area in an FSX gauge, twice",
       "<SimBase.Document><SimGauge.Gauge>\n<Area/><Area/></SimGauge.Gauge></SimBase.Document>",
       "2:1: warning: <Area> is not in the FSX schema's <SimGauge.Gauge>: it is the FS2004 name, "
       "the FSX schema's is <MouseArea>\n",
       "summary: 1 gauge, 0 scripts"},
      {"an FSX element in the wrong place, an unknown one, FS2004 attributes",
       "<SimBase.Document><SimGauge.Gauge><Element><MouseClick/><Sparkle/><!-- c --><Comment/>"
       "</Element><MouseArea Left='1'><MouseClick Kind='LeftAll' id='x'/></MouseArea>"
       "</SimGauge.Gauge></SimBase.Document>",
       "1:44: warning: <MouseClick> is not in the FSX schema's <Element>: it belongs in "
       "<MouseArea>\n"
       "1:57: warning: <Sparkle> is not in the FSX schema's <Element>\n"
       "1:97: warning: <MouseArea> takes no attribute Left in the FSX schema: write "
       "<FloatPosition>\n"
       "1:117: warning: <MouseClick> takes no attribute Kind in the FSX schema: write "
       "<ClickType>\n",
       ""},
      {"FSX names in an FS2004 gauge",
       "<Gauge><Element><Visibility>1</Visibility></Element><MouseArea/><MouseArea/></Gauge>",
       "1:17: warning: <Visibility> is an FSX name, not in the FS2004 schema of this <Gauge>: "
       "write <Visible>\n"
       "1:53: warning: <MouseArea> is an FSX name, not in the FS2004 schema of this <Gauge>: "
       "write <Area> in <Mouse>\n",
       ""},
      {"A:, E: and P: writes: once per file and kind, the value set",
       "<Gauge><Update>2 (&gt;A:FLAPS, number) 3 (&gt;A:GEAR, number)</Update>\n"
       "<Update>4 (&gt;P:SIMULATION RATE, number) 5 (&gt;P:SIMULATION RATE, number)</Update>\n"
       "<Element><Text><String>%((A:FLAPS, number) (P:SIMULATION RATE, number) +)%!d!"
       "</String></Text></Element></Gauge>",
       "1:18: warning: A: variables are not set by gauges: the simulator changes its aircraft "
       "through K: events and may ignore this write; the workbench sets the simulated value "
       "(warned once per file) [<Update>]\n"
       "2:11: warning: P: variables are not set by gauges: the simulator changes its aircraft "
       "through K: events and may ignore this write; the workbench sets the simulated value "
       "(warned once per file) [<Update>]\n",
       "text Element #1 <Text>: \"7\""},
  };
  for (const auto& c : cases) {
    const FrameCase test{c.name, {c.gauge}, 1, {}, ""};
    std::string messages;
    const std::string trace = RunPanel(test, &messages);
    std::string expected;
    for (std::string_view rest = c.messages; !rest.empty();) {
      const size_t end = rest.find('\n') + 1;
      expected += "vellomar-run: g1.xml:" + std::string(rest.substr(0, end));
      rest.remove_prefix(end);
    }
    EXPECT_EQ(messages, expected) << c.name;
    EXPECT_NE(trace.find(c.trace), std::string::npos) << c.name << "\n" << trace;
  }
}

TEST(PanelTest, FailuresStayLocal) {
  // An unknown word fails to load; the rest of the gauge runs on.
  const FrameCase test{"load error",
                       {"<Gauge><Update>bad</Update><Element><Visible>bad</Visible>"
                        "<Text><String>hidden</String></Text></Element>"
                        "<Element><Text><String>%(1)%!d!</String></Text></Element></Gauge>"},
                       2,
                       {},
                       ""};
  std::string messages;
  EXPECT_EQ(RunPanel(test, &messages),
            "frame 1\ngauge g1.xml\n  hidden Element #1\n  text Element #2 <Text>: \"1\"\n"
            "frame 2\ngauge g1.xml\n  hidden Element #1\n  text Element #2 <Text>: \"1\"\n"
            "summary: 1 gauge, 3 scripts, 1 ran, 2 failed, 0 warnings\n");
  EXPECT_NE(messages.find("g1.xml:1:16: error: "), std::string::npos) << messages;
  EXPECT_NE(messages.find("Element #1 <Visible>"), std::string::npos) << messages;
}

// What a frame keeps of each element for drawing: flattened depth first
// with parents, hidden subtrees, the chosen case, values, texts and script
// results by the slots the model's nodes name.
TEST(PanelTest, KeepsElementStatesWhenAsked) {
  SimState sim;
  std::ostringstream err;
  Diagnostics diagnostics(&err);
  Engine engine(nullptr, &sim, &diagnostics);
  Panel panel(&engine, &sim, &diagnostics);
  GaugeModel model;
  Diagnostic problem;
  ASSERT_TRUE(ParseGaugeFile(
      "g.xml",
      "<Gauge><Macro Name='C'>'Red'</Macro>"
      "<Element><Select><Value>2</Value><Case Value='1'><Text><String>one</String></Text>"
      "</Case><Case Value='2'><Text><String>two</String></Text></Case></Select>"
      "<Element><Rotate><Value Maximum='1'>3</Value></Rotate><Shift><Value>4</Value></Shift>"
      "<Rectangle><FillColorScript>@C</FillColorScript></Rectangle><LeftScript>7</LeftScript>"
      "</Element></Element>"
      "<Element><Visible>0</Visible><Element><Value>5</Value></Element></Element></Gauge>",
      &model, &problem))
      << FormatDiagnostic(problem);
  panel.AddGauge(model);
  std::vector<GaugeFrame> frames;
  panel.RunFrame(1, &frames);
  EXPECT_TRUE(frames[0].elements.empty());  // not asked for: nothing kept

  panel.set_keep_elements(true);
  panel.RunFrame(2, &frames);
  const std::vector<ElementState>& states = frames[0].elements;
  ASSERT_EQ(states.size(), 4u);
  EXPECT_EQ(states[0].parent, -1);
  EXPECT_EQ(states[1].parent, 0);
  EXPECT_EQ(states[2].parent, -1);
  EXPECT_EQ(states[3].parent, 2);
  EXPECT_TRUE(states[0].visible && states[1].visible);
  EXPECT_FALSE(states[2].visible || states[3].visible || states[3].has_value);
  EXPECT_TRUE(states[0].has_case);
  EXPECT_EQ(states[0].case_index, 1);
  EXPECT_EQ(states[0].texts, (std::vector<std::string>{"", "two"}));
  EXPECT_TRUE(states[1].has_rotate && states[1].has_shift);
  EXPECT_EQ(states[1].rotate, 1);
  EXPECT_EQ(states[1].shift, 4);
  ASSERT_EQ(states[1].scripts.size(), 2u);
  EXPECT_EQ(states[1].scripts[1].first, "LeftScript");
  EXPECT_EQ(states[1].scripts[0].first, "FillColorScript");
  EXPECT_EQ(ToText(states[1].scripts[0].second), "Red");
  // The nodes name the same slots.
  const XmlNode& element = model.elements[0].children[0].node;
  ASSERT_NE(element.Child("Rectangle"), nullptr);
  const XmlNode* script = element.Child("Rectangle")->Child("FillColorScript");
  ASSERT_NE(script, nullptr);
  EXPECT_EQ(script->result, 0);
  EXPECT_EQ(script->text, "'Red'");
  EXPECT_EQ(
      model.elements[0].node.Child("Select")->children[2].Child("Text")->Child("String")->result,
      1);
}

// Left/Top/Width/HeightScript run in the first frame only; their results
// stay in the states of the frames after it.
TEST(PanelTest, KeepsFirstFrameResults) {
  SimState sim;
  std::ostringstream err;
  Diagnostics diagnostics(&err);
  Engine engine(nullptr, &sim, &diagnostics);
  Panel panel(&engine, &sim, &diagnostics);
  GaugeModel model;
  Diagnostic problem;
  ASSERT_TRUE(ParseGaugeFile(
      "g.xml", "<Gauge><Element><LeftScript>7</LeftScript></Element></Gauge>", &model, &problem));
  panel.set_keep_elements(true);
  panel.AddGauge(model);
  std::vector<GaugeFrame> frames;
  for (int frame = 1; frame <= 3; ++frame) {
    panel.RunFrame(frame, &frames);
    ASSERT_EQ(frames[0].elements.size(), 1u);
    ASSERT_EQ(frames[0].elements[0].scripts.size(), 1u);
    EXPECT_EQ(ToDouble(frames[0].elements[0].scripts[0].second), 7) << "frame " << frame;
  }
}

TEST(PanelTest, RefusesUnknownClicks) {
  SimState sim;
  std::ostringstream err;
  Diagnostics diagnostics(&err);
  Engine engine(nullptr, &sim, &diagnostics);
  Panel panel(&engine, &sim, &diagnostics);
  GaugeModel model;
  Diagnostic unreadable;
  ASSERT_TRUE(
      ParseGaugeFile("g.xml", "<Gauge><Mouse><Area/></Mouse></Gauge>", &model, &unreadable));
  std::string problem;
  panel.AddGauge(model);
  for (const char* where : {"#0", "#2", "Nothing", "#x"}) {
    EXPECT_FALSE(panel.AddClick({where, 1, ""}, &problem)) << where;
    EXPECT_NE(problem.find("#1 to #1"), std::string::npos) << problem;
  }
}

}  // namespace
}  // namespace runner
