#include "runner/drawing/shapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "tests/runner/drawing/canvas.h"

namespace runner {
namespace {

using testing_canvas::Canvas;
using testing_canvas::Describe;
using testing_canvas::Node;

constexpr Rgb kWhite{255, 255, 255};
constexpr double kPi = 3.14159265358979323846;

struct Probe {
  int x;
  int y;
  Rgb colour;
};

struct Case {
  const char* name;
  const char* xml;
  double x, y;  // the element's origin
  std::vector<Probe> probes;
  ScriptResults results = {};
};

// Draws each case on white and checks its probes (tolerance 24 per channel,
// since edges are antialiased: probes keep a pixel away from them).
void RunCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    Shape shape;
    std::vector<std::string> problems;
    ASSERT_TRUE(ReadShape(Node(c.xml), &shape, &problems)) << c.name;
    EXPECT_TRUE(problems.empty()) << c.name << ": " << problems.front();
    Canvas canvas(120, 100, kWhite);
    cairo_translate(canvas.cr(), c.x, c.y);
    DrawShape(canvas.cr(), shape, c.results);
    canvas.Save(std::string("shape-") + c.name);
    for (const Probe& probe : c.probes) {
      EXPECT_TRUE(canvas.Near(probe.x, probe.y, probe.colour))
          << c.name << " at (" << probe.x << "," << probe.y
          << "): " << Describe(canvas.At(probe.x, probe.y)) << ", expected "
          << Describe(probe.colour);
    }
  }
}

// A pixel at `degrees` clockwise from east, `radius` from (cx, cy).
Probe At(double cx, double cy, double degrees, double radius, Rgb colour) {
  const double angle = degrees * kPi / 180;
  return Probe{static_cast<int>(std::floor(cx + radius * std::cos(angle))),
               static_cast<int>(std::floor(cy + radius * std::sin(angle))), colour};
}

constexpr Rgb kSky{0, 76, 255};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGray{128, 128, 128};
constexpr Rgb kBlack{0, 0, 0};

TEST(ShapesTest, FillsAndOutlines) {
  RunCases({
      {"rectangle fill read blue-green-red",
       "<Rectangle><Width>20</Width><Height>10</Height><FillColor>0xFF4C00</FillColor>"
       "<Axis>5,5</Axis></Rectangle>",
       30,
       30,
       {{26, 26, kSky}, {44, 34, kSky}, {23, 26, kWhite}, {46, 36, kWhite}}},
      {"old rectangle",
       R"(<Rectangle Width="54" Height="13" FillColor="#7FFFD4"/>)",
       10,
       10,
       {{11, 11, {127, 255, 212}}, {62, 21, {127, 255, 212}}, {65, 11, kWhite}}},
      {"outline only",
       "<Rectangle><Width>40</Width><Height>30</Height><LineColor>Red"
       "</LineColor><LineWidth>4</LineWidth></Rectangle>",
       20,
       20,
       {{20, 35, kRed}, {18, 35, kRed}, {40, 49, kRed}, {40, 35, kWhite}, {15, 35, kWhite}}},
      {"fill then outline",
       "<Rectangle><Width>40</Width><Height>30</Height><FillColor>Gray"
       "</FillColor><LineColor>Red</LineColor><LineWidth>2</LineWidth></Rectangle>",
       20,
       20,
       {{20, 35, kRed}, {40, 35, kGray}}},
      {"translucent black",
       "<Rectangle><Width>40</Width><Height>30</Height><FillColor>Black"
       "</FillColor><LineColor>Black</LineColor><Transparency>0.5</Transparency></Rectangle>",
       20,
       20,
       {{40, 35, {128, 128, 128}}, {20, 35, {128, 128, 128}}}},
      {"polygon",
       "<Polygon><FillColor>Red</FillColor><Point><FloatPosition>0,0"
       "</FloatPosition></Point><Point><FloatPosition>40,0</FloatPosition></Point><Point>"
       "<FloatPosition>0,40</FloatPosition></Point></Polygon>",
       10,
       10,
       {{15, 15, kRed}, {45, 45, kWhite}, {35, 12, kRed}}},
      {"polyline is open and not filled",
       "<PolyLine><FillColor>Red</FillColor><LineColor>Black"
       "</LineColor><LineWidth>2</LineWidth><Point><FloatPosition>0,0</FloatPosition></Point>"
       "<Point><FloatPosition>40,0</FloatPosition></Point><Point><FloatPosition>40,40"
       "</FloatPosition></Point></PolyLine>",
       10,
       10,
       {{30, 10, kBlack}, {50, 30, kBlack}, {30, 30, kWhite}, {20, 30, kWhite}}},
      {"old polygon points",
       R"(<Polygon FillColor="Red"><Point X="0" Y="0"/><Point X="30"
       Y="0"/><Point X="30" Y="30"/><Point X="0" Y="30"/></Polygon>)",
       10,
       10,
       {{12, 12, kRed}, {38, 38, kRed}, {42, 42, kWhite}}},
      {"ellipse",
       "<Ellipse><Width>60</Width><Height>20</Height><FillColor>Red</FillColor>"
       "</Ellipse>",
       10,
       10,
       {{40, 20, kRed}, {14, 20, kRed}, {12, 12, kWhite}, {40, 32, kWhite}}},
      {"no colour, nothing drawn",
       "<Rectangle><Width>40</Width><Height>30</Height></Rectangle>",
       20,
       20,
       {{20, 20, kWhite}, {40, 35, kWhite}}},
  });
}

TEST(ShapesTest, LineWidths) {
  RunCases({
      {"horizontal line 6 wide",
       "<HorizontalLine><Width>40</Width><LineColor>Black"
       "</LineColor><LineWidth>6</LineWidth></HorizontalLine>",
       10,
       50,
       {{30, 47, kBlack}, {30, 52, kBlack}, {30, 44, kWhite}, {30, 55, kWhite}, {52, 50, kWhite}}},
      {"vertical line, default width",
       "<VerticalLine><Height>40</Height><LineColor>Black"
       "</LineColor></VerticalLine>",
       50.5,
       10,
       {{50, 30, kBlack}, {48, 30, kWhite}, {52, 30, kWhite}, {50, 52, kWhite}}},
      {"old line colour attribute",
       R"(<HorizontalLine Width="40" Color="Red" LineWidth="4"/>)",
       10,
       50,
       {{30, 49, kRed}, {30, 55, kWhite}}},
  });
}

TEST(ShapesTest, ArcsAndPiesTurnClockwiseFromEast) {
  // Each on a circle of radius 30 centred at (60, 50): Axis (30,30) puts the
  // centre on the element origin.
  const char* arc =
      "<Arc><Axis>30,30</Axis><Radius>30</Radius><StartAngle>%s</StartAngle><EndAngle>%s"
      "</EndAngle><LineColor>Red</LineColor><LineWidth>4</LineWidth></Arc>";
  const char* pie =
      "<Pie><Axis>30,30</Axis><Radius>30</Radius><StartAngle>%s</StartAngle><EndAngle>%s"
      "</EndAngle><FillColor>Red</FillColor></Pie>";
  char east_to_south[300], baron[300], pie_north_east[300], pie_reversed[300];
  std::snprintf(east_to_south, sizeof east_to_south, arc, "0", "90");
  std::snprintf(baron, sizeof baron, arc, "230", "130");
  std::snprintf(pie_north_east, sizeof pie_north_east, pie, "270", "360");
  std::snprintf(pie_reversed, sizeof pie_reversed, pie, "360", "270");
  RunCases({
      {"arc 0-90 runs from east to south",
       east_to_south,
       60,
       50,
       {At(60, 50, 45, 30, kRed), At(60, 50, 10, 30, kRed), At(60, 50, 80, 30, kRed),
        At(60, 50, -45, 30, kWhite), At(60, 50, 135, 30, kWhite), At(60, 50, 45, 20, kWhite)}},
      {"arc 230-130 covers the span between",
       baron,
       60,
       50,
       {At(60, 50, 180, 30, kRed), At(60, 50, 140, 30, kRed), At(60, 50, 220, 30, kRed),
        At(60, 50, 0, 30, kWhite), At(60, 50, 270, 30, kWhite), At(60, 50, 90, 30, kWhite)}},
      {"pie 270-360 fills the north-east quarter",
       pie_north_east,
       60,
       50,
       {At(60, 50, 315, 20, kRed), At(60, 50, 300, 10, kRed), At(60, 50, 45, 20, kWhite),
        At(60, 50, 225, 20, kWhite)}},
      {"pie angles in either order",
       pie_reversed,
       60,
       50,
       {At(60, 50, 315, 20, kRed), At(60, 50, 135, 20, kWhite)}},
  });
}

TEST(ShapesTest, ScriptResultsReplaceFixedValues) {
  const char* rectangle =
      "<Rectangle><Width>40</Width><Height>30</Height><FillColor>Gray</FillColor></Rectangle>";
  RunCases({
      {"colour text",
       rectangle,
       20,
       20,
       {{40, 35, kRed}},
       {{"FillColor", Value::Text("0x0000FF")}}},
      {"colour number",
       rectangle,
       20,
       20,
       {{40, 35, kSky}},
       {{"FillColor", Value::Double(0xFF4C00)}}},
      {"unreadable colour keeps the fixed one",
       rectangle,
       20,
       20,
       {{40, 35, kGray}},
       {{"FillColor", Value::Text("nope")}}},
      {"line colour where none is fixed",
       rectangle,
       20,
       20,
       {{20, 35, kRed}, {40, 35, kGray}},
       {{"LineColor", Value::Text("Red")}, {"LineWidth", Value::Double(4)}}},
      {"width and height",
       rectangle,
       20,
       20,
       {{75, 75, kGray}, {40, 35, kGray}},
       {{"Width", Value::Double(60)}, {"Height", Value::Integer(60)}}},
  });
}

// The reference's pictures of shapes.
TEST(ShapesTest, ExpectedPictures) {
  RunCases({
      // A black hub disc centred on (60,50), 10 px across, with a 2-px grey ring.
      {"circle hub",
       "<Circle><Axis>5,5</Axis><Radius>5</Radius><FillColor>Black</FillColor>"
       "<LineWidth>2</LineWidth><LineColor>Gray</LineColor></Circle>",
       60,
       50,
       {{60, 50, kBlack},
        {59, 49, kBlack},
        {64, 50, kGray},
        {55, 50, kGray},
        {60, 54, kGray},
        {60, 44, kGray},
        {67, 50, kWhite},
        {60, 57, kWhite},
        {52, 50, kWhite}}},
      // 0xFF4C00 is the sky's blue, #FF4C00 orange.
      {"0x colour is blue-green-red",
       "<Rectangle><Width>10</Width><Height>10</Height>"
       "<FillColor>0xFF4C00</FillColor></Rectangle>",
       0,
       0,
       {{5, 5, kSky}}},
      {"# colour is red-green-blue",
       "<Rectangle><Width>10</Width><Height>10</Height>"
       "<FillColor>#FF4C00</FillColor></Rectangle>",
       0,
       0,
       {{5, 5, {255, 76, 0}}}},
  });
}

TEST(ShapesTest, ScriptResultsAreKeyedByTagWithoutScript) {
  const ScriptResults results = ScriptResultsFrom({{"FillColorScript", Value::Text("Red")},
                                                   {"Script", Value::Integer(1)},
                                                   {"FillColorScript", Value::Text("Blue")}});
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results.at("FillColor").text(), "Blue");
  EXPECT_EQ(results.count("Script"), 1u);
}

// A frame's results reach the drawable whose children are the sites, and no
// other: two shapes of one element each get their own FillColorScript.
TEST(ShapesTest, FrameResultsOfOneDrawable) {
  XmlNode first = Node("<Rectangle><FillColorScript/><LineColorScript/></Rectangle>");
  XmlNode second = Node("<Rectangle><FillColorScript/><WidthScript/></Rectangle>");
  first.children[0].result = 0;
  first.children[1].result = 1;
  second.children[0].result = 2;
  second.children[1].result = 7;  // not run in this frame
  const std::vector<std::pair<std::string, Value>> scripts = {
      {"FillColorScript", Value::Text("Red")},
      {"LineColorScript", Value::Text("Gray")},
      {"FillColorScript", Value::Text("Blue")}};
  const ScriptResults of_first = ScriptResultsOf(first, scripts);
  ASSERT_EQ(of_first.size(), 2u);
  EXPECT_EQ(of_first.at("FillColor").text(), "Red");
  EXPECT_EQ(of_first.at("LineColor").text(), "Gray");
  const ScriptResults of_second = ScriptResultsOf(second, scripts);
  ASSERT_EQ(of_second.size(), 1u);
  EXPECT_EQ(of_second.at("FillColor").text(), "Blue");

  XmlNode text = Node("<GaugeText><FontColorScript/><GaugeString/></GaugeText>");
  text.children[1].result = 1;
  EXPECT_EQ(FrameTextOf(text, {"other", "29.92"}), "29.92");
  EXPECT_EQ(FrameTextOf(text, {"other"}), "");
  EXPECT_EQ(FrameTextOf(Node("<Text><String/></Text>"), {"x"}), "");
}

TEST(ShapesTest, ReadingProblems) {
  XmlNode node = Node("<Rectangle><Width>ten</Width><FillColor>Blurple</FillColor></Rectangle>");
  node.place = Place{"g.xml", 4, 2};
  Shape shape;
  std::vector<std::string> problems;
  EXPECT_TRUE(ReadShape(node, &shape, &problems));
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_EQ(problems[0], "g.xml:4:2: <Rectangle> Width 'ten' is not a number");
  EXPECT_EQ(problems[1], "g.xml:4:2: <Rectangle> FillColor 'Blurple' is not a colour");
  EXPECT_FALSE(shape.has_fill);

  problems.clear();
  EXPECT_TRUE(ReadShape(Node("<Polygon><FillColor>Red</FillColor></Polygon>"), &shape, &problems));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("fewer than two points"), std::string::npos);
  EXPECT_FALSE(ReadShape(Node("<CustomDraw/>"), &shape, &problems));
  EXPECT_TRUE(IsShapeTag("PolyLine"));
  EXPECT_FALSE(IsShapeTag("Image"));
}

}  // namespace
}  // namespace runner
