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

// A hash of `text` that ignores the case of ASCII letters, so that texts that
// EqualIgnoringCase() holds equal have equal hashes. Not null.
uint32_t HashIgnoringCase(const char* text);

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
