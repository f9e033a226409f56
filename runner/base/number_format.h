// How the runner prints numbers: the shortest text that reads back as exactly
// the same double ("3", "1.5", "4294967295", "-0.5", "1e+21"); "nan", "inf"
// and "-inf" for the values that have no digits.
#ifndef VELLOMAR_RUNNER_BASE_NUMBER_FORMAT_H_
#define VELLOMAR_RUNNER_BASE_NUMBER_FORMAT_H_

#include <string>

namespace runner {

std::string FormatNumber(double value);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_BASE_NUMBER_FORMAT_H_
