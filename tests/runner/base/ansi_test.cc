// The one conversion between the simulator's ANSI bytes (Windows-1252) and
// the UTF-8 the runner reads and shows.
#include "runner/base/ansi.h"

#include <gtest/gtest.h>

#include <string>

namespace runner {
namespace {

struct ConversionCase {
  const char* name;
  std::string utf8;   // as read (a file, the command line)
  std::string bytes;  // what scripts see
  size_t unmapped;    // characters with no byte
  std::string shown;  // the bytes shown again
};

TEST(AnsiTest, ConvertsAtInputAndOutput) {
  const ConversionCase cases[] = {
      {"ascii", "29.92 (L:x)", "29.92 (L:x)", 0, "29.92 (L:x)"},
      {"degree sign", "90\xC2\xB0", "90\xB0", 0, "90\xC2\xB0"},
      {"euro, from the 0x80 row", "\xE2\x82\xAC", "\x80", 0, "\xE2\x82\xAC"},
      {"curly quotes and dashes", "\xE2\x80\x9C\xE2\x80\x93\xE2\x80\x9D", "\x93\x96\x94", 0,
       "\xE2\x80\x9C\xE2\x80\x93\xE2\x80\x9D"},
      {"latin-1 letters", "\xC3\xA9\xC3\xBF", "\xE9\xFF", 0, "\xC3\xA9\xC3\xBF"},
      {"no byte: '?'",
       "\xE2\x88\x9A"
       "2",
       "?2", 1, "?2"},
      {"outside the BMP: '?'", "\xF0\x9F\x98\x80", "?", 1, "?"},
      {"U+0080 is not the euro", "\xC2\x80", "?", 1, "?"},
      {"unassigned byte by its own number", "\xC2\x81", "\x81", 0, "\\x81"},
      {"not UTF-8: kept as ANSI",
       "\xB0"
       "C",
       "\xB0"
       "C",
       0,
       "\xC2\xB0"
       "C"},
      {"control bytes kept", "a\tb\x01", "a\tb\x01", 0, "a\tb\x01"},
  };
  for (const ConversionCase& c : cases) {
    size_t unmapped = 0;
    uint32_t first = 0;
    EXPECT_EQ(Utf8ToAnsi(c.utf8, &unmapped, &first), c.bytes) << c.name;
    EXPECT_EQ(unmapped, c.unmapped) << c.name;
    EXPECT_EQ(AnsiToUtf8(c.bytes), c.shown) << c.name;
  }
}

// Every byte goes to UTF-8 and back to itself through the exact form (how an
// ANSI gauge file reaches the XML reader); the display form differs only for
// the five unassigned bytes.
TEST(AnsiTest, EveryByteRoundTrips) {
  int unassigned = 0;
  for (int value = 1; value < 256; ++value) {
    const std::string byte(1, static_cast<char>(value));
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8Exact(byte)), byte) << value;
    const std::string shown = AnsiToUtf8(byte);
    if (shown != AnsiToUtf8Exact(byte)) {
      ++unassigned;
      EXPECT_EQ(shown.substr(0, 2), "\\x") << value;
    }
    EXPECT_TRUE(IsValidUtf8(shown)) << value;
  }
  EXPECT_EQ(unassigned, 5);
}

TEST(AnsiTest, MessagesKeepUtf8AndShowAnsiBytes) {
  EXPECT_EQ(MixedToUtf8("g\xC3\xA9.xml: unknown word '\xB0'"),
            "g\xC3\xA9.xml: unknown word '\xC2\xB0'");
  EXPECT_EQ(CharacterName(0x221A), "U+221A");
}

}  // namespace
}  // namespace runner
