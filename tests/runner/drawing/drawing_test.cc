// Pictures of gauge frames: the drawing reference's expected pictures as
// pixel probes (a needle tip within a pixel of the point computed by hand, a
// keyed black that shows what lies beneath, a mask that hides), the BMP
// kinds read and refused, and how bitmaps are found.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "runner/aircraft/scenario.h"
#include "runner/base/files.h"
#include "runner/drawing/bitmap.h"
#include "runner/drawing/pictures.h"
#include "runner/drawing/renderer.h"
#include "runner/gauges/gauge_file.h"
#include "runner/gauges/panel.h"
#include "runner/language/engine.h"
#include "tests/runner/drawing/bmp_writer.h"

namespace runner {
namespace {

namespace fs = std::filesystem;

constexpr double kPi = 3.14159265358979323846;

// Colours of the test bitmaps, 0xRRGGBB.
constexpr uint32_t kGrey = 0x323232;   // backgrounds
constexpr uint32_t kWhite = 0xFFFFFF;  // needles
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kBrown = 0x80501E;
constexpr uint32_t kNone = 0x1000000;  // a probe for a transparent pixel

std::vector<uint32_t> Fill(int width, int height, uint32_t colour) {
  return std::vector<uint32_t>(static_cast<size_t>(width) * static_cast<size_t>(height), colour);
}

// A needle of `length` x 9 pixels pointing east (its axis at (0,4)), white
// on a black surround (one black row above and below).
std::vector<uint32_t> EastNeedle(int length) {
  std::vector<uint32_t> pixels = Fill(length, 9, 0);
  for (int y = 1; y < 8; ++y) {
    for (int x = 0; x < length; ++x) pixels[static_cast<size_t>(y * length + x)] = kWhite;
  }
  return pixels;
}

std::vector<uint32_t> Turned(const std::vector<uint32_t>& pixels, int width, int height,
                             bool to_north, int* new_width, int* new_height) {
  // East -> north (a quarter turn anticlockwise) or east -> west (mirrored).
  std::vector<uint32_t> out(pixels.size());
  if (to_north) {
    *new_width = height;
    *new_height = width;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        out[static_cast<size_t>((width - 1 - x) * height + y)] =
            pixels[static_cast<size_t>(y * width + x)];
      }
    }
  } else {
    *new_width = width;
    *new_height = height;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        out[static_cast<size_t>(y * width + (width - 1 - x))] =
            pixels[static_cast<size_t>(y * width + x)];
      }
    }
  }
  return out;
}

struct TestBitmap {
  std::string name;  // path under the gauge's folder
  int width;
  int height;
  std::vector<uint32_t> pixels;
  int bits = 24;
};

struct Probe {
  double x;
  double y;
  uint32_t colour;  // 0xRRGGBB, or kNone for a transparent pixel
};

struct PictureCase {
  const char* name;
  std::string gauge;  // the gauge file's text
  std::vector<TestBitmap> bitmaps;
  std::vector<Probe> probes;
};

// Points along a needle from `pivot` in direction `degrees` (clockwise from
// east): inside it near the tip, and just beyond the tip.
std::vector<Probe> Tip(double px, double py, double degrees, double length, uint32_t needle,
                       uint32_t beyond) {
  const double c = std::cos(degrees * kPi / 180);
  const double s = std::sin(degrees * kPi / 180);
  return {{px + (length - 2) * c, py + (length - 2) * s, needle},
          {px + (length + 2) * c, py + (length + 2) * s, beyond}};
}

std::vector<Probe> Join(std::initializer_list<std::vector<Probe>> lists) {
  std::vector<Probe> all;
  for (const auto& list : lists) all.insert(all.end(), list.begin(), list.end());
  return all;
}

TestBitmap Background(int size = 320) { return {"bg.bmp", size, size, Fill(size, size, kGrey)}; }

TestBitmap NorthNeedle(const char* name, int length) {
  int w = 0;
  int h = 0;
  auto pixels = Turned(EastNeedle(length), length, 9, true, &w, &h);
  return {name, w, h, pixels};
}

TestBitmap WestNeedle(const char* name, int length) {
  int w = 0;
  int h = 0;
  auto pixels = Turned(EastNeedle(length), length, 9, false, &w, &h);
  return {name, w, h, pixels};
}

// A strip 31 pixels wide whose row r has red r % 256 and green 100.
TestBitmap Strip(const char* name, int height) {
  std::vector<uint32_t> pixels(static_cast<size_t>(31 * height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < 31; ++x) {
      pixels[static_cast<size_t>(y * 31 + x)] = static_cast<uint32_t>(y % 256) << 16 | 0x6400;
    }
  }
  return {name, 31, height, pixels};
}

uint32_t StripRow(int row) { return static_cast<uint32_t>(row % 256) << 16 | 0x6400; }

// A 295 x 295 horizon: sky above row 147, ground from it down.
TestBitmap Horizon() {
  std::vector<uint32_t> pixels(295 * 295);
  for (int y = 0; y < 295; ++y) {
    for (int x = 0; x < 295; ++x)
      pixels[static_cast<size_t>(y * 295 + x)] = y < 147 ? kBlue : kBrown;
  }
  return {"horizon.bmp", 295, 295, pixels};
}

std::vector<Probe> HorizonProbes(double cx, double cy, double degrees) {
  // Across the turned horizon line: ground below it, sky above.
  const double nx = -std::sin(degrees * kPi / 180);
  const double ny = std::cos(degrees * kPi / 180);
  return {{cx + 4 * nx, cy + 4 * ny, kBrown}, {cx - 4 * nx, cy - 4 * ny, kBlue}};
}

const char* const kOldHead = "<Gauge Name='t' Version='1.0'><Image Name='bg.bmp'/>";
const char* const kNewHead =
    "<SimBase.Document Type='AceXML' version='1,0'><SimGauge.Gauge id='t' "
    "ArtDirectory='W:\\x'><Size>320,320</Size><Image id='bg' Name='bg.bmp'/>";

std::string Old(const std::string& body) { return kOldHead + body + "</Gauge>"; }
std::string New(const std::string& body) {
  return kNewHead + body + "</SimGauge.Gauge></SimBase.Document>";
}

std::vector<PictureCase> Cases() {
  std::vector<PictureCase> cases;
  const TestBitmap needle50{"n.bmp", 50, 9, EastNeedle(50)};
  // E1: 0.5236 rad = 30 degrees; tip at (115.3, 114.0).
  cases.push_back(
      {"E1 old linear rotation, east needle",
       Old("<Element><Position X='72' Y='89'/><Image Name='n.bmp' PointsTo='East'>"
           "<Axis X='0' Y='4'/></Image><Rotate><Value>0.5236</Value></Rotate></Element>"),
       {Background(), needle50},
       Join({Tip(72, 89, 30, 50, kWhite, kGrey), {{115.3 - 3 * 0.866, 114.0 - 3 * 0.5, kWhite}}})});
  // E2: points table, east needle: value 45 lies between 40 kt (-7.28 degrees)
  // and 50 kt (32.20 degrees): 12.46 degrees, tip at (212.9, 144.4).
  cases.push_back({"E2 old points table, east needle",
                   Old("<Element><Position X='125' Y='125'/><Image Name='n90.bmp'>"
                       "<Axis X='0' Y='4'/></Image><Rotate><Value>45</Value><Nonlinearity>"
                       "<Item Value='40' X='219' Y='113'/><Item Value='50' X='206' Y='176'/>"
                       "</Nonlinearity></Rotate></Element>"),
                   {Background(), {"n90.bmp", 90, 9, EastNeedle(90)}},
                   Join({Tip(125, 125, 12.46, 90, kWhite, kGrey),
                         {{212.9 - 3 * 0.976, 144.4 - 3 * 0.216, kWhite}}})});
  // E3: points table, needle drawn pointing up: value 25 -> 182.53 degrees.
  cases.push_back({"E3 old points table and PointsTo North",
                   Old("<Element><Position X='90' Y='90'/><Image Name='up.bmp' PointsTo='North'>"
                       "<Axis X='4' Y='49'/></Image><Rotate><Value>25</Value><Nonlinearity>"
                       "<Item Value='30' X='27' Y='56'/><Item Value='20' X='25' Y='118'/>"
                       "</Nonlinearity></Rotate></Element>"),
                   {Background(), NorthNeedle("up.bmp", 50)},
                   Tip(90, 90, 182.53, 49, kWhite, kGrey)});
  // E4: Degrees on an east needle: 150 A -> -1.5 degrees.
  cases.push_back({"E4 old Degrees, east needle",
                   Old("<Element><Position X='100' Y='100'/><Image Name='n.bmp'><Axis X='0' Y='4'/>"
                       "</Image><Rotate><Value>150</Value><Nonlinearity><Item Value='200' "
                       "Degrees='-26'/><Item Value='100' Degrees='23'/></Nonlinearity></Rotate>"
                       "</Element>"),
                   {Background(), needle50},
                   Tip(100, 100, -1.5, 50, kWhite, kGrey)});
  // E4 at 0: clamped to the first entry.
  cases.push_back({"E25 old table clamps beyond its ends",
                   Old("<Element><Position X='100' Y='100'/><Image Name='n.bmp'><Axis X='0' Y='4'/>"
                       "</Image><Rotate><Value>500</Value><Nonlinearity><Item Value='200' "
                       "Degrees='-26'/><Item Value='100' Degrees='23'/></Nonlinearity></Rotate>"
                       "</Element>"),
                   {Background(), needle50},
                   Tip(100, 100, -26, 50, kWhite, kGrey)});
  // E5: new Degrees, no PointsTo: 22.5 -> 180 degrees, the needle lies left.
  cases.push_back({"E5 new Degrees",
                   New("<Element><FloatPosition>160,160</FloatPosition><Image id='n' Name='n.bmp'>"
                       "<Axis>0,4</Axis></Image><Rotation><Expression><Script>22.5</Script>"
                       "</Expression><NonlinearityTable><NonlinearityEntry><ExpressionResult>10"
                       "</ExpressionResult><Degrees>130</Degrees></NonlinearityEntry>"
                       "<NonlinearityEntry><ExpressionResult>35</ExpressionResult><Degrees>230"
                       "</Degrees></NonlinearityEntry></NonlinearityTable></Rotation></Element>"),
                   {Background(), needle50},
                   Tip(160, 160, 180, 50, kWhite, kGrey)});
  // E6: Radians interpolated as numbers: 1500 -> 4.65 rad, nearly straight up.
  cases.push_back({"E6 new Radians, numeric interpolation",
                   New("<Element><FloatPosition>160,160</FloatPosition><Image id='n' Name='n.bmp'>"
                       "<Axis>0,4</Axis></Image><Rotation><Expression><Script>1500</Script>"
                       "</Expression><NonlinearityTable><NonlinearityEntry><ExpressionResult>0"
                       "</ExpressionResult><Radians>3.0</Radians></NonlinearityEntry>"
                       "<NonlinearityEntry><ExpressionResult>3000</ExpressionResult><Radians>6.3"
                       "</Radians></NonlinearityEntry></NonlinearityTable></Rotation></Element>"),
                   {Background(), needle50},
                   Tip(160, 160, 4.65 * 180 / kPi, 50, kWhite, kGrey)});
  // E7: points with DegreesPointsTo 180: +10 -> (14,55) from (153,86).
  cases.push_back(
      {"E7 new points and DegreesPointsTo",
       New("<Element><FloatPosition>153,86</FloatPosition><Image id='a' Name='w.bmp'>"
           "<Axis>49,4</Axis></Image><Rotation><DegreesPointsTo>180</DegreesPointsTo>"
           "<Expression><Script>10</Script></Expression><NonlinearityTable>"
           "<NonlinearityEntry><ExpressionResult>0</ExpressionResult><FloatPosition>11,89"
           "</FloatPosition></NonlinearityEntry><NonlinearityEntry><ExpressionResult>10"
           "</ExpressionResult><FloatPosition>14,55</FloatPosition></NonlinearityEntry>"
           "</NonlinearityTable></Rotation></Element>"),
       {Background(), WestNeedle("w.bmp", 50)},
       Tip(153, 86, std::atan2(55 - 86, 14 - 153) * 180 / kPi, 49, kWhite, kGrey)});
  // E8: Degrees with PointsTo WEST, not compensated: +2.5 -> +90: north.
  cases.push_back(
      {"E8 new Degrees ignores PointsTo",
       New("<Element><FloatPosition>160,160</FloatPosition><Image id='a' Name='w.bmp'>"
           "<Axis>49,4</Axis></Image><Rotation><PointsTo>WEST</PointsTo><Expression>"
           "<Script>2.5</Script></Expression><NonlinearityTable><NonlinearityEntry>"
           "<ExpressionResult>-5</ExpressionResult><Degrees>-180</Degrees>"
           "</NonlinearityEntry><NonlinearityEntry><ExpressionResult>0</ExpressionResult>"
           "<Degrees>0</Degrees></NonlinearityEntry><NonlinearityEntry><ExpressionResult>5"
           "</ExpressionResult><Degrees>180</Degrees></NonlinearityEntry>"
           "</NonlinearityTable></Rotation></Element>"),
       {Background(), WestNeedle("w.bmp", 50)},
       Tip(160, 160, -90, 49, kWhite, kGrey)});
  // E9: linear shift, clamped: 200 -> 90 -> 43.2 px down: top-left (20, 175.2).
  cases.push_back({"E9 old linear shift, clamped",
                   Old("<Element><Position X='20' Y='141'/><Image Name='b.bmp'><Axis X='0' Y='9'/>"
                       "</Image><Shift><Value Minimum='-90' Maximum='90'>200</Value>"
                       "<Scale Y='0.48'/></Shift></Element>"),
                   {Background(), {"b.bmp", 20, 10, Fill(20, 10, kRed)}},
                   {{30, 176, kRed}, {30, 184.5, kRed}, {30, 174, kGrey}, {30, 186.5, kGrey}}});
  // E10: shift table: 15 -> (55, 0).
  cases.push_back({"E10 new shift table",
                   New("<Element><FloatPosition>100,100</FloatPosition><Image id='p' Name='b.bmp'/>"
                       "<Shift><Expression><Script>15</Script></Expression><NonlinearityTable>"
                       "<NonlinearityEntry><ExpressionResult>0</ExpressionResult><FloatPosition>0,0"
                       "</FloatPosition></NonlinearityEntry><NonlinearityEntry><ExpressionResult>30"
                       "</ExpressionResult><FloatPosition>110,0</FloatPosition></NonlinearityEntry>"
                       "</NonlinearityTable></Shift></Element>"),
                   {Background(), {"b.bmp", 20, 10, Fill(20, 10, kRed)}},
                   {{156, 105, kRed}, {174, 105, kRed}, {154, 105, kGrey}, {176, 105, kGrey}}});
  // E11: a tape behind a mask: strip row 150 lands on y = 79; the mask
  // (31 x 98 at (105, 25)) hides the rest.
  cases.push_back(
      {"E11 old tape behind a mask",
       Old("<Element><Position X='105' Y='10'/><Element><Position X='0' Y='15'/>"
           "<MaskImage Name='mask.bmp'><Axis X='0' Y='54'/></MaskImage>"
           "<Image Name='strip.bmp'><Nonlinearity><Item Value='0' X='0' Y='250'/>"
           "<Item Value='100' X='0' Y='50'/></Nonlinearity></Image>"
           "<Shift><Value>50</Value></Shift></Element></Element>"),
       {Background(), Strip("strip.bmp", 300), {"mask.bmp", 31, 98, Fill(31, 98, 0x010101)}},
       {{110.5, 79.5, StripRow(150)},
        {110.5, 25.5, StripRow(96)},
        {110.5, 122.5, StripRow(193)},
        {110.5, 23.5, kGrey},
        {110.5, 124.5, kGrey}}});
  // E12: drums side by side under one mask, anchored by the mask's axis.
  cases.push_back(
      {"E12 old drum digits on a mask's axis",
       Old("<Element><Position X='40' Y='71'/><MaskImage Name='m.bmp'><Axis X='41' "
           "Y='7'/></MaskImage><Image Name='strip.bmp'><Nonlinearity><Item Value='0' "
           "X='0' Y='7'/><Item Value='100' X='0' Y='90'/></Nonlinearity></Image><Shift>"
           "<Value>50</Value></Shift></Element>"),
       {Background(), Strip("strip.bmp", 120), {"m.bmp", 80, 14, Fill(80, 14, 0x010101)}},
       // Strip row 48.5 sits on y = 78: rows 48 and 49 meet there.
       {{90.5, 77.5, StripRow(48)}, {90.5, 78.5, StripRow(49)}, {70, 78, kGrey}}});
  // E13: a mask's black hides, its (1,1,1) shows, its own colour never appears.
  std::vector<uint32_t> half = Fill(40, 40, 0);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 20; ++x) half[static_cast<size_t>(y * 40 + x)] = 0x010101;
  }
  cases.push_back(
      {"E13 mask stencil",
       Old("<Element><Position X='50' Y='50'/><MaskImage Name='half.bmp'/>"
           "<Image Name='big.bmp'/></Element>"),
       {Background(), {"half.bmp", 40, 40, half}, {"big.bmp", 80, 80, Fill(80, 80, kRed)}},
       {{60, 60, kRed}, {80, 60, kGrey}, {100, 100, kGrey}}});
  // E14: shift then rotate about the mask's axis: centre (167.8, 175.8).
  cases.push_back(
      {"E14 old attitude: shift, then rotate about the mask axis",
       Old("<Element><MaskImage Name='win.bmp'><Axis X='170' Y='165'/></MaskImage>"
           "<Image Name='horizon.bmp'><Axis X='147' Y='147'/></Image>"
           "<Shift><Value>-5 /-/</Value><Scale Y='2.2'/></Shift>"
           "<Rotate><Value>0.2</Value></Rotate></Element>"),
       {Background(), Horizon(), {"win.bmp", 320, 320, Fill(320, 320, 0x010101)}},
       HorizonProbes(170 - 11 * std::sin(0.2), 165 + 11 * std::cos(0.2), 0.2 * 180 / kPi)});
  // E15: a compass ring turned -90 degrees: its east mark goes to the top.
  std::vector<uint32_t> ring = Fill(100, 100, kWhite);
  for (int y = 45; y < 55; ++y) {
    for (int x = 85; x < 100; ++x) ring[static_cast<size_t>(y * 100 + x)] = kRed;
  }
  cases.push_back({"E15 new compass ring turned back",
                   New("<Element><FloatPosition>160,160</FloatPosition><Image id='r' "
                       "Name='ring.bmp'><Axis>50,50</Axis></Image><Rotation><Expression>"
                       "<Script>90 dgrd /-/</Script></Expression></Rotation></Element>"),
                   {Background(), {"ring.bmp", 100, 100, ring}},
                   {{160, 118, kRed}, {202, 160, kWhite}}});
  // E17: the black key in each schema, and (1,1,1) always drawn.
  std::vector<uint32_t> keyed = Fill(20, 20, 0);
  for (int x = 0; x < 20; ++x) keyed[static_cast<size_t>(10 * 20 + x)] = 0x010101;
  cases.push_back({"E17 old images key black",
                   Old("<Element><Position X='10' Y='10'/><Image Name='k.bmp'/></Element>"),
                   {Background(), {"k.bmp", 20, 20, keyed}},
                   {{15, 15, kGrey}, {15, 20.5, 0x010101}}});
  cases.push_back({"E17 new images key black only when Transparent",
                   New("<Element><FloatPosition>10,10</FloatPosition><Image id='a' Name='k.bmp'/>"
                       "</Element><Element><FloatPosition>40,10</FloatPosition><Image id='b' "
                       "Name='k.bmp'><Transparent>True</Transparent></Image></Element>"),
                   {Background(), {"k.bmp", 20, 20, keyed}},
                   {{15, 15, 0x000000}, {45, 15, kGrey}, {45, 20.5, 0x010101}}});
  // The old background is keyed too: its black corners show nothing.
  std::vector<uint32_t> corners = Fill(40, 40, kGrey);
  corners[0] = 0;
  cases.push_back({"old background keyed",
                   "<Gauge><Image Name='bg.bmp'/></Gauge>",
                   {{"bg.bmp", 40, 40, corners}},
                   {{0.5, 0.5, kNone}, {1.5, 0.5, kGrey}}});
  // E20: the case chosen by the frame.
  cases.push_back({"E20 select draws the chosen case",
                   Old("<Element><Position X='147' Y='136'/><Select><Value>2</Value>"
                       "<Case Value='1'><Image Name='to.bmp'/></Case>"
                       "<Case Value='2'><Image Name='from.bmp'/></Case></Select></Element>"
                       "<Element><Position X='10' Y='10'/><Select><Value>0</Value>"
                       "<Case Value='1'><Image Name='to.bmp'/></Case></Select></Element>"),
                   {Background(),
                    {"to.bmp", 10, 10, Fill(10, 10, kRed)},
                    {"from.bmp", 10, 10, Fill(10, 10, kBlue)}},
                   {{150, 140, kBlue}, {15, 15, kGrey}}});
  // E21: a hidden parent hides its children.
  cases.push_back({"E21 nested visibility",
                   Old("<Element><Visible>2 1 ==</Visible><Element><Position X='10' Y='10'/>"
                       "<Image Name='to.bmp'/></Element></Element><Element><Position X='40' "
                       "Y='10'/><Visible>1</Visible><Element><Image Name='to.bmp'/></Element>"
                       "</Element>"),
                   {Background(), {"to.bmp", 10, 10, Fill(10, 10, kRed)}},
                   {{15, 15, kGrey}, {45, 15, kRed}}});
  // Children move and turn with their parent: a child 30 px east of a parent
  // turned a quarter clockwise lands 30 px south of it.
  cases.push_back(
      {"children move and turn with their parents",
       Old("<Element><Position X='100' Y='100'/><Rotate><Value>1.5707963</Value></Rotate>"
           "<Element><Position X='30' Y='0'/><Image Name='to.bmp'><Axis X='5' Y='5'/>"
           "</Image></Element></Element>"),
       {Background(), {"to.bmp", 10, 10, Fill(10, 10, kRed)}},
       {{100, 130, kRed}, {130, 100, kGrey}}});
  // Alpha: the bitmap's alpha channel blends it (half red over grey);
  // without Alpha its alpha is ignored.
  cases.push_back(
      {"alpha blends with the bitmap's alpha channel",
       Old("<Element><Position X='10' Y='10'/><Image Name='a.bmp' Alpha='Yes'/></Element>"
           "<Element><Position X='40' Y='10'/><Image Name='a.bmp'/></Element>"),
       {Background(), {"a.bmp", 20, 20, Fill(20, 20, 0x80FF0000), 32}},
       {{15, 15, 0x991919}, {45, 15, kRed}}});
  // ClipRect: a rectangle in the element's frame.
  cases.push_back({"ClipRect clips the element",
                   New("<Element><FloatPosition>50,50</FloatPosition><ClipRect><FloatPosition>0,0"
                       "</FloatPosition><Size>10,10</Size></ClipRect><Image id='b' Name='big.bmp'/>"
                       "</Element>"),
                   {Background(), {"big.bmp", 40, 40, Fill(40, 40, kRed)}},
                   {{55, 55, kRed}, {65, 55, kGrey}, {55, 65, kGrey}}});
  // LeftScript and TopScript replace the written position (run in the
  // first frame, kept after it).
  cases.push_back({"LeftScript and TopScript place the element",
                   New("<Element><FloatPosition>5,5</FloatPosition><LeftScript>100</LeftScript>"
                       "<TopScript>50 20 +</TopScript><Image id='b' Name='to.bmp'/></Element>"),
                   {Background(), {"to.bmp", 10, 10, Fill(10, 10, kRed)}},
                   {{105, 75, kRed}, {10, 10, kGrey}}});
  // E16: a 0x colour is blue-green-red, a # colour red-green-blue; the
  // rectangles sit in an element shifted 100 px right.
  cases.push_back(
      {"E16 colours of shapes, in their element's frame",
       New("<Element><FloatPosition>0,10</FloatPosition><Shift><Scale>1,0</Scale><Expression>"
           "<Script>100</Script></Expression></Shift><Rectangle><Width>20</Width><Height>10"
           "</Height><FillColor>0xFF4C00</FillColor></Rectangle></Element><Element>"
           "<FloatPosition>0,30</FloatPosition><Shift><Scale>1,0</Scale><Expression><Script>100"
           "</Script></Expression></Shift><Rectangle><Width>20</Width><Height>10</Height>"
           "<FillColorScript>'#FF4C00'</FillColorScript></Rectangle></Element>"),
       {Background()},
       {{110, 15, 0x004CFF}, {110, 35, 0xFF4C00}, {10, 15, kGrey}, {10, 35, kGrey}}});
  // E22: a hub disc centred on (60, 50) with a grey ring, turned with its
  // element (a circle turns onto itself).
  cases.push_back(
      {"E22 circle hub",
       New("<Element><FloatPosition>60,50</FloatPosition><Rotation><Expression><Script>1"
           "</Script></Expression></Rotation><Circle><Axis>5,5</Axis><Radius>5</Radius>"
           "<FillColor>Black</FillColor><LineWidth>2</LineWidth><LineColor>Gray</LineColor>"
           "</Circle></Element>"),
       {Background()},
       {{60, 50, 0x000000}, {55.5, 50, 0x808080}, {64.5, 50, 0x808080}, {52, 50, kGrey}}});
  // A rectangle in an element turned a quarter clockwise: it hangs down.
  cases.push_back(
      {"shapes turn with their element",
       Old("<Element><Position X='100' Y='100'/><Rotate><Value>1.5707963</Value></Rotate>"
           "<Rectangle Width='40' Height='6' FillColor='#FF0000'/></Element>"),
       {Background()},
       {{97, 120, kRed}, {120, 103, kGrey}}});
  // E24: only the high-resolution bitmap, drawn at ImageSizes' first pair.
  cases.push_back(
      {"E24 ImageSizes with a high-resolution file only",
       Old("<Element><Position X='100' Y='10'/><Image Name='Tall' "
           "ImageSizes='5,197,8,315'/></Element>"),
       {Background(), {"1024/tall.BMP", 8, 315, Fill(8, 315, kRed)}},
       {{102.5, 100, kRed}, {102.5, 205, kRed}, {107, 100, kGrey}, {102.5, 209, kGrey}}});
  return cases;
}

struct Drawn {
  Picture picture;
  std::string messages;
  double width = 0;
  double height = 0;
};

class DrawingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        fs::temp_directory_path() /
        ("vellomar-drawing-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  void Write(const std::string& name, const std::string& bytes) {
    const fs::path path = folder_ / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }

  // Writes the gauge and its bitmaps, runs one frame and draws it.
  Drawn Draw(const std::string& gauge, const std::vector<TestBitmap>& bitmaps, double scale = 1) {
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    for (const TestBitmap& bitmap : bitmaps) {
      Write(bitmap.name, MakeBmp(bitmap.width, bitmap.height, bitmap.bits, bitmap.pixels));
    }
    Write("gauge.xml", gauge);
    Drawn drawn;
    std::ostringstream err;
    Diagnostics diagnostics(&err);
    GaugeModel model;
    Diagnostic problem;
    if (!LoadGaugeFile((folder_ / "gauge.xml").u8string(), &model, &problem)) {
      drawn.messages = FormatDiagnostic(problem);
      return drawn;
    }
    SimState sim;
    Engine engine(nullptr, &sim, &diagnostics);
    Panel panel(&engine, &sim, &diagnostics);
    panel.set_keep_elements(true);
    panel.AddGauge(model);
    std::vector<GaugeFrame> frames;
    panel.RunFrame(1, &frames);
    FontLibrary fonts(&diagnostics);
    GaugeRenderer renderer(panel.model(0), &fonts, &diagnostics);
    renderer.Draw(frames[0], scale, &drawn.picture);
    drawn.width = renderer.width();
    drawn.height = renderer.height();
    drawn.messages = err.str();
    return drawn;
  }

  fs::path folder_;
};

std::string Hex(uint32_t rgba) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", rgba);
  return text;
}

// Whether the pixel holding (x, y) has `colour`, allowing for a little
// blending at edges that are not on pixel boundaries.
bool Holds(const Picture& picture, const Probe& probe, std::string* seen) {
  const int x = static_cast<int>(std::floor(probe.x));
  const int y = static_cast<int>(std::floor(probe.y));
  const uint32_t pixel = picture.At(x, y);
  *seen = Hex(pixel) + " at (" + std::to_string(x) + "," + std::to_string(y) + ")";
  if (probe.colour == kNone) return (pixel & 0xFF) == 0;
  if ((pixel & 0xFF) < 250) return false;
  for (int shift : {24, 16, 8}) {
    const int want = static_cast<int>((probe.colour << 8 >> shift) & 0xFF);
    const int got = static_cast<int>((pixel >> shift) & 0xFF);
    if (std::abs(want - got) > 24) return false;
  }
  return true;
}

TEST_F(DrawingTest, ExpectedPictures) {
  // VELLOMAR_DRAWING_TEST_OUT=DIR keeps the pictures, to look at them.
  const char* keep = std::getenv("VELLOMAR_DRAWING_TEST_OUT");
  int number = 0;
  for (const PictureCase& test : Cases()) {
    const Drawn drawn = Draw(test.gauge, test.bitmaps);
    std::string ignored;
    if (keep != nullptr) {
      WritePng(drawn.picture, std::string(keep) + "/case" + std::to_string(++number) + ".png",
               &ignored);
    }
    EXPECT_EQ(drawn.messages, "") << test.name;
    for (const Probe& probe : test.probes) {
      std::string seen;
      EXPECT_TRUE(Holds(drawn.picture, probe, &seen))
          << test.name << ": (" << probe.x << ", " << probe.y << ") should be "
          << (probe.colour == kNone ? "transparent" : Hex(probe.colour << 8 | 0xFF)) << ", is "
          << seen;
    }
  }
}

TEST_F(DrawingTest, GaugeSize) {
  struct SizeCase {
    const char* name;
    std::string gauge;
    std::vector<TestBitmap> bitmaps;
    double width;
    double height;
  };
  const std::vector<SizeCase> cases = {
      {"old: the background bitmap",
       "<Gauge><Image Name='bg.bmp'/></Gauge>",
       {Background(64)},
       64,
       64},
      {"old: ImageSizes' first pair",
       "<Gauge><Image Name='bg.bmp' ImageSizes='40,30,64,48'/></Gauge>",
       {Background(64)},
       40,
       30},
      {"new: <Size> before the image",
       "<SimBase.Document><SimGauge.Gauge><Size>100,50</Size><Image Name='bg.bmp'/>"
       "</SimGauge.Gauge></SimBase.Document>",
       {Background(64)},
       100,
       50},
      {"new: the image without <Size>",
       "<SimBase.Document><SimGauge.Gauge><Image Name='bg.bmp'/></SimGauge.Gauge>"
       "</SimBase.Document>",
       {Background(64)},
       64,
       64},
      {"old: <Size> without a background", "<Gauge><Size X='150' Y='170'/></Gauge>", {}, 150, 170},
      {"neither: as far as the images reach",
       "<Gauge><Element><Position X='10' Y='20'/><Image Name='bg.bmp'/></Element></Gauge>",
       {Background(64)},
       74,
       84},
  };
  for (const SizeCase& test : cases) {
    const Drawn drawn = Draw(test.gauge, test.bitmaps, 2);
    EXPECT_EQ(drawn.width, test.width) << test.name;
    EXPECT_EQ(drawn.height, test.height) << test.name;
    EXPECT_EQ(drawn.picture.width, static_cast<int>(test.width * 2)) << test.name;
    EXPECT_EQ(drawn.messages, "") << test.name;
  }
}

// A text in the frame's words, placed in its element's frame: a GaugeText
// in a shifted element draws its yellow glyphs only inside its moved box.
TEST_F(DrawingTest, TextsShowTheFramesTextInTheirElementsFrame) {
  const Drawn drawn =
      Draw(New("<Element><FloatPosition>20,20</FloatPosition><Shift><Scale>1,0</Scale><Expression>"
               "<Script>100</Script></Expression></Shift><GaugeText><GaugeString>%(7 6 *)%!d!"
               "</GaugeString><FontColor>Yellow</FontColor><FontHeight>20</FontHeight>"
               "<Size>60,24</Size><Transparent>True</Transparent></GaugeText></Element>"),
           {Background()});
  EXPECT_EQ(drawn.messages, "");
  int inside = 0;
  int outside = 0;
  for (int y = 0; y < drawn.picture.height; ++y) {
    for (int x = 0; x < drawn.picture.width; ++x) {
      const uint32_t pixel = drawn.picture.At(x, y);
      if ((pixel >> 8 & 0xFF) > 0x80 || (pixel >> 16 & 0xFF) < 0xC0) continue;  // not yellow
      (x >= 120 && x < 180 && y >= 20 && y < 44 ? inside : outside)++;
    }
  }
  EXPECT_GT(inside, 20);
  EXPECT_EQ(outside, 0);
}

TEST_F(DrawingTest, MissingBitmapIsAnOutlinedBoxAndOneWarning) {
  const Drawn drawn =
      Draw(Old("<Element><Position X='10' Y='20'/><Image Name='gone.bmp' ImageSizes='60,20'/>"
               "</Element>"),
           {Background()});
  EXPECT_NE(drawn.messages.find("gauge.xml:1:"), std::string::npos) << drawn.messages;
  EXPECT_NE(drawn.messages.find("warning: <Image> bitmap 'gone.bmp' not found"), std::string::npos)
      << drawn.messages;
  EXPECT_EQ(drawn.messages.find("warning", drawn.messages.find("warning") + 1), std::string::npos)
      << drawn.messages;
  std::string seen;
  for (const Probe& probe : {Probe{10.5, 30, 0xFF00FF}, Probe{69.5, 30, 0xFF00FF},
                             Probe{40, 20.5, 0xFF00FF}, Probe{65, 37, kGrey}}) {
    EXPECT_TRUE(Holds(drawn.picture, probe, &seen)) << seen;
  }
}

// Every kind of BMP a gauge may have, read back pixel for pixel.
TEST(BitmapTest, ReadsEveryDepthBothWays) {
  const std::vector<uint32_t> colours = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00,
                                         0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF};
  for (int bits : {1, 4, 8, 16, 24, 32}) {
    for (bool top_down : {false, true}) {
      const int width = 7;  // rows padded to four bytes at every depth
      const int height = 3;
      std::vector<uint32_t> pixels;
      for (int i = 0; i < width * height; ++i) {
        pixels.push_back(colours[static_cast<size_t>(i % (bits == 1 ? 2 : 8))]);
      }
      Bitmap bitmap;
      std::string problem;
      const std::string label =
          std::to_string(bits) + " bits, " + (top_down ? "top-down" : "bottom-up");
      ASSERT_TRUE(DecodeBmp(MakeBmp(width, height, bits, pixels, top_down), &bitmap, &problem))
          << label << ": " << problem;
      ASSERT_EQ(bitmap.width, width) << label;
      ASSERT_EQ(bitmap.height, height) << label;
      for (size_t i = 0; i < pixels.size(); ++i) {
        const uint32_t got = static_cast<uint32_t>(bitmap.rgba[i * 4]) << 16 |
                             static_cast<uint32_t>(bitmap.rgba[i * 4 + 1]) << 8 |
                             bitmap.rgba[i * 4 + 2];
        EXPECT_EQ(got, pixels[i]) << label << ", pixel " << i;
      }
      EXPECT_FALSE(bitmap.has_alpha) << label;
    }
  }
}

TEST(BitmapTest, RefusesWhatIsNotAGaugeBitmap) {
  std::string bmp = MakeBmp(4, 4, 24, Fill(4, 4, kRed));
  std::string huge = bmp;
  huge[18] = static_cast<char>(0xA0);  // 100000 x 100000
  huge[19] = static_cast<char>(0x86);
  huge[20] = 0x01;
  huge[22] = static_cast<char>(0xA0);
  huge[23] = static_cast<char>(0x86);
  huge[24] = 0x01;
  std::string rle = MakeBmp(4, 4, 8, Fill(4, 4, kRed));
  rle[30] = 1;  // BI_RLE8
  struct RefusedCase {
    const char* name;
    std::string bytes;
    const char* problem;
  };
  const std::vector<RefusedCase> cases = {
      {"a PNG", "\x89PNG\r\n\x1a\n", "not a BMP file"},
      {"empty", "", "not a BMP file"},
      {"cut short", bmp.substr(0, 20), "damaged or unsupported BMP"},
      {"100000 x 100000", huge, "claims 100000 x 100000 pixels"},
      {"run-length encoded", rle, "damaged or unsupported BMP"},
  };
  for (const RefusedCase& test : cases) {
    Bitmap bitmap;
    std::string problem;
    EXPECT_FALSE(DecodeBmp(test.bytes, &bitmap, &problem)) << test.name;
    EXPECT_NE(problem.find(test.problem), std::string::npos) << test.name << ": " << problem;
  }
}

TEST_F(DrawingTest, FindsBitmapsAsTheSimulatorDoes) {
  Write("Needle.BMP", "x");
  Write("Art/Dial.bmp", "x");
  Write("1024/hires.bmp", "x");
  Write("640/lowres.bmp", "x");
  Write("1024/both.bmp", "x");
  Write("both.bmp", "x");
  const std::string folder = folder_.u8string();
  const std::map<std::string, std::string> cases = {
      {"needle.bmp", "Needle.BMP"},
      {"NEEDLE", "Needle.BMP"},
      {"art\\dial.BMP", "Art/Dial.bmp"},
      {"hires.bmp", "1024/hires.bmp"},
      {"LowRes", "640/lowres.bmp"},
      {"both.bmp", "both.bmp"},
      {"missing.bmp", ""},
  };
  for (const auto& [name, expected] : cases) {
    const std::string found = FindBitmap(folder, name);
    std::string got =
        found.empty() ? "" : fs::relative(fs::u8path(found), folder_).generic_u8string();
    std::string want = expected;
#ifdef _WIN32
    // Windows' file system opens a name in any case, so the name comes back
    // as the gauge wrote it rather than as it is on disk.
    for (std::string* text : {&got, &want}) {
      std::transform(text->begin(), text->end(), text->begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    }
#endif
    EXPECT_EQ(got, want) << name;
  }
}

// The example's picture, drawn again from its gauge and scenario: equal to
// the one in the repository but for small differences of antialiasing.
TEST(GoldenPictureTest, AirspeedExample) {
  const fs::path folder = fs::u8path(VELLOMAR_EXAMPLES) / "airspeed";
  Diagnostic unreadable;
  std::string contents;
  Scenario scenario;
  ASSERT_TRUE(ReadRegularFile((folder / "scenario.toml").u8string(), &contents, &unreadable))
      << FormatDiagnostic(unreadable);
  ASSERT_TRUE(ParseScenario("scenario.toml", contents, &scenario, &unreadable))
      << FormatDiagnostic(unreadable);
  GaugeModel model;
  ASSERT_TRUE(LoadGaugeFile((folder / "airspeed.xml").u8string(), &model, &unreadable))
      << FormatDiagnostic(unreadable);
  std::ostringstream err;
  Diagnostics diagnostics(&err);
  SimState sim;
  Engine engine(nullptr, &sim, &diagnostics);
  Panel panel(&engine, &sim, &diagnostics);
  panel.set_keep_elements(true);
  panel.AddGauge(model);
  ScenarioPlayer player(&scenario, &sim);
  player.Start();
  std::vector<GaugeFrame> frames;
  for (int frame = 1; frame <= 20; ++frame) {
    player.BeforeFrame(frame);
    panel.RunFrame(frame, &frames);
  }
  FontLibrary fonts(&diagnostics);
  GaugeRenderer renderer(panel.model(0), &fonts, &diagnostics);
  Picture drawn;
  renderer.Draw(frames[0], 1, &drawn);
  EXPECT_EQ(err.str(), "");

  ASSERT_TRUE(ReadRegularFile((folder / "airspeed-20.png").u8string(), &contents, &unreadable))
      << FormatDiagnostic(unreadable);
  std::string problem;
  Bitmap golden;
  ASSERT_TRUE(DecodePng(contents, &golden, &problem)) << problem;
  ASSERT_EQ(golden.width, drawn.width);
  ASSERT_EQ(golden.height, drawn.height);
  size_t different = 0;
  for (size_t i = 0; i < drawn.rgba.size(); ++i) {
    if (std::abs(int{drawn.rgba[i]} - int{golden.rgba[i]}) > 16) ++different;
  }
  EXPECT_LE(different, drawn.rgba.size() / 500) << "bytes differing by more than 16";
}

TEST(PictureRunTest, ReadsFrameLists) {
  const std::vector<std::pair<std::string, std::vector<int>>> good = {
      {"last", {20}},
      {"1,10,5", {1, 5, 10}},
      {"3-6", {3, 4, 5, 6}},
      {"1-20/5", {1, 6, 11, 16}},
      {"all", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}},
      {"2,2,1-2", {1, 2}},
  };
  for (const auto& [text, frames] : good) {
    std::vector<int> read;
    std::string problem;
    EXPECT_TRUE(ParseFrameList(text, 20, &read, &problem)) << text << ": " << problem;
    EXPECT_EQ(read, frames) << text;
  }
  for (const char* bad : {"", "0", "21", "5-3", "x", "1-4/0", "3/2", "1,,2"}) {
    std::vector<int> read;
    std::string problem;
    EXPECT_FALSE(ParseFrameList(bad, 20, &read, &problem)) << bad;
    EXPECT_NE(problem.find("--png-frames"), std::string::npos) << bad;
  }
}

}  // namespace
}  // namespace runner
