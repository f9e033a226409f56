// Letter case as the module and its hosts compare names: only the ASCII
// letters A-Z and a-z have a case; every other byte is itself, with no locale.
//
// Header-only and free of any other part of the project, so that the module,
// the substitute host, the runner, the tests and the benchmark all fold names
// with this one function.
#ifndef VELLOMAR_COMMON_ASCII_CASE_H_
#define VELLOMAR_COMMON_ASCII_CASE_H_

#include <string>
#include <string_view>

namespace vellomar {

// `c` with an upper-case ASCII letter made lower case.
constexpr char FoldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// `c` with a lower-case ASCII letter made upper case, for the few names
// written in capitals (a variable's kind letter).
constexpr char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Whether `a` and `b` are the same name once folded.
constexpr bool EqualFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

// `text` with every upper-case ASCII letter made lower case. May throw
// std::bad_alloc: for host-side code only, never for the module's own.
inline std::string FoldAscii(std::string text) {
  for (char& c : text) c = FoldAscii(c);
  return text;
}

}  // namespace vellomar

#endif  // VELLOMAR_COMMON_ASCII_CASE_H_
