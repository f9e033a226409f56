// Where the storage takes its memory from.
//
// Every record, element buffer and callback object comes from here, zero-filled.
// Failure is a null result, never an exception: the caller reports it as false
// (or a null object) and leaves nothing half-made behind.
#ifndef VELLOMAR_STORAGE_ALLOCATION_H_
#define VELLOMAR_STORAGE_ALLOCATION_H_

#include <cstddef>

namespace vellomar {

// `count` objects of `size` bytes each, zero-filled; null when the memory cannot
// be had or count * size overflows.
void* AllocateZeroed(std::size_t count, std::size_t size) noexcept;

// Frees what AllocateZeroed returned; null is ignored.
void Free(void* memory) noexcept;

}  // namespace vellomar

#endif  // VELLOMAR_STORAGE_ALLOCATION_H_
