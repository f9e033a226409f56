// Reference counting shared by the three callback classes.
//
// An object starts with one reference, owned by whoever asked for it. Release
// destroys the object when the count reaches 0. Counts are plain integers: the
// host makes every call one at a time. Objects are allocated through the
// storage allocator, so running out of memory yields null rather than an
// exception.
#ifndef VELLOMAR_CALLBACKS_REF_COUNTED_H_
#define VELLOMAR_CALLBACKS_REF_COUNTED_H_

#include <cstddef>
#include <cstdint>
#include <new>

#include "host/calling_convention.h"
#include "storage/allocation.h"

namespace vellomar {

// `Self` is the final class; `Interface` the host interface (or an
// intermediate base) whose AddRef and Release slots this fills.
template <class Self, class Interface>
class RefCounted : public Interface {
 public:
  uint32_t VELLOMAR_THISCALL AddRef() override { return ++count_; }

  uint32_t VELLOMAR_THISCALL Release() override {
    const uint32_t count = --count_;
    if (count == 0) delete static_cast<Self*>(this);
    return count;
  }

  // Creates a Self with one reference, or returns null when memory runs out.
  template <class... Args>
  static Self* Create(Args... args) {
    return new (std::nothrow) Self(args...);
  }

  static void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateZeroed(1, size);
  }
  static void operator delete(void* memory) noexcept { Free(memory); }
  static void operator delete(void* memory, const std::nothrow_t&) noexcept { Free(memory); }

 protected:
  using Interface::Interface;
  ~RefCounted() = default;

 private:
  uint32_t count_ = 1;
};

}  // namespace vellomar

#endif  // VELLOMAR_CALLBACKS_REF_COUNTED_H_
