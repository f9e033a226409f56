#include "runner/drawing/text.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/runner/drawing/canvas.h"

namespace runner {
namespace {

using testing_canvas::Canvas;
using testing_canvas::Describe;
using testing_canvas::Node;

constexpr Rgb kPanel{40, 80, 120};  // what lies beneath the text
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

TextBox Read(const std::string& xml) {
  TextBox box;
  std::vector<std::string> problems;
  EXPECT_TRUE(ReadTextBox(Node(xml), &box, &problems)) << xml;
  EXPECT_TRUE(problems.empty()) << xml << ": " << problems.front();
  return box;
}

// Draws `xml` with `text` at element origin (x, y) on a panel-coloured canvas.
void Draw(Canvas* canvas, const std::string& xml, const std::string& text, double x, double y,
          const ScriptResults& results = {}) {
  FontLibrary fonts(nullptr);
  cairo_save(canvas->cr());
  cairo_translate(canvas->cr(), x, y);
  DrawTextBox(canvas->cr(), Read(xml), text, results, &fonts);
  cairo_restore(canvas->cr());
}

TEST(TextTest, ReadsBothSchemas) {
  const TextBox old_text = Read(
      R"(<Text X="58" Y="24" Length="4" Font="Quartz" Fixed="Yes" Adjust="Center"
             VerticalAdjust="Bottom" Color="#ffd44f" BackgroundColor="0x000080"/>)");
  EXPECT_EQ(old_text.width, 58);
  EXPECT_EQ(old_text.height, 24);
  EXPECT_EQ(old_text.length, 4);
  EXPECT_EQ(old_text.font, "Quartz");
  EXPECT_TRUE(old_text.fixed);
  EXPECT_TRUE(old_text.transparent);
  EXPECT_EQ(old_text.horizontal, HorizontalAlign::kCenter);
  EXPECT_EQ(old_text.vertical, VerticalAlign::kBottom);
  EXPECT_EQ(old_text.colour, (Rgb{255, 212, 79}));
  EXPECT_TRUE(old_text.has_background);
  EXPECT_EQ(old_text.background, (Rgb{128, 0, 0}));

  const TextBox new_text = Read(
      "<GaugeText><Axis>3,4</Axis><Size>50,22</Size><FontFace>Glass Gauge</FontFace>"
      "<FontHeight>18</FontHeight><FontColor>Cyan</FontColor><HorizontalAlign>RIGHT"
      "</HorizontalAlign><Length>7</Length><Bold>True</Bold><Multiline>True</Multiline>"
      "<LineSpacing>20</LineSpacing></GaugeText>");
  EXPECT_EQ(new_text.left, -3);
  EXPECT_EQ(new_text.top, -4);
  EXPECT_EQ(new_text.width, 50);
  EXPECT_EQ(new_text.height, 22);
  EXPECT_EQ(new_text.font_height, 18);
  EXPECT_EQ(new_text.font, "Glass Gauge");
  EXPECT_EQ(new_text.colour, (Rgb{0, 255, 255}));
  EXPECT_EQ(new_text.horizontal, HorizontalAlign::kRight);
  EXPECT_EQ(new_text.vertical, VerticalAlign::kTop);
  EXPECT_FALSE(new_text.transparent);  // the default of NEW texts
  EXPECT_TRUE(new_text.bold);
  EXPECT_TRUE(new_text.multiline);
  EXPECT_EQ(new_text.line_spacing, 20);
}

TEST(TextTest, AlternateFontChildrenAreNotTheFont) {
  EXPECT_EQ(Read(R"(<FormattedText X="10" Y="10"><Font Name="Arial Black"/></FormattedText>)").font,
            "Arial");
  EXPECT_EQ(Read(R"(<FormattedText X="10" Y="10" Font="Courier New"><Font Name="Arial"/>
                    </FormattedText>)")
                .font,
            "Courier New");
}

TEST(TextTest, UnreadableValuesAreProblemsWithTheirPlace) {
  XmlNode node = Node(R"(<Text X="wide" Y="20" Color="Blurple" Adjust="Middle"/>)");
  node.place = Place{"g.xml", 7, 3};
  TextBox box;
  std::vector<std::string> problems;
  EXPECT_TRUE(ReadTextBox(node, &box, &problems));
  ASSERT_EQ(problems.size(), 3u);
  EXPECT_EQ(problems[0], "g.xml:7:3: <Text> Color 'Blurple' is not a colour");
  EXPECT_EQ(problems[1], "g.xml:7:3: <Text> X 'wide' is not a number");
  EXPECT_EQ(problems[2], "g.xml:7:3: <Text> Adjust 'Middle' is not Left, Center or Right");
  EXPECT_FALSE(ReadTextBox(Node("<Image/>"), &box, &problems));
}

TEST(TextTest, BytesBecomeUtf8) {
  struct Case {
    std::string bytes;
    std::string utf8;
  };
  const Case cases[] = {
      {"29.92", "29.92"},
      {"12\xB0", "12\xC2\xB0"},              // a Windows-1252 degree sign
      {"12\xC2\xB0", "12\xC3\x82\xC2\xB0"},  // two bytes: two characters
      {"\x80", "\xE2\x82\xAC"},              // the euro sign
      {"\x81", "\\x81"},                     // unassigned: shown as its number
      {"\xE2\x82", "\xC3\xA2\xE2\x80\x9A"},  // each byte a character
      {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
  };
  for (const Case& c : cases) EXPECT_EQ(TextToUtf8(c.bytes), c.utf8) << c.bytes;
}

// A 100 x 40 box at (10, 10), 20-pixel white text, aligned each way.
TEST(TextTest, AlignsInItsBox) {
  struct Case {
    const char* horizontal;
    const char* vertical;
    int left_min, left_max;  // where the ink's left edge may be
    int top_min, top_max;    // and its top
  };
  // "HH" is about 24 px wide and 15 px tall in a 20-px line of Liberation Sans.
  const Case cases[] = {
      {"LEFT", "TOP", 10, 13, 10, 16},    {"CENTER", "TOP", 44, 52, 10, 16},
      {"RIGHT", "TOP", 80, 88, 10, 16},   {"LEFT", "CENTER", 10, 13, 20, 26},
      {"LEFT", "BOTTOM", 10, 13, 30, 36}, {"CENTER", "CENTER", 44, 52, 20, 26},
  };
  for (const Case& c : cases) {
    Canvas canvas(120, 60, kPanel);
    Draw(&canvas,
         std::string("<GaugeText><Size>100,40</Size><FontFace>Arial</FontFace>"
                     "<FontHeight>20</FontHeight><FontColor>White</FontColor>"
                     "<Transparent>True</Transparent><HorizontalAlign>") +
             c.horizontal + "</HorizontalAlign><VerticalAlign>" + c.vertical +
             "</VerticalAlign></GaugeText>",
         "HH", 10, 10);
    canvas.Save(std::string("align-") + c.horizontal + "-" + c.vertical);
    int left = 0, top = 0, right = 0, bottom = 0;
    ASSERT_TRUE(canvas.Ink(&left, &top, &right, &bottom)) << c.horizontal << " " << c.vertical;
    EXPECT_GE(left, c.left_min) << c.horizontal << " " << c.vertical;
    EXPECT_LE(left, c.left_max) << c.horizontal << " " << c.vertical;
    EXPECT_GE(top, c.top_min) << c.horizontal << " " << c.vertical;
    EXPECT_LE(top, c.top_max) << c.horizontal << " " << c.vertical;
    EXPECT_LE(right, 109) << c.horizontal << " " << c.vertical;
    EXPECT_LE(bottom, 49) << c.horizontal << " " << c.vertical;
  }
}

// The box's corner (12,12) shows the background or what lies beneath, and
// the glyphs show or vanish, by the box's transparency and colours.
TEST(TextTest, BackgroundAndBlackKey) {
  struct Case {
    const char* name;
    const char* xml;
    Rgb corner;
    bool ink;  // glyphs visible against the corner colour
  };
  const Case cases[] = {
      {"opaque, no background: black",
       "<GaugeText><Size>60,30</Size>"
       "<FontColor>White</FontColor></GaugeText>",
       kBlack, true},
      {"opaque with background",
       "<GaugeText><Size>60,30</Size><FontColor>White</FontColor>"
       "<BackgroundColor>0x202020</BackgroundColor></GaugeText>",
       {32, 32, 32},
       true},
      {"opaque, black glyphs on white",
       "<GaugeText><Size>60,30</Size><FontColor>Black"
       "</FontColor><BackgroundColor>White</BackgroundColor></GaugeText>",
       kWhite, true},
      {"keyed with background",
       "<GaugeText><Size>60,30</Size><FontColor>White</FontColor>"
       "<BackgroundColor>#202020</BackgroundColor><Transparent>True</Transparent></GaugeText>",
       {32, 32, 32},
       true},
      {"keyed, black background",
       "<GaugeText><Size>60,30</Size><FontColor>White</FontColor>"
       "<BackgroundColor>Black</BackgroundColor><Transparent>True</Transparent></GaugeText>",
       kPanel, true},
      {"keyed, black glyphs vanish",
       "<GaugeText><Size>60,30</Size><FontColor>Black"
       "</FontColor><Transparent>True</Transparent></GaugeText>",
       kPanel, false},
      {"keyed, almost black glyphs show",
       "<GaugeText><Size>60,30</Size><FontColor>#010707"
       "</FontColor><Transparent>True</Transparent></GaugeText>",
       kPanel, true},
      {"old text is keyed", R"(<Text X="60" Y="30" Color="White"/>)", kPanel, true},
      {"old text, black glyphs vanish", R"(<Text X="60" Y="30" Color="Black"/>)", kPanel, false},
      {"old text with background",
       R"(<Text X="60" Y="30" Color="White"
       BackgroundColor="Navy"/>)",
       {0, 0, 128},
       true},
  };
  for (const Case& c : cases) {
    Canvas canvas(80, 50, kPanel);
    Draw(&canvas, c.xml, "88", 10, 10);
    EXPECT_TRUE(canvas.Near(11, 11, c.corner, 2))
        << c.name << ": corner " << Describe(canvas.At(11, 11));
    EXPECT_TRUE(canvas.Near(5, 5, kPanel, 0)) << c.name << ": drew outside its box";
    EXPECT_TRUE(canvas.Near(75, 45, kPanel, 0)) << c.name << ": drew outside its box";
    // Any pixel of the box far from the corner colour is a glyph.
    bool ink = false;
    for (int y = 10; y < 40; ++y) {
      for (int x = 10; x < 70; ++x) ink = ink || !canvas.Near(x, y, c.corner, 60);
    }
    EXPECT_EQ(ink, c.ink) << c.name;
  }
}

TEST(TextTest, LengthCapsTheCharactersShown) {
  const char* xml =
      "<GaugeText><Size>200,30</Size><FontHeight>20</FontHeight><FontColor>White"
      "</FontColor><Transparent>True</Transparent>%s</GaugeText>";
  int widths[2] = {};
  const char* texts[2] = {"123456", "123"};
  const char* lengths[2] = {"<Length>3</Length>", ""};
  for (int i = 0; i < 2; ++i) {
    char buffer[300];
    std::snprintf(buffer, sizeof buffer, xml, lengths[i]);
    Canvas canvas(220, 40, kPanel);
    Draw(&canvas, buffer, texts[i], 5, 5);
    int left = 0, top = 0, right = 0, bottom = 0;
    ASSERT_TRUE(canvas.Ink(&left, &top, &right, &bottom));
    widths[i] = right - left;
  }
  EXPECT_EQ(widths[0], widths[1]);
}

TEST(TextTest, TextBeyondItsBoxIsClipped) {
  Canvas canvas(200, 60, kPanel);
  Draw(&canvas,
       "<GaugeText><Size>40,20</Size><FontHeight>30</FontHeight><FontColor>White</FontColor>"
       "<Transparent>True</Transparent><VerticalAlign>CENTER</VerticalAlign></GaugeText>",
       "WWWWWWWW", 10, 20);
  int left = 0, top = 0, right = 0, bottom = 0;
  ASSERT_TRUE(canvas.Ink(&left, &top, &right, &bottom));
  EXPECT_GE(left, 10);
  EXPECT_LE(right, 49);
  EXPECT_GE(top, 20);
  EXPECT_LE(bottom, 39);
}

TEST(TextTest, ScriptResultsReplaceColourAndHeight) {
  const char* xml =
      "<GaugeText><Size>100,60</Size><FontHeight>10</FontHeight><FontColor>White</FontColor>"
      "<Transparent>True</Transparent></GaugeText>";
  Canvas small(120, 80, kPanel);
  Draw(&small, xml, "H", 0, 0);
  Canvas large(120, 80, kPanel);
  Draw(&large, xml, "H", 0, 0,
       {{"FontHeight", Value::Double(40)}, {"FontColor", Value::Text("Red")}});
  large.Save("script-results");
  int left = 0, top = 0, right = 0, small_bottom = 0, large_bottom = 0;
  ASSERT_TRUE(small.Ink(&left, &top, &right, &small_bottom));
  ASSERT_TRUE(large.Ink(&left, &top, &right, &large_bottom));
  EXPECT_GT(large_bottom - top, 3 * (small_bottom - top)) << "height not replaced";
  EXPECT_TRUE(large.Near((left + right) / 2, (top + large_bottom) / 2, Rgb{255, 0, 0}))
      << Describe(large.At((left + right) / 2, (top + large_bottom) / 2));
}

// Multiline texts come from the frame with raw line ends dropped and their
// \n and \t kept as written.
TEST(TextTest, BackslashSequencesBreakLinesAndTab) {
  struct Case {
    const char* xml;
    const char* text;
    bool two_lines;
  };
  const Case cases[] = {
      {R"(<FormattedText X="100" Y="60" FontSize="20" Color="White"/>)", "II\\nII", true},
      {"<GaugeText><Size>100,60</Size><FontHeight>20</FontHeight><FontColor>White</FontColor>"
       "<Transparent>True</Transparent><Multiline>True</Multiline></GaugeText>",
       "II\\nII", true},
      {"<GaugeText><Size>100,60</Size><FontHeight>20</FontHeight><FontColor>White</FontColor>"
       "<Transparent>True</Transparent></GaugeText>",
       "II\\nII", false},
  };
  for (const Case& c : cases) {
    Canvas canvas(120, 70, kPanel);
    Draw(&canvas, c.xml, c.text, 10, 5);
    int left = 0, top = 0, right = 0, bottom = 0;
    ASSERT_TRUE(canvas.Ink(&left, &top, &right, &bottom)) << c.xml;
    EXPECT_EQ(bottom - top > 25, c.two_lines) << c.xml;
  }
  Canvas canvas(220, 40, kPanel);
  Draw(&canvas,
       "<GaugeText><Size>200,30</Size><FontHeight>20</FontHeight><FontColor>White</FontColor>"
       "<Transparent>True</Transparent><Tabs>100R</Tabs></GaugeText>",
       "\\tHH", 10, 5);
  int left = 0, top = 0, right = 0, bottom = 0;
  ASSERT_TRUE(canvas.Ink(&left, &top, &right, &bottom));
  EXPECT_GE(right, 107);
  EXPECT_LE(right, 110);
}

TEST(TextTest, FormattedTextBreaksLinesAndReadsAlignmentCodes) {
  Canvas canvas(120, 70, kPanel);
  Draw(&canvas, R"(<FormattedText X="100" Y="60" Font="Arial" FontSize="20" Color="White"/>)",
       "\\{ladj=R}II\n\\{blnk}II", 10, 5);
  canvas.Save("formatted");
  int left = 0, top = 0, right = 0, bottom = 0;
  ASSERT_TRUE(canvas.Ink(&left, &top, &right, &bottom));
  EXPECT_GT(left, 90) << "\\{ladj=R} did not right-align both lines";
  EXPECT_GT(bottom - top, 30) << "one line, not two";
  bool gap = false;  // an empty row between the lines
  for (int y = top; y <= bottom && !gap; ++y) {
    bool row_ink = false;
    for (int x = 10; x < 110; ++x) row_ink = row_ink || !canvas.Near(x, y, kPanel, 60);
    gap = !row_ink;
  }
  EXPECT_TRUE(gap);
}

TEST(TextTest, TabsPlaceTheTextAfterThemAtTheirStops) {
  struct Case {
    const char* tabs;
    const char* text;
    int left_min, left_max, right_min, right_max;  // of the ink, box at x = 10
  };
  const Case cases[] = {
      {"100R", "\tHH", 80, 90, 107, 110},
      {"100C", "\tHH", 95, 101, 119, 125},
      {"100", "\tHH", 110, 113, 130, 140},
      {"20L,100R", "\t\tHH", 80, 90, 107, 110},
      {"20L", "\\{tabs=100R}\tHH", 80, 90, 107, 110},
  };
  for (const Case& c : cases) {
    Canvas canvas(220, 40, kPanel);
    Draw(&canvas,
         std::string("<GaugeText><Size>200,30</Size><FontHeight>20</FontHeight><FontColor>White"
                     "</FontColor><Transparent>True</Transparent><Tabs>") +
             c.tabs + "</Tabs></GaugeText>",
         c.text, 10, 5);
    int left = 0, top = 0, right = 0, bottom = 0;
    ASSERT_TRUE(canvas.Ink(&left, &top, &right, &bottom)) << c.tabs;
    EXPECT_GE(left, c.left_min) << c.tabs << " " << c.text;
    EXPECT_LE(left, c.left_max) << c.tabs << " " << c.text;
    EXPECT_GE(right, c.right_min) << c.tabs << " " << c.text;
    EXPECT_LE(right, c.right_max) << c.tabs << " " << c.text;
  }
  std::vector<TextBox::TabStop> stops;
  EXPECT_TRUE(ParseTabStops("50R, 60c,244L,7", &stops));
  ASSERT_EQ(stops.size(), 4u);
  EXPECT_EQ(stops[1].position, 60);
  EXPECT_EQ(stops[1].align, HorizontalAlign::kCenter);
  EXPECT_EQ(stops[3].align, HorizontalAlign::kLeft);
  EXPECT_FALSE(ParseTabStops("50X", &stops));
}

// The reference's pictures of texts.
TEST(TextTest, ExpectedPictureOldLcdText) {
  // <Position X="59" Y="126"/><Text X="58" Y="24" Length="4" Font="Quartz"
  // Fixed="Yes" Adjust="Center" VerticalAdjust="Center" Color="#ffd44f"> showing
  // " 735": four cells of 14.5 x 24 on an LCD window that shows around them.
  Canvas canvas(180, 170, kPanel);
  Draw(&canvas,
       R"(<Text X="58" Y="24" Length="4" Font="Quartz" Fixed="Yes" Adjust="Center"
              VerticalAdjust="Center" Color="#ffd44f"/>)",
       " 735", 59, 126);
  canvas.Save("e18-old-lcd-text");
  int left = 0, top = 0, right = 0, bottom = 0;
  ASSERT_TRUE(canvas.Ink(&left, &top, &right, &bottom));
  EXPECT_GE(left, 59 + 14) << "the first cell holds a blank";
  EXPECT_LE(right, 117);
  EXPECT_GE(top, 126);
  EXPECT_LE(bottom, 150);
  EXPECT_GT(bottom - top, 14) << "glyphs do not fill the cell height";
  EXPECT_TRUE(canvas.Near(60, 127, kPanel, 0)) << "background drawn";
  // Some pixel of each digit cell shows the text colour.
  for (int cell = 1; cell < 4; ++cell) {
    bool lit = false;
    const int x0 = 59 + cell * 29 / 2;
    for (int y = 126; y < 150; ++y) {
      for (int x = x0; x < x0 + 14; ++x) lit = lit || canvas.Near(x, y, Rgb{255, 212, 79}, 8);
    }
    EXPECT_TRUE(lit) << "cell " << cell;
  }
}

TEST(TextTest, ExpectedPictureNewGaugeText) {
  // Kohlsman window: cyan 18-px Glass Gauge, right-aligned in 50 x 22, top
  // aligned by default, no background; parent at (30, 40).
  Canvas canvas(100, 80, kPanel);
  Draw(&canvas,
       "<GaugeText><FontFace>Glass Gauge</FontFace><FontColor>Cyan</FontColor>"
       "<FontHeight>18</FontHeight><HorizontalAlign>RIGHT</HorizontalAlign>"
       "<Length>7</Length><Size>50,22</Size><Transparent>True</Transparent></GaugeText>",
       "29.92", 30, 40);
  canvas.Save("e19-new-gauge-text");
  int left = 0, top = 0, right = 0, bottom = 0;
  ASSERT_TRUE(canvas.Ink(&left, &top, &right, &bottom));
  EXPECT_GE(right, 76) << "not right-aligned";
  EXPECT_LE(right, 79);
  EXPECT_GT(left, 40);
  EXPECT_GE(top, 40);
  EXPECT_LE(top, 45) << "not top-aligned";
  EXPECT_LE(bottom, 58);
  EXPECT_TRUE(canvas.Near(31, 41, kPanel, 0)) << "background drawn";
  bool cyan = false;
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) cyan = cyan || canvas.Near(x, y, Rgb{0, 255, 255}, 8);
  }
  EXPECT_TRUE(cyan);
}

}  // namespace
}  // namespace runner
