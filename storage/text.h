// Texts as the module stores and compares them.
//
// A text is NUL-terminated 8-bit characters. A text slot is a fixed field of
// 260 bytes: at most 259 characters and the NUL. Comparisons ignore case for
// A-Z/a-z only; every other byte compares exactly, with no locale.
#ifndef VELLOMAR_STORAGE_TEXT_H_
#define VELLOMAR_STORAGE_TEXT_H_

#include <cstddef>
#include <cstdint>

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
// over-long text is refused with false and the slot keeps what it held.
bool CopyIntoSlot(char* slot, const char* text);

}  // namespace vellomar

#endif  // VELLOMAR_STORAGE_TEXT_H_
