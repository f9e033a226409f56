#include "storage/allocation.h"

#include <cstdlib>

namespace vellomar {

void* AllocateZeroed(std::size_t count, std::size_t size) noexcept {
  return std::calloc(count, size);
}

void Free(void* memory) noexcept { std::free(memory); }

}  // namespace vellomar
