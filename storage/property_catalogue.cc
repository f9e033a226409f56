#include "storage/property_catalogue.h"

#include <array>

namespace vellomar {

namespace {

// The table keywords' heads, and a table of 32 slots that holds, for each
// keyword, its id at the slot its head hashes to. The multiplier was chosen so
// that no two keywords share a slot; CollisionFree() checks it as the module
// compiles.
constexpr unsigned kSlotBits = 5;
constexpr uint64_t kSlotMultiplier = 0x1C4A2E60CAD44E31ull;

constexpr std::size_t SlotOf(const FoldedHead& head) {
  const uint64_t mixed = head.words[0] ^ head.words[1] ^ head.words[2] ^ head.length;
  return static_cast<std::size_t>((mixed * kSlotMultiplier) >> (64 - kSlotBits));
}

constexpr std::array<FoldedHead, kPropertyCount> HeadsOfTable() {
  std::array<FoldedHead, kPropertyCount> heads{};
  for (std::size_t i = 0; i < kPropertyCount; ++i)
    heads[i] = ReadFoldedHead(kPropertyTable[i].keyword);
  return heads;
}

constexpr std::array<int8_t, std::size_t{1} << kSlotBits> SlotsOfTable() {
  std::array<int8_t, std::size_t{1} << kSlotBits> slots{};
  for (int8_t& slot : slots) slot = -1;
  for (std::size_t i = 0; i < kPropertyCount; ++i) {
    slots[SlotOf(ReadFoldedHead(kPropertyTable[i].keyword))] = static_cast<int8_t>(i);
  }
  return slots;
}

constexpr auto kHeads = HeadsOfTable();
constexpr auto kSlots = SlotsOfTable();

// Every keyword has a slot of its own, and consists of letters only, so that
// comparing heads is comparing ignoring case.
constexpr bool CollisionFree() {
  for (std::size_t i = 0; i < kPropertyCount; ++i) {
    if (kSlots[SlotOf(kHeads[i])] != static_cast<int8_t>(i)) return false;
    if (kHeads[i].length >= kFoldedHeadBytes) return false;
    for (const char* c = kPropertyTable[i].keyword; *c != '\0'; ++c) {
      if (!((*c >= 'A' && *c <= 'Z') || (*c >= 'a' && *c <= 'z'))) return false;
    }
  }
  return true;
}
static_assert(CollisionFree(), "pick another kSlotMultiplier: two keywords share a slot");

}  // namespace

int32_t FindTableKeyword(const FoldedHead& head) {
  const int8_t candidate = kSlots[SlotOf(head)];
  if (candidate < 0) return -1;
  const FoldedHead& known = kHeads[static_cast<std::size_t>(candidate)];
  const bool equal = known.length == head.length && known.words[0] == head.words[0] &&
                     known.words[1] == head.words[1] && known.words[2] == head.words[2];
  return equal ? candidate : -1;
}

}  // namespace vellomar
