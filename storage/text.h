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
#include <type_traits>

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

// A hash of `text`, given the text's head, that ignores the case of ASCII
// letters, so that texts that EqualIgnoringCase() holds equal have equal
// hashes; for a text that fits a slot, false for a longer one. Reads no
// further than FitsSlot().
bool HashIfFits(const char* text, const FoldedHead& head, uint32_t* hash);

// True when `text` is not null and fits a slot. Reads at most kTextSlotSize
// bytes of `text`, so an unterminated or huge text is never read past that.
bool FitsSlot(const char* text);

// CopyIntoSlot() for a text of at least kShortTextBytes characters: finds its
// NUL in the rest of the slot's reach and copies it, or refuses it. Out of
// line, so that the short path saves no registers.
bool CopyLongIntoSlot(char* slot, const char* text);

// Texts shorter than this are measured and copied without a call.
inline constexpr std::size_t kShortTextBytes = 16;

// Copies a text of exactly `kBytes` bytes, its NUL included, from `text` into
// `slot`: two overlapping moves of the widest size that fits, each within the
// text and its NUL. `text` may be `slot` or overlap it: every byte is read
// before any is written.
template <std::size_t kBytes>
inline bool CopyShortIntoSlot(char* slot, const char* text) {
  static_assert(kBytes >= 1 && kBytes <= kShortTextBytes, "a short text");
  if constexpr (kBytes == 1) {
    slot[0] = '\0';
  } else {
    using Word = std::conditional_t<(kBytes >= 8), uint64_t,
                                    std::conditional_t<(kBytes >= 4), uint32_t, uint16_t>>;
    Word head = 0;
    Word tail = 0;
    std::memcpy(&head, text, sizeof(Word));
    std::memcpy(&tail, text + kBytes - sizeof(Word), sizeof(Word));
    std::memcpy(slot, &head, sizeof(Word));
    std::memcpy(slot + kBytes - sizeof(Word), &tail, sizeof(Word));
  }
  return true;
}

// Looks for the NUL from text[kIndex] on, a byte at a time, each byte read
// only once every byte before it is known not to be the NUL. Each length
// leaves the search by its own branch to its own copy of constant size, and
// no call is made for a text shorter than kShortTextBytes. `nul` is 0.
template <std::size_t kIndex>
inline bool CopyFromIndexIntoSlot(char* slot, const char* text, char nul) {
  if constexpr (kIndex == kShortTextBytes) {
    return CopyLongIntoSlot(slot, text);
  } else {
    if (__builtin_expect(text[kIndex] == nul, 0)) {
      return CopyShortIntoSlot<kIndex + 1>(slot, text);
    }
    return CopyFromIndexIntoSlot<kIndex + 1>(slot, text, nul);
  }
}

// Copies `text` and its NUL into `slot` (kTextSlotSize bytes). A null or
// over-long text is refused with false and the slot keeps what it held. Reads
// at most kTextSlotSize bytes of `text`, and none past its NUL. Inline:
// element and variable writes run every frame, mostly with short texts.
inline bool CopyIntoSlot(char* slot, const char* text) {
  if (text == nullptr) return false;
  char nul = '\0';
#if defined(__GNUC__)
  // Hides that `nul` is 0, so that each byte is compared with a register
  // rather than with the constant: x86 fuses a comparison of memory with a
  // register and its branch into one operation, but not one with a constant.
  // The text's address is hidden too: not knowing that the search stops at
  // the NUL, the compiler would warn about reads past the end of a short
  // literal that are never made.
  __asm__("" : "+r"(nul), "+r"(text));
#endif
  return CopyFromIndexIntoSlot<0>(slot, text, nul);
}

}  // namespace vellomar

#endif  // VELLOMAR_STORAGE_TEXT_H_
