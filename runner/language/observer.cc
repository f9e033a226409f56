#include "runner/language/observer.h"

#include "runner/base/number_format.h"

namespace runner {

std::string ShowValue(const Value& value) {
  if (value.is_integer()) return std::to_string(static_cast<int32_t>(value.number()));
  if (!value.is_text()) return FormatNumber(value.number());
  std::string shown = "'";
  for (const char c : value.text()) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      static const char kHex[] = "0123456789abcdef";
      shown += "\\x";
      shown += kHex[byte >> 4];
      shown += kHex[byte & 15];
    } else {
      shown += c;
    }
  }
  return shown + "'";
}

}  // namespace runner
