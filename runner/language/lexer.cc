#include "runner/language/lexer.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "runner/base/ansi.h"
#include "runner/base/place.h"
#include "runner/base/value.h"

namespace runner {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

// Counts lines and columns through the text as written, forward only.
int ParseIndex(std::string_view digits) {
  long long value = 0;
  for (char c : digits) {
    value = value * 10 + (c - '0');
    if (value > kMaxIndex) return kMaxIndex;
  }
  return static_cast<int>(value);
}

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

// A number literal: decimal, hexadecimal (0x), octal (a leading 0) or
// decimal with a point or an exponent. Integers are accumulated as a double
// and truncated to 32 bits, as the engine does; an exponent scales the
// mantissa by e^(exponent * ln 10), as the engine computes it.
bool ParseNumber(const std::string& spelling, Token* token, std::string* problem) {
  size_t i = 0;
  bool negative = false;
  if (spelling[0] == '+' || spelling[0] == '-') {
    negative = spelling[0] == '-';
    i = 1;
  }
  const std::string_view body = std::string_view(spelling).substr(i);
  const auto malformed = [&] {
    *problem = "malformed number '" + spelling + "'";
    return false;
  };
  double value = 0;
  if (body.size() > 1 && body[0] == '0' && (body[1] == 'x' || body[1] == 'X')) {
    if (body.size() == 2) return malformed();
    for (char c : body.substr(2)) {
      if (!IsHexDigit(c)) return malformed();
      value = value * 16 + HexValue(c);
    }
    token->integer = true;
  } else if (body.find_first_of(".eE") != std::string_view::npos) {
    size_t j = 0;
    size_t digits = 0;
    while (j < body.size() && IsDigit(body[j])) ++j, ++digits;
    if (j < body.size() && body[j] == '.') {
      ++j;
      while (j < body.size() && IsDigit(body[j])) ++j, ++digits;
    }
    if (digits == 0) return malformed();
    const std::string mantissa(body.substr(0, j));
    value = std::strtod(mantissa.c_str(), nullptr);
    if (j < body.size()) {
      if (body[j] != 'e' && body[j] != 'E') return malformed();
      ++j;
      bool negative_exponent = false;
      if (j < body.size() && (body[j] == '+' || body[j] == '-')) {
        negative_exponent = body[j] == '-';
        ++j;
      }
      if (!AllDigits(body.substr(j))) return malformed();
      double exponent = 0;
      for (char c : body.substr(j)) exponent = exponent * 10 + (c - '0');
      if (negative_exponent) exponent = -exponent;
      value *= std::exp(exponent * std::log(10.0));
    }
    token->integer = false;
  } else if (body.size() > 1 && body[0] == '0') {
    for (char c : body.substr(1)) {
      if (!IsDigit(c)) return malformed();
      if (c > '7') {
        *problem = "malformed number '" + spelling +
                   "': a leading 0 makes an octal number, whose digits are 0 to 7";
        return false;
      }
      value = value * 8 + (c - '0');
    }
    token->integer = true;
  } else {
    if (!AllDigits(body)) return malformed();
    for (char c : body) value = value * 10 + (c - '0');
    token->integer = true;
  }
  if (negative) value = -value;
  token->number = token->integer ? static_cast<double>(TruncateToInt(value)) : value;
  return true;
}

bool Classify(Token* token, std::string* problem) {
  const std::string& s = token->spelling;
  const char first = s[0];
  if (IsDigit(first) || ((first == '+' || first == '-') && s.size() > 1 && IsDigit(s[1]))) {
    token->kind = TokenKind::kNumber;
    return ParseNumber(s, token, problem);
  }
  if ((first == 's' || first == 'l') && s.size() > 1 &&
      (IsDigit(s[1]) || (first == 's' && s[1] == 'p' && s.size() > 2 && IsDigit(s[2])))) {
    const bool pop = s[1] == 'p';
    const std::string_view digits = std::string_view(s).substr(pop ? 2 : 1);
    if (!AllDigits(digits)) {
      *problem = "bad register '" + s + "': write s, sp or l and the register number, 0 to 49";
      return false;
    }
    token->kind = TokenKind::kRegister;
    token->opcode = first == 'l' ? Opcode::kLoad : pop ? Opcode::kStorePop : Opcode::kStore;
    token->index = ParseIndex(digits);
    return true;
  }
  if (first == ':' || first == 'g') {
    const std::string_view digits = std::string_view(s).substr(1);
    if (!AllDigits(digits)) {
      if (first == 'g') {
        const std::string hint = NotAWordHint(s);
        *problem = "unknown word '" + s + "'" + (hint.empty() ? "" : ": " + hint) +
                   " (a word starting with g is a goto, g and the label's number)";
      } else {
        *problem = "bad label '" + s + "': a label is : followed by its number";
      }
      return false;
    }
    token->kind = first == ':' ? TokenKind::kLabel : TokenKind::kGoto;
    token->index = ParseIndex(digits);
    return true;
  }
  const Word* word = FindWord(s);
  if (word == nullptr && first == '@' && s.size() > 1) {
    // A macro the file does not define stays as written.
    size_t end = 1;
    while (end < s.size() && (IsDigit(s[end]) || s[end] == '_' ||
                              ((s[end] | 0x20) >= 'a' && (s[end] | 0x20) <= 'z'))) {
      ++end;
    }
    *problem = "no macro named '" + s.substr(1, end - 1) + "' ('" + s + "' is not a word)";
    return false;
  }
  if (word == nullptr) {
    const std::string hint = NotAWordHint(s);
    *problem = "unknown word '" + s + "'";
    if (!hint.empty()) {
      *problem += ": " + hint;
    } else if (s.size() > kLongestWord) {
      *problem += " (no word is longer than 4 characters)";
    }
    return false;
  }
  token->kind = TokenKind::kWord;
  token->opcode = word->opcode;
  return true;
}

}  // namespace

// The length of the entity or numeric reference at text[0] ('&') and the
// character it stands for; 0 when there is none.
size_t ReadReference(std::string_view text, uint32_t* character) {
  static const struct {
    std::string_view entity;
    char character;
  } kEntities[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&apos;", '\''}, {"&quot;", '"'}};
  for (const auto& entity : kEntities) {
    if (text.substr(0, entity.entity.size()) == entity.entity) {
      *character = static_cast<unsigned char>(entity.character);
      return entity.entity.size();
    }
  }
  if (text.size() < 4 || text[1] != '#') return 0;
  const bool hex = text[2] == 'x' || text[2] == 'X';
  size_t i = hex ? 3 : 2;
  uint32_t value = 0;
  const size_t first = i;
  for (; i < text.size() && i < first + 8; ++i) {
    const char c = text[i];
    if (hex ? !IsHexDigit(c) : !IsDigit(c)) break;
    value = value * (hex ? 16 : 10) + static_cast<uint32_t>(hex ? HexValue(c) : c - '0');
  }
  if (i == first || i >= text.size() || text[i] != ';' || value == 0 || value > 0x10FFFF) {
    return 0;
  }
  *character = value;
  return i + 1;
}

std::string DecodeEntities(std::string_view text, SourceMap* map, size_t* unmapped) {
  std::string decoded;
  decoded.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    if (map != nullptr) map->Add(i, 0);
    uint32_t character = 0;
    const size_t length = text[i] == '&' ? ReadReference(text.substr(i), &character) : 0;
    if (length == 0) {
      decoded.push_back(text[i++]);
      continue;
    }
    unsigned char byte = 0;
    if (!AnsiByte(character, &byte)) {
      byte = static_cast<unsigned char>(kNoAnsiByte);
      if (unmapped != nullptr) ++*unmapped;
    }
    decoded.push_back(static_cast<char>(byte));
    i += length;
  }
  return decoded;
}

bool Lex(std::string_view text, const Place& origin, const LexOptions& options,
         std::vector<Token>* tokens, Diagnostic* error) {
  std::vector<Diagnostic> errors;
  if (Lex(text, origin, options, tokens, &errors)) return true;
  *error = std::move(errors.front());
  return false;
}

// One pass over the text, each case in its place; due to be split into steps.
// NOLINTNEXTLINE(readability-function-cognitive-complexity)
bool Lex(std::string_view text, const Place& origin, const LexOptions& options,
         std::vector<Token>* tokens, std::vector<Diagnostic>* errors) {
  const size_t errors_before = errors->size();
  size_t skip = 0;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") skip = 3;
  std::string decoded_text;
  SourceMap raw;  // decode_entities: the byte of `text` each decoded byte came from
  if (options.decode_entities) {
    size_t unmapped = 0;
    decoded_text = DecodeEntities(text.substr(skip), &raw, &unmapped);
    if (unmapped > 0 && options.warnings != nullptr) {
      options.warnings->push_back(MakeDiagnostic(
          Severity::kWarning, origin,
          "a numeric character reference stands for a character the ANSI code page does not "
          "have: it reads as '?'"));
    }
  }
  const std::string_view s =
      options.decode_entities ? std::string_view(decoded_text) : text.substr(skip);
  const auto raw_offset = [&](size_t i) {
    return options.decode_entities ? (i < raw.size() ? raw.Offset(i) : text.size() - skip) : i;
  };
  const LineTable lines(text.substr(skip), origin.line, origin.column);
  // The place and macro use of s[at].
  const auto locate = [&](size_t at, int* from) {
    if (options.source != nullptr) return options.source->At(options.source_offset + at, from);
    *from = 0;
    return lines.At(std::string(), static_cast<std::ptrdiff_t>(raw_offset(at)));
  };
  const auto place = [&](size_t at) {
    int from = 0;
    return locate(at, &from);
  };
  // Whether the text may be read on after this fault: a token that is no
  // word, number or register is left out and marked; a text, variable or
  // comment without its end takes the rest of the text with it.
  const auto go_on = [&](int line, int column, int from, std::string message) {
    if (options.source != nullptr) message += options.source->Note(from);
    errors->push_back(
        MakeDiagnostic(Severity::kError, Place{origin.file, line, column}, std::move(message)));
    if (errors->size() - errors_before < kMaxLoadErrors) return true;
    errors->back().message += " (and no more errors are looked for)";
    return false;
  };
  const auto fail_at = [&](int line, int column, int from, std::string message) {
    go_on(line, column, from, std::move(message));
    return false;
  };
  const auto fail = [&](size_t at, std::string message) {
    int from = 0;
    const Place where = locate(at, &from);
    return fail_at(where.line, where.column, from, std::move(message));
  };

  bool line_start = true;
  bool long_comment = false;
  size_t i = 0;
  while (true) {
    while (i < s.size() && IsBlank(s[i])) {
      if (s[i] == '\n' || s[i] == '\r') line_start = true;
      ++i;
    }
    if (i >= s.size()) return errors->size() == errors_before;
    const size_t start = i;
    if (options.hash_comments && line_start && s[i] == '#') {
      while (i < s.size() && s[i] != '\n' && s[i] != '\r') ++i;
      continue;
    }
    line_start = false;
    if (s[i] == '(' && i + 1 < s.size() && s[i + 1] == '*') {
      const size_t close = s.find("*)", i + 2);
      if (close == std::string_view::npos) return fail(start, "comment without a closing *)");
      const std::string_view comment = s.substr(i, close - i);
      long_comment = long_comment || comment.find_first_of("\r\n") != std::string_view::npos;
      i = close + 2;
      continue;
    }
    Token token;
    if (s[i] == '\'') {
      std::string content;
      ++i;
      while (true) {
        if (i >= s.size()) return fail(start, "text without a closing '");
        if (s[i] == '\'') {
          if (i + 1 < s.size() && s[i + 1] == '\'') {
            content.push_back('\'');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        content.push_back(s[i++]);
      }
      token.kind = TokenKind::kText;
      token.text = std::move(content);
    } else if (s[i] == '(') {
      int depth = 0;
      do {
        if (s[i] == '(') ++depth;
        if (s[i] == ')') --depth;
        ++i;
      } while (depth > 0 && i < s.size());
      if (depth > 0) return fail(start, "variable without a closing )");
      token.kind = TokenKind::kVariable;
      std::string_view inside = s.substr(start + 1, i - start - 2);
      // (> L:x), a blank after the '>', is no write: the name is "> L:x".
      if (!inside.empty() && inside[0] == '>' && (inside.size() == 1 || !IsBlank(inside[1]))) {
        token.write = true;
        inside.remove_prefix(1);
      }
      token.text = std::string(inside);
    } else {
      while (i < s.size() && !IsBlank(s[i])) ++i;
    }
    if (i < s.size() && !IsBlank(s[i]) && token.kind != TokenKind::kWord) {
      int from = 0;
      const Place where = locate(i, &from);
      if (!go_on(where.line, where.column, from,
                 std::string("expected a blank after the closing ") +
                     (token.kind == TokenKind::kText ? "'" : ")"))) {
        return false;
      }
      token.bad = true;
      while (i < s.size() && !IsBlank(s[i])) ++i;
    }
    token.spelling = std::string(s.substr(start, i - start));
    token.after_long_comment = long_comment;
    long_comment = false;
    const Place token_start = locate(start, &token.origin);
    token.line = token_start.line;
    token.column = token_start.column;
    token.end_line = place(i - 1).line;
    if (token.kind == TokenKind::kWord && !token.bad) {
      std::string problem;
      if (!Classify(&token, &problem)) {
        if (!go_on(token.line, token.column, token.origin, std::move(problem))) return false;
        token.bad = true;
      }
    }
    tokens->push_back(std::move(token));
  }
}

}  // namespace runner
