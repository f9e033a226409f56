// Texts as the module stores and compares them.
//
// A text is NUL-terminated 8-bit characters. A text slot is a fixed field of
// 260 bytes: at most 259 characters and the NUL. Comparisons ignore case for
// A-Z/a-z only; every other byte compares exactly, with no locale.
#ifndef VELLOMAR_STORAGE_TEXT_H_
#define VELLOMAR_STORAGE_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "vellomar.h"

namespace vellomar {

inline constexpr std::size_t kTextSlotSize = VELLOMAR_TEXT_SLOT_SIZE;

// True when `a` and `b` hold the same characters, ignoring the case of ASCII
// letters. Neither may be null.
bool EqualIgnoringCase(const char* a, const char* b);

// The start of a text as lookups that ignore case see it: its first bytes,
// each ORed with 0x20, packed little-endian into words and zero past the
// text's end. ORing with 0x20 maps A-Z onto a-z and leaves a-z alone, so two
// texts that EqualIgnoringCase() holds equal have equal heads (the converse
// holds for texts of letters only).
inline constexpr std::size_t kFoldedHeadWords = 3;
inline constexpr std::size_t kFoldedHeadBytes = kFoldedHeadWords * 8;
struct FoldedHead {
  uint64_t words[kFoldedHeadWords];
  // The text's length when it is shorter than kFoldedHeadBytes; otherwise
  // kFoldedHeadBytes.
  std::size_t length;
};

// The 0x20 bits for the first `bytes` bytes of a word (all of them from 8 up).
constexpr uint64_t CaseBits(std::size_t bytes) {
  return bytes >= 8 ? 0x2020202020202020ull
                    : 0x2020202020202020ull & ((uint64_t{1} << (8 * bytes)) - 1);
}

// Reads `text` (not null) up to its NUL or kFoldedHeadBytes bytes, whichever
// comes first; no byte after the NUL. The bytes are gathered as they are and
// the 0x20 bits set once per word at the end.
constexpr FoldedHead ReadFoldedHead(const char* text) {
  FoldedHead head{{0, 0, 0}, kFoldedHeadBytes};
  for (std::size_t word = 0; word < kFoldedHeadWords; ++word) {
    uint64_t packed = 0;
    for (std::size_t byte = 0; byte < 8; ++byte) {
      const auto c = static_cast<unsigned char>(text[word * 8 + byte]);
      if (c == 0) {
        head.words[word] = packed | CaseBits(byte);
        head.length = word * 8 + byte;
        return head;
      }
      packed |= static_cast<uint64_t>(c) << (byte * 8);
    }
    head.words[word] = packed | CaseBits(8);
  }
  return head;
}

// A hash of `text` that ignores the case of ASCII letters, so that texts that
// EqualIgnoringCase() holds equal have equal hashes. Not null.
uint32_t HashIgnoringCase(const char* text);

// HashIgnoringCase(text), given the text's head, for a text that fits a slot;
// false for a longer one. Reads no further than FitsSlot().
bool HashIfFits(const char* text, const FoldedHead& head, uint32_t* hash);

// True when `text` is not null and fits a slot. Reads at most kTextSlotSize
// bytes of `text`, so an unterminated or huge text is never read past that.
bool FitsSlot(const char* text);

// Copies `text` and its NUL into `slot` (kTextSlotSize bytes). A null or
// over-long text is refused with false and the slot keeps what it held. Reads
// at most kTextSlotSize bytes of `text`, and none past its NUL. Inline:
// element and variable writes run every frame.
inline bool CopyIntoSlot(char* slot, const char* text) {
  if (text == nullptr) return false;
  // memchr stops at the first NUL, reading no byte after it.
  const void* end = std::memchr(text, '\0', kTextSlotSize);
  if (end == nullptr) return false;
  const auto length = static_cast<std::size_t>(static_cast<const char*>(end) - text);
  // A host may hand back a text this module gave it, so `text` can be `slot`
  // or overlap it: every byte is read before any is written.
  const std::size_t bytes = length + 1;
  if (bytes >= 8 && bytes <= 16) {
    // Gauge texts are mostly this short: two overlapping 8-byte moves, within
    // the text and its NUL, instead of a call.
    uint64_t head = 0;
    uint64_t tail = 0;
    std::memcpy(&head, text, 8);
    std::memcpy(&tail, text + bytes - 8, 8);
    std::memcpy(slot, &head, 8);
    std::memcpy(slot + bytes - 8, &tail, 8);
  } else {
    std::memmove(slot, text, bytes);
  }
  return true;
}

}  // namespace vellomar

#endif  // VELLOMAR_STORAGE_TEXT_H_
