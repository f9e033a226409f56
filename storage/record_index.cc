#include "storage/record_index.h"

#include "storage/allocation.h"

namespace vellomar {

uint32_t HashKey(uint64_t key) {
  // The finalizer of MurmurHash3's 64-bit variant.
  key ^= key >> 33;
  key *= 0xFF51AFD7ED558CCDull;
  key ^= key >> 33;
  key *= 0xC4CEB9FE1A85EC53ull;
  key ^= key >> 33;
  return static_cast<uint32_t>(key);
}

bool RecordIndex::ReserveOneMore() {
  if ((size_ + 1) * 4 <= capacity_ * 3) return true;
  constexpr std::size_t kLargest = static_cast<std::size_t>(-1) / 2 / kSlotBytes;
  if (capacity_ > kLargest) return false;
  const std::size_t capacity = capacity_ == 0 ? kInitialCapacity : capacity_ * 2;
  void* block = AllocateZeroed(capacity, kSlotBytes);
  if (block == nullptr) return false;

  void** old_records = records_;
  const uint32_t* old_hashes = hashes_;
  const std::size_t old_capacity = capacity_;
  records_ = static_cast<void**>(block);
  hashes_ = reinterpret_cast<uint32_t*>(records_ + capacity);
  capacity_ = capacity;
  for (std::size_t i = 0; i < old_capacity; ++i) {
    if (old_records[i] != nullptr) Place(old_hashes[i], old_records[i]);
  }
  Free(old_records);
  return true;
}

void RecordIndex::Insert(uint32_t hash, void* record) {
  Place(hash, record);
  ++size_;
}

void RecordIndex::Place(uint32_t hash, void* record) {
  const std::size_t mask = capacity_ - 1;
  std::size_t i = hash & mask;
  while (records_[i] != nullptr) i = (i + 1) & mask;
  records_[i] = record;
  hashes_[i] = hash;
}

void RecordIndex::Clear() {
  Free(records_);
  records_ = nullptr;
  hashes_ = nullptr;
  capacity_ = 0;
  size_ = 0;
}

}  // namespace vellomar
