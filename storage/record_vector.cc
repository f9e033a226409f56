#include "storage/record_vector.h"

#include <cstring>

#include "storage/allocation.h"

namespace vellomar {

bool RecordVector::ReserveOneMore() {
  if (size_ < capacity_) return true;
  constexpr std::size_t kLargest = static_cast<std::size_t>(-1) / 2 / sizeof(void*);
  if (capacity_ > kLargest) return false;
  const std::size_t capacity = capacity_ == 0 ? kInitialCapacity : capacity_ * 2;
  auto** records = static_cast<void**>(AllocateZeroed(capacity, sizeof(void*)));
  if (records == nullptr) return false;
  if (size_ != 0) std::memcpy(records, records_, size_ * sizeof(void*));
  Free(records_);
  records_ = records;
  capacity_ = capacity;
  return true;
}

void RecordVector::Clear() {
  Free(records_);
  records_ = nullptr;
  capacity_ = 0;
  size_ = 0;
}

}  // namespace vellomar
