// The storage allocator as the storage tests see it: real memory, counted,
// with a switch that makes later allocations fail.
#ifndef VELLOMAR_TESTS_TEST_ALLOCATION_H_
#define VELLOMAR_TESTS_TEST_ALLOCATION_H_

#include <cstddef>

namespace vellomar::testing {

// Allocations still to succeed before every further one fails; negative means
// never fail.
void FailAllocationsAfter(int successes);
// Blocks allocated and not yet freed.
std::size_t LiveAllocations();

}  // namespace vellomar::testing

#endif  // VELLOMAR_TESTS_TEST_ALLOCATION_H_
