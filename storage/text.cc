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

uint32_t HashIgnoringCase(const char* text) {
  // 32-bit FNV-1a over the folded bytes.
  uint32_t hash = 2166136261u;
  for (; *text != '\0'; ++text) {
    hash ^= Fold(*text);
    hash *= 16777619u;
  }
  return hash;
}

bool FitsSlot(const char* text) {
  if (text == nullptr) return false;
  for (std::size_t i = 0; i < kTextSlotSize; ++i) {
    if (text[i] == '\0') return true;
  }
  return false;
}

}  // namespace vellomar
