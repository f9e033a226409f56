// A side index over records that a list owns: their pointers in list order, so
// that the record at a position is found without walking the list.
//
// The vector owns only its table of pointers, never the records. Its memory
// comes from storage/allocation.h, and growing never throws: room is made
// before a record is created, so that a failure to grow leaves nothing
// half-made, and the append that follows cannot fail.
//
// Not thread-safe: the host makes every call one at a time.
#ifndef VELLOMAR_STORAGE_RECORD_VECTOR_H_
#define VELLOMAR_STORAGE_RECORD_VECTOR_H_

#include <cstddef>

namespace vellomar {

class RecordVector {
 public:
  constexpr RecordVector() = default;

  // The record at `position` (0 for the list's first), or null past the end.
  void* At(std::size_t position) const { return position < size_ ? records_[position] : nullptr; }
  // The last record, or null when empty.
  void* Back() const { return size_ != 0 ? records_[size_ - 1] : nullptr; }

  // Makes room for one more record. False when memory runs out; the vector is
  // then unchanged.
  bool ReserveOneMore();
  // REQUIRES: ReserveOneMore() returned true since the last Append, and
  // `record` is not null.
  void Append(void* record) { records_[size_++] = record; }

  // Frees the table. The vector is empty and can be filled again.
  void Clear();

  std::size_t size() const { return size_; }

 private:
  static constexpr std::size_t kInitialCapacity = 16;

  void** records_ = nullptr;
  std::size_t capacity_ = 0;
  std::size_t size_ = 0;
};

}  // namespace vellomar

#endif  // VELLOMAR_STORAGE_RECORD_VECTOR_H_
