#include "storage/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
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

// Every length around the head's word boundaries and the slot's end, each text
// in a heap block of exactly its size so that the sanitizers catch a read past
// its NUL.
TEST(TextTest, HeadsAndHashesIgnoreCaseAndReadNoFurtherThanTheText) {
  for (std::size_t length = 0; length <= kTextSlotSize + 1; ++length) {
    std::string lower;
    for (std::size_t i = 0; i < length; ++i) lower += static_cast<char>('a' + i % 26);
    std::string upper = lower;
    for (char& c : upper) c = static_cast<char>(c - 'a' + 'A');
    auto exact = [](const std::string& text) {
      auto block = std::make_unique<char[]>(text.size() + 1);
      std::memcpy(block.get(), text.c_str(), text.size() + 1);
      return block;
    };
    const auto a = exact(lower);
    const auto b = exact(upper);
    const FoldedHead head_a = ReadFoldedHead(a.get());
    const FoldedHead head_b = ReadFoldedHead(b.get());
    EXPECT_EQ(head_a.length, std::min(length, kFoldedHeadBytes)) << length;
    for (std::size_t w = 0; w < kFoldedHeadWords; ++w) {
      EXPECT_EQ(head_a.words[w], head_b.words[w]) << length << ", word " << w;
    }
    uint32_t hash_a = 0;
    uint32_t hash_b = 0;
    const bool fits = length < kTextSlotSize;
    ASSERT_EQ(HashIfFits(a.get(), head_a, &hash_a), fits) << length;
    ASSERT_EQ(HashIfFits(b.get(), head_b, &hash_b), fits) << length;
    if (!fits) continue;
    EXPECT_EQ(hash_a, hash_b) << length;
    // The last byte matters, whatever the length.
    if (length > 0) {
      std::string other = lower;
      other.back() = '#';
      const auto c = exact(other);
      uint32_t hash_c = 0;
      ASSERT_TRUE(HashIfFits(c.get(), ReadFoldedHead(c.get()), &hash_c)) << length;
      EXPECT_NE(hash_c, hash_a) << length;
    }
  }
}

// Texts of every short length copied into a slot, from elsewhere, from the
// slot itself and from inside it, shifted: the copy must read every byte
// before it writes.
TEST(TextTest, CopiesShortTextsExactlyEvenFromInsideTheSlot) {
  for (std::size_t length = 0; length <= 24; ++length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) text += static_cast<char>('A' + i);
    // One byte more than a slot, so that the compiler sees room for a
    // slot-sized read from inside it.
    char buffer[kTextSlotSize + 1] = {};
    char* slot = buffer;
    ASSERT_TRUE(CopyIntoSlot(slot, text.c_str())) << length;
    EXPECT_EQ(std::string(slot), text) << length;
    ASSERT_TRUE(CopyIntoSlot(slot, slot)) << length;
    EXPECT_EQ(std::string(slot), text) << length;
    if (length > 0) {
      ASSERT_TRUE(CopyIntoSlot(slot, slot + 1)) << length;
      EXPECT_EQ(std::string(slot), text.substr(1)) << length;
    }
  }
}

// Every length up to one past the slot's reach, each text in a heap block of
// exactly its size so that the sanitizers catch a read past its NUL: a text
// that fits is copied with its NUL and not one byte more; a longer one leaves
// the whole slot as it was.
TEST(TextTest, CopiesEveryLengthExactlyAndNoFurther) {
  for (std::size_t length = 0; length <= kTextSlotSize; ++length) {
    auto text = std::make_unique<char[]>(length + 1);
    for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>('a' + i % 26);
    text[length] = '\0';
    char slot[kTextSlotSize];
    std::fill(slot, slot + kTextSlotSize, '#');
    const bool fits = length < kTextSlotSize;
    ASSERT_EQ(CopyIntoSlot(slot, text.get()), fits) << length;
    const std::size_t written = fits ? length + 1 : 0;
    EXPECT_EQ(std::memcmp(slot, text.get(), written), 0) << length;
    EXPECT_EQ(std::count(slot + written, slot + kTextSlotSize, '#'),
              static_cast<std::ptrdiff_t>(kTextSlotSize - written))
        << length;
  }
}

TEST(TextTest, LengthCheckReadsNoFurtherThanOneSlot) {
  // An unterminated buffer of exactly one slot: reading past it would be
  // caught by the sanitizers.
  auto* unterminated = new char[kTextSlotSize];
  std::fill(unterminated, unterminated + kTextSlotSize, 'z');
  EXPECT_FALSE(FitsSlot(unterminated));
  char slot[kTextSlotSize] = "kept";
  EXPECT_FALSE(CopyIntoSlot(slot, unterminated));
  EXPECT_STREQ(slot, "kept");
  delete[] unterminated;
}

}  // namespace
}  // namespace vellomar
