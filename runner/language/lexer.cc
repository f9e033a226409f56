#include "runner/language/lexer.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

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

// The text with its XML entities decoded, and for each byte of it the offset
// of the byte it came from.
void DecodeEntities(std::string_view text, std::string* decoded, std::vector<size_t>* raw) {
  static const struct {
    const char* entity;
    char character;
  } kEntities[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&apos;", '\''}, {"&quot;", '"'}};
  size_t i = 0;
  while (i < text.size()) {
    raw->push_back(i);
    size_t length = 1;
    char character = text[i];
    if (character == '&') {
      for (const auto& entity : kEntities) {
        const size_t entity_length = std::strlen(entity.entity);
        if (text.substr(i, entity_length) == entity.entity) {
          length = entity_length;
          character = entity.character;
          break;
        }
      }
    }
    decoded->push_back(character);
    i += length;
  }
  raw->push_back(text.size());
}

}  // namespace

std::string DecodeEntities(std::string_view text) {
  std::string decoded;
  std::vector<size_t> raw;
  DecodeEntities(text, &decoded, &raw);
  return decoded;
}

bool Lex(std::string_view text, const Place& origin, const LexOptions& options,
         std::vector<Token>* tokens, Diagnostic* error) {
  std::vector<Diagnostic> errors;
  if (Lex(text, origin, options, tokens, &errors)) return true;
  *error = std::move(errors.front());
  return false;
}

bool Lex(std::string_view text, const Place& origin, const LexOptions& options,
         std::vector<Token>* tokens, std::vector<Diagnostic>* errors) {
  const size_t errors_before = errors->size();
  size_t skip = 0;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") skip = 3;
  std::string decoded_text;
  std::vector<size_t> raw;
  if (options.decode_entities) {
    DecodeEntities(text.substr(skip), &decoded_text, &raw);
    for (size_t& offset : raw) offset += skip;
  }
  const std::string_view s =
      options.decode_entities ? std::string_view(decoded_text) : text.substr(skip);
  const auto raw_offset = [&](size_t i) { return options.decode_entities ? raw[i] : i + skip; };
  const LineTable lines(text.substr(skip), origin.line, origin.column);
  const auto place = [&](size_t at) {
    return lines.At(std::string(), static_cast<std::ptrdiff_t>(raw_offset(at) - skip));
  };
  // Whether the text may be read on after this fault: a token that is no
  // word, number or register is left out and marked; a text, variable or
  // comment without its end takes the rest of the text with it.
  const auto go_on = [&](int line, int column, std::string message) {
    errors->push_back(
        MakeDiagnostic(Severity::kError, Place{origin.file, line, column}, std::move(message)));
    if (errors->size() - errors_before < kMaxLoadErrors) return true;
    errors->back().message += " (and no more errors are looked for)";
    return false;
  };
  const auto fail_at = [&](int line, int column, std::string message) {
    go_on(line, column, std::move(message));
    return false;
  };
  const auto fail = [&](size_t at, std::string message) {
    const Place where = place(at);
    return fail_at(where.line, where.column, std::move(message));
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
      if (!inside.empty() && inside[0] == '>') {
        token.write = true;
        inside.remove_prefix(1);
      }
      token.text = std::string(inside);
    } else {
      while (i < s.size() && !IsBlank(s[i])) ++i;
    }
    if (i < s.size() && !IsBlank(s[i]) && token.kind != TokenKind::kWord) {
      const Place where = place(i);
      if (!go_on(where.line, where.column,
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
    const Place token_start = place(start);
    token.line = token_start.line;
    token.column = token_start.column;
    token.end_line = place(i - 1).line;
    if (token.kind == TokenKind::kWord && !token.bad) {
      std::string problem;
      if (!Classify(&token, &problem)) {
        if (!go_on(token.line, token.column, std::move(problem))) return false;
        token.bad = true;
      }
    }
    tokens->push_back(std::move(token));
  }
}

}  // namespace runner
