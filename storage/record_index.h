// A side index over records that a list owns: an open-addressing hash table
// (linear probing, at most three quarters full) of record pointers, each kept
// with the 32-bit hash of its key so that a probe touches a record only when
// the hashes agree.
//
// The index owns only its table, never the records. It holds no key of its
// own: a lookup gives the key's hash and a test that the record has the key.
// Its memory comes from storage/allocation.h, and growing never throws: room
// is made before a record is created, so that a failure to grow leaves
// nothing half-made, and the insertion that follows cannot fail.
//
// Not thread-safe: the host makes every call one at a time.
#ifndef VELLOMAR_STORAGE_RECORD_INDEX_H_
#define VELLOMAR_STORAGE_RECORD_INDEX_H_

#include <cstddef>
#include <cstdint>

namespace vellomar {

// Spreads the bits of a pointer or a token over the 32-bit hash, so that
// aligned addresses and consecutive numbers probe well.
uint32_t HashKey(uint64_t key);

class RecordIndex {
 public:
  constexpr RecordIndex() = default;

  // The record with `hash` that `has_key(record)` accepts, or null. When
  // several would be accepted, which one is found is unspecified: keys are
  // meant to be unique.
  template <class HasKey>
  void* Find(uint32_t hash, HasKey has_key) const {
    if (size_ == 0) return nullptr;
    const std::size_t mask = capacity_ - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      if (records_[i] == nullptr) return nullptr;
      if (hashes_[i] == hash && has_key(records_[i])) return records_[i];
    }
  }

  // Makes room for one more record. False when memory runs out; the index is
  // then unchanged and still answers every lookup.
  bool ReserveOneMore();
  // REQUIRES: ReserveOneMore() returned true since the last Insert, and
  // `record` is not null.
  void Insert(uint32_t hash, void* record);

  // Frees the table. The index is empty and can be filled again.
  void Clear();

  std::size_t size() const { return size_; }
  // Bytes of the table, for reports of memory use.
  std::size_t table_bytes() const { return capacity_ * kSlotBytes; }

 private:
  static constexpr std::size_t kSlotBytes = sizeof(void*) + sizeof(uint32_t);
  static constexpr std::size_t kInitialCapacity = 16;

  void Place(uint32_t hash, void* record);

  // One block: `capacity_` record pointers, then `capacity_` hashes. Null
  // record pointers mark empty slots.
  void** records_ = nullptr;
  uint32_t* hashes_ = nullptr;
  std::size_t capacity_ = 0;  // 0 or a power of two
  std::size_t size_ = 0;
};

}  // namespace vellomar

#endif  // VELLOMAR_STORAGE_RECORD_INDEX_H_
