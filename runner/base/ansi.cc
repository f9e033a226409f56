#include "runner/base/ansi.h"

#include <cstdio>

namespace runner {

namespace {

// Windows-1252 0x80..0x9F (0 where a byte has no character); every other
// byte is the Unicode character of the same number.
constexpr uint16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

uint32_t AnsiCharacter(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHigh[byte - 0x80];
  return byte;
}

bool AnsiByte(uint32_t character, unsigned char* byte) {
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF) ||
      (character < 0xA0 && kHigh[character - 0x80] == 0)) {
    *byte = static_cast<unsigned char>(character);
    return true;
  }
  for (unsigned i = 0; i < 32; ++i) {
    if (kHigh[i] != 0 && kHigh[i] == character) {
      *byte = static_cast<unsigned char>(0x80 + i);
      return true;
    }
  }
  return false;
}

size_t DecodeUtf8(std::string_view text, uint32_t* character) {
  if (text.empty()) return 0;
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char first = byte(0);
  if (first < 0x80) {
    *character = first;
    return 1;
  }
  size_t length = 0;
  uint32_t code = 0;
  uint32_t minimum = 0;
  if (first >= 0xC2 && first <= 0xDF) {
    length = 2, code = first & 0x1Fu, minimum = 0x80;
  } else if (first >= 0xE0 && first <= 0xEF) {
    length = 3, code = first & 0x0Fu, minimum = 0x800;
  } else if (first >= 0xF0 && first <= 0xF4) {
    length = 4, code = first & 0x07u, minimum = 0x10000;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = code << 6 | (byte(i) & 0x3Fu);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  *character = code;
  return length;
}

void AppendUtf8(uint32_t character, std::string* out) {
  if (character < 0x80) {
    out->push_back(static_cast<char>(character));
  } else if (character < 0x800) {
    out->push_back(static_cast<char>(0xC0 | character >> 6));
    out->push_back(static_cast<char>(0x80 | (character & 0x3F)));
  } else if (character < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | character >> 12));
    out->push_back(static_cast<char>(0x80 | (character >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (character & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | character >> 18));
    out->push_back(static_cast<char>(0x80 | (character >> 12 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (character >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (character & 0x3F)));
  }
}

bool IsValidUtf8(std::string_view text) {
  while (!text.empty()) {
    uint32_t character = 0;
    const size_t length = DecodeUtf8(text, &character);
    if (length == 0) return false;
    text.remove_prefix(length);
  }
  return true;
}

std::string Utf8ToAnsi(std::string_view text, size_t* unmapped, uint32_t* first_unmapped) {
  std::string bytes;
  bytes.reserve(text.size());
  while (!text.empty()) {
    uint32_t character = 0;
    const size_t length = DecodeUtf8(text, &character);
    if (length == 0) {
      bytes.push_back(text.front());
      text.remove_prefix(1);
      continue;
    }
    text.remove_prefix(length);
    unsigned char byte = 0;
    if (AnsiByte(character, &byte)) {
      bytes.push_back(static_cast<char>(byte));
      continue;
    }
    bytes.push_back(kNoAnsiByte);
    if (unmapped != nullptr && (*unmapped)++ == 0 && first_unmapped != nullptr) {
      *first_unmapped = character;
    }
  }
  return bytes;
}

void AppendAnsiAsUtf8(unsigned char byte, std::string* out) {
  const uint32_t character = AnsiCharacter(byte);
  if (character == 0 && byte != 0) {
    static const char kHex[] = "0123456789abcdef";
    *out += "\\x";
    out->push_back(kHex[byte >> 4]);
    out->push_back(kHex[byte & 15]);
    return;
  }
  AppendUtf8(character, out);
}

std::string AnsiToUtf8(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      text.push_back(c);
    } else {
      AppendAnsiAsUtf8(byte, &text);
    }
  }
  return text;
}

std::string AnsiToUtf8Exact(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size() + bytes.size() / 8);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    const uint32_t character = AnsiCharacter(byte);
    AppendUtf8(character == 0 ? byte : character, &text);
  }
  return text;
}

std::string MixedToUtf8(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  while (!text.empty()) {
    uint32_t character = 0;
    const size_t length = DecodeUtf8(text, &character);
    if (length > 0) {
      shown.append(text.substr(0, length));
      text.remove_prefix(length);
    } else {
      AppendAnsiAsUtf8(static_cast<unsigned char>(text.front()), &shown);
      text.remove_prefix(1);
    }
  }
  return shown;
}

std::string CharacterName(uint32_t character) {
  char name[16];
  std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(character));
  return name;
}

}  // namespace runner
