#include "callbacks/number_conversions.h"

#include <cmath>
#include <limits>

namespace vellomar {

namespace {

constexpr double kTwoTo63 = 9223372036854775808.0;
constexpr double kTwoTo31 = 2147483648.0;

}  // namespace

uint32_t TokenFromNumber(double value) {
  // The comparisons are false for NaN.
  if (!(value >= -kTwoTo63 && value < kTwoTo63)) return 0;
  const auto truncated = static_cast<int64_t>(value);
  return static_cast<uint32_t>(static_cast<uint64_t>(truncated));
}

int32_t IndexFromNumber(double value) {
  if (std::isnan(value)) return 0;
  if (value <= -kTwoTo31) return std::numeric_limits<int32_t>::min();
  if (value >= kTwoTo31) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}

}  // namespace vellomar
