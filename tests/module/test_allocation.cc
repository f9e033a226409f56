#include "tests/module/test_allocation.h"

#include <cstdlib>

#include "storage/allocation.h"

namespace vellomar {

namespace {
int g_successes_left = -1;
std::size_t g_live = 0;
}  // namespace

void* AllocateZeroed(std::size_t count, std::size_t size) noexcept {
  if (g_successes_left == 0) return nullptr;
  if (g_successes_left > 0) --g_successes_left;
  void* memory = std::calloc(count, size);
  if (memory != nullptr) ++g_live;
  return memory;
}

void Free(void* memory) noexcept {
  if (memory != nullptr) --g_live;
  std::free(memory);
}

namespace testing {

void FailAllocationsAfter(int successes) { g_successes_left = successes; }
std::size_t LiveAllocations() { return g_live; }

}  // namespace testing
}  // namespace vellomar
