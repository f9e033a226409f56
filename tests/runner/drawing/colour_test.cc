#include "runner/drawing/colour.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/runner/drawing/canvas.h"

namespace runner {
namespace {

using testing_canvas::Describe;

TEST(ColourTest, ReadsEachWayAGaugeWritesAColour) {
  struct Case {
    const char* text;
    bool ok;
    Rgb colour;
  };
  const Case cases[] = {
      {"#FF4C00", true, {255, 76, 0}},   // red, green, blue
      {"0xFF4C00", true, {0, 76, 255}},  // blue, green, red: the sky blue
      {"0x0A3554", true, {84, 53, 10}},  // the ground brown
      {"0XFF4C00", true, {0, 76, 255}},
      {" 0x090909 ", true, {9, 9, 9}},
      {"0x00FF4C00", true, {0, 76, 255}},  // eight digits: the top byte is not colour
      {"#ffd44f", true, {255, 212, 79}},
      {"#010707", true, {1, 7, 7}},
      {"lightgray", true, {211, 211, 211}},
      {"Gray", true, {128, 128, 128}},
      {"RED", true, {255, 0, 0}},
      {"Green", true, {0, 128, 0}},  // the CSS green
      {"Chartreuse", true, {127, 255, 0}},
      {"white", true, {255, 255, 255}},
      {"Cyan", true, {0, 255, 255}},
      {"lavenderblush", true, {255, 240, 245}},
      {"yellowgreen", true, {154, 205, 50}},
      {"aliceblue", true, {240, 248, 255}},
      {"#FF4C0", false, {}},
      {"#GG0000", false, {}},
      {"0x", false, {}},
      {"0x123456789", false, {}},
      {"0xFF4C00 red", false, {}},
      {"blurple", false, {}},
      {"", false, {}},
      {"255", false, {}},  // a number is a colour only as a script result
  };
  for (const Case& c : cases) {
    Rgb colour{1, 2, 3};
    EXPECT_EQ(ParseColour(c.text, &colour), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(colour, c.colour) << c.text << " gave " << Describe(colour);
    } else {
      EXPECT_EQ(colour, (Rgb{1, 2, 3})) << c.text << " changed the colour";
    }
  }
}

TEST(ColourTest, ScriptResultsAreTextsOrColourrefNumbers) {
  struct Case {
    const char* name;
    Value value;
    bool ok;
    Rgb colour;
  };
  const Case cases[] = {
      {"name", Value::Text("Red"), true, {255, 0, 0}},
      {"0x text", Value::Text("0x090909"), true, {9, 9, 9}},
      {"# text", Value::Text("#FF4C00"), true, {255, 76, 0}},
      {"number", Value::Double(16731136), true, {0, 76, 255}},  // 0xFF4C00
      {"integer", Value::Integer(255), true, {255, 0, 0}},
      {"digits", Value::Text("16731136"), true, {0, 76, 255}},
      {"fraction", Value::Double(255.7), true, {255, 0, 0}},
      {"negative", Value::Double(-1), false, {}},
      {"nan", Value::Double(std::nan("")), false, {}},
      {"not a colour", Value::Text("nope"), false, {}},
  };
  for (const Case& c : cases) {
    Rgb colour;
    EXPECT_EQ(ColourFromValue(c.value, &colour), c.ok) << c.name;
    if (c.ok) {
      EXPECT_EQ(colour, c.colour) << c.name << " gave " << Describe(colour);
    }
  }
}

TEST(ColourTest, OnlyPureBlackIsTheKey) {
  EXPECT_TRUE(IsKeyBlack(Rgb{0, 0, 0}));
  EXPECT_FALSE(IsKeyBlack(Rgb{1, 1, 1}));
  EXPECT_FALSE(IsKeyBlack(Rgb{0, 0, 1}));
}

}  // namespace
}  // namespace runner
