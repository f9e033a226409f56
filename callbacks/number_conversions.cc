#include "callbacks/number_conversions.h"

#include <cmath>
#include <limits>

namespace vellomar {

namespace {

constexpr double kTwoTo31 = 2147483648.0;

}  // namespace

int32_t IndexFromNumber(double value) {
  if (std::isnan(value)) return 0;
  if (value <= -kTwoTo31) return std::numeric_limits<int32_t>::min();
  if (value >= kTwoTo31) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}

}  // namespace vellomar
