// Choices from a seeded pseudo-random generator, for model-checked runs that
// must repeat exactly from their seed.
#ifndef VELLOMAR_TESTS_MODEL_RANDOM_CHOICES_H_
#define VELLOMAR_TESTS_MODEL_RANDOM_CHOICES_H_

#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "tests/module/model/operation_generator.h"

namespace vellomar::model {

class RandomChoices : public Choices {
 public:
  explicit RandomChoices(uint64_t seed) : engine_(seed) {}

  bool exhausted() const override { return false; }
  uint32_t Below(uint32_t count) override { return static_cast<uint32_t>(engine_() % count); }
  double AnyDouble() override {
    const uint64_t bits = engine_();
    double value = 0;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
  }
  std::string AnyBytes(size_t max_length) override {
    std::string bytes(Below(static_cast<uint32_t>(max_length) + 1), '\0');
    for (char& byte : bytes) byte = static_cast<char>(1 + Below(255));
    return bytes;
  }

 private:
  std::mt19937_64 engine_;
};

}  // namespace vellomar::model

#endif  // VELLOMAR_TESTS_MODEL_RANDOM_CHOICES_H_
