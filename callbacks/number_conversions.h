// How gauge numbers (64-bit floats) become cursor values and back.
//
// Every conversion is defined for every double, NaN and infinities included:
// none relies on an out-of-range float-to-integer cast.
#ifndef VELLOMAR_CALLBACKS_NUMBER_CONVERSIONS_H_
#define VELLOMAR_CALLBACKS_NUMBER_CONVERSIONS_H_

#include <cstdint>

namespace vellomar {

// Token written to SetActiveArray: truncated toward zero to a signed 64-bit
// integer, of which the low 32 bits are kept, so -1.0 gives 4294967295. NaN and
// values outside the signed 64-bit range give 0.
inline uint32_t TokenFromNumber(double value) {
  constexpr double kTwoTo63 = 9223372036854775808.0;
  // The comparisons are false for NaN.
  if (!(value >= -kTwoTo63 && value < kTwoTo63)) return 0;
  const auto truncated = static_cast<int64_t>(value);
  return static_cast<uint32_t>(static_cast<uint64_t>(truncated));
}

// Index or size: truncated toward zero (2.9 gives 2, -0.5 gives 0). NaN gives
// 0; values beyond the signed 32-bit range saturate to its ends.
int32_t IndexFromNumber(double value);

}  // namespace vellomar

#endif  // VELLOMAR_CALLBACKS_NUMBER_CONVERSIONS_H_
