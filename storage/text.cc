#include "storage/text.h"

#include <cstring>

#include "common/ascii_case.h"

namespace vellomar {

namespace {

unsigned char Fold(char c) { return static_cast<unsigned char>(FoldAscii(c)); }

}  // namespace

bool EqualIgnoringCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    if (Fold(*a) != Fold(*b)) return false;
    if (*a == '\0') return true;
  }
}

namespace {

constexpr uint64_t kHashMultiplier = 0x9E3779B97F4A7C15ull;

uint64_t MixWord(uint64_t hash, uint64_t word) {
  hash = (hash ^ word) * kHashMultiplier;
  return hash ^ (hash >> 29);
}

// Hashes the text's bytes, ORed with 0x20, eight at a time: the head's words,
// then the rest of the text in the same packing. Stops after `limit` bytes
// without a NUL, with false.
bool HashFolded(const char* text, const FoldedHead& head, std::size_t limit, uint32_t* hash) {
  uint64_t mixed = 0;
  std::size_t length = head.length;
  if (length < kFoldedHeadBytes) {
    for (std::size_t word = 0; word * 8 <= length && word < kFoldedHeadWords; ++word) {
      mixed = MixWord(mixed, head.words[word]);
    }
  } else {
    for (uint64_t word : head.words) mixed = MixWord(mixed, word);
    // Past the head, a word at a time, stopping at the NUL.
    for (;;) {
      uint64_t packed = 0;
      std::size_t byte = 0;
      for (; byte < 8; ++byte, ++length) {
        if (length == limit) return false;
        const auto c = static_cast<unsigned char>(text[length]);
        if (c == 0) break;
        packed |= static_cast<uint64_t>(c | 0x20u) << (byte * 8);
      }
      mixed = MixWord(mixed, packed);
      if (byte < 8) break;
    }
  }
  if (length >= limit) return false;
  mixed = MixWord(mixed, length);
  *hash = static_cast<uint32_t>(mixed ^ (mixed >> 32));
  return true;
}

}  // namespace

bool HashIfFits(const char* text, const FoldedHead& head, uint32_t* hash) {
  return HashFolded(text, head, kTextSlotSize, hash);
}

bool CopyLongIntoSlot(char* slot, const char* text) {
  // memchr stops at the first NUL, reading no byte after it.
  const void* end = std::memchr(text + kShortTextBytes, '\0', kTextSlotSize - kShortTextBytes);
  if (end == nullptr) return false;
  // memmove: `text` may overlap `slot`.
  std::memmove(slot, text, static_cast<std::size_t>(static_cast<const char*>(end) - text) + 1);
  return true;
}

bool FitsSlot(const char* text) {
  if (text == nullptr) return false;
  for (std::size_t i = 0; i < kTextSlotSize; ++i) {
    if (text[i] == '\0') return true;
  }
  return false;
}

}  // namespace vellomar
