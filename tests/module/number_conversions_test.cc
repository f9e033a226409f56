#include "callbacks/number_conversions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vellomar {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr int32_t kMin32 = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax32 = std::numeric_limits<int32_t>::max();

TEST(NumberConversionsTest, TokenKeepsLowWordOfTruncatedValue) {
  const struct {
    double value;
    uint32_t token;
  } cases[] = {
      {0.0, 0},
      {-0.0, 0},
      {1.0, 1},
      {1.9, 1},
      {-0.9, 0},
      {4294967295.0, 4294967295u},
      {-1.0, 4294967295u},
      {-1.5, 4294967295u},
      {4294967296.0, 0},            // 2^32: low word 0
      {4294967297.0, 1},            // 2^32 + 1
      {2147483648.0, 2147483648u},  // 2^31
      {-4294967295.0, 1},
      {9223372036854774784.0, 4294966272u},  // largest double below 2^63
      {-9223372036854775808.0, 0},           // -2^63 is in range
      {9223372036854775808.0, 0},            // 2^63 is not
      {1e300, 0},
      {-1e300, 0},
      {kInf, 0},
      {-kInf, 0},
      {kNaN, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TokenFromNumber(c.value), c.token) << "value " << c.value;
  }
}

TEST(NumberConversionsTest, IndexTruncatesTowardZeroAndSaturates) {
  const struct {
    double value;
    int32_t index;
  } cases[] = {
      {0.0, 0},
      {-0.0, 0},
      {2.9, 2},
      {3.7, 3},
      {-0.5, 0},
      {-2.9, -2},
      {2147483647.0, kMax32},
      {2147483647.9, kMax32},
      {2147483648.0, kMax32},
      {4294967296.0, kMax32},
      {-2147483648.0, kMin32},
      {-2147483648.9, kMin32},
      {-2147483649.0, kMin32},
      {1e300, kMax32},
      {-1e300, kMin32},
      {kInf, kMax32},
      {-kInf, kMin32},
      {kNaN, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IndexFromNumber(c.value), c.index) << "value " << c.value;
  }
}

}  // namespace
}  // namespace vellomar
