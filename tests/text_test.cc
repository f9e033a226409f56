#include "storage/text.h"

#include <gtest/gtest.h>

#include <string>

namespace vellomar {
namespace {

struct CompareCase {
  const char* a;
  const char* b;
  bool equal;
};

TEST(TextTest, ComparesIgnoringCaseOfAsciiLettersOnly) {
  const CompareCase cases[] = {
      {"SetActiveArray", "setactivearray", true},
      {"GETSTRINGVALUE", "GetStringValue", true},
      {"", "", true},
      {"abc", "abcd", false},
      {"abcd", "abc", false},
      // Bytes that differ by 0x20 but are not letters must stay distinct.
      {"@", "`", false},
      {"[", "{", false},
      {"^", "~", false},
      // No locale: accented letters compare exactly.
      {"\xC4", "\xE4", false},
      {"\xC4", "\xC4", true},
  };
  for (const CompareCase& c : cases) {
    EXPECT_EQ(EqualIgnoringCase(c.a, c.b), c.equal) << "'" << c.a << "' vs '" << c.b << "'";
  }
}

TEST(TextTest, SlotTakesAtMost259Characters) {
  char slot[kTextSlotSize];
  const std::string fits(259, 'x');
  ASSERT_TRUE(CopyIntoSlot(slot, fits.c_str()));
  EXPECT_EQ(std::string(slot), fits);

  // Refused texts leave the slot as it was.
  const std::string too_long(260, 'y');
  EXPECT_FALSE(CopyIntoSlot(slot, too_long.c_str()));
  EXPECT_FALSE(CopyIntoSlot(slot, nullptr));
  EXPECT_EQ(std::string(slot), fits);

  ASSERT_TRUE(CopyIntoSlot(slot, ""));
  EXPECT_EQ(std::string(slot), "");
}

TEST(TextTest, LengthCheckReadsNoFurtherThanOneSlot) {
  // An unterminated buffer of exactly one slot: reading past it would be
  // caught by the sanitizers.
  auto* unterminated = new char[kTextSlotSize];
  std::fill(unterminated, unterminated + kTextSlotSize, 'z');
  EXPECT_FALSE(FitsSlot(unterminated));
  delete[] unterminated;
}

}  // namespace
}  // namespace vellomar
