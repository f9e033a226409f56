#include "runner/parser.h"

#include <charconv>
#include <cstring>
#include <map>
#include <system_error>
#include <utility>
#include <vector>

#include "common/ascii_case.h"

namespace runner {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string Trim(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// One line with its XML entities decoded; columns[i] is the column, in the
// line as written, of decoded byte i (one past the end for the last entry).
struct DecodedLine {
  std::string text;
  std::vector<int> columns;
};

DecodedLine Decode(const std::string& line) {
  static const struct {
    const char* entity;
    char character;
  } kEntities[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}};
  DecodedLine decoded;
  size_t i = 0;
  while (i < line.size()) {
    decoded.columns.push_back(static_cast<int>(i) + 1);
    size_t length = 1;
    char character = line[i];
    for (const auto& entity : kEntities) {
      const size_t entity_length = std::strlen(entity.entity);
      if (line.compare(i, entity_length, entity.entity) == 0) {
        length = entity_length;
        character = entity.character;
        break;
      }
    }
    decoded.text.push_back(character);
    i += length;
  }
  decoded.columns.push_back(static_cast<int>(line.size()) + 1);
  return decoded;
}

struct Token {
  std::string text;
  int column;
};

const std::map<std::string, Op>& Operators() {
  static const std::map<std::string, Op> kOperators = {
      {"d", Op::kDup},
      {"p", Op::kPop},
      {"r", Op::kSwap},
      {"c", Op::kClear},
      {"+", Op::kAdd},
      {"-", Op::kSubtract},
      {"*", Op::kMultiply},
      {"/", Op::kDivide},
      {"%", Op::kRemainder},
      {"/-/", Op::kNegate},
      {"++", Op::kIncrement},
      {"--", Op::kDecrement},
      {"==", Op::kEqual},
      {"eq", Op::kEqual},
      {"!=", Op::kNotEqual},
      {"ne", Op::kNotEqual},
      {">", Op::kGreater},
      {"gt", Op::kGreater},
      {"<", Op::kLess},
      {"lt", Op::kLess},
      {">=", Op::kGreaterEqual},
      {"ge", Op::kGreaterEqual},
      {"<=", Op::kLessEqual},
      {"le", Op::kLessEqual},
      {"&&", Op::kAnd},
      {"and", Op::kAnd},
      {"||", Op::kOr},
      {"or", Op::kOr},
      {"!", Op::kNot},
      {"not", Op::kNot},
      {"abs", Op::kAbs},
      {"int", Op::kInt},
      {"flr", Op::kFloor},
      {"ceil", Op::kCeil},
      {"min", Op::kMin},
      {"max", Op::kMax},
      {"near", Op::kNear},
      {"scat", Op::kConcatenate},
      {"chr", Op::kChr},
      {"ord", Op::kOrd},
      {"lc", Op::kLowerCase},
      {"uc", Op::kUpperCase},
      {"cap", Op::kCapitalize},
      {"scmp", Op::kCompare},
      {"scmi", Op::kCompareCaseless},
      {"quit", Op::kQuit},
  };
  return kOperators;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A decimal number: optional sign, digits, optional fraction; no exponent.
bool LooksLikeNumber(const std::string& word) {
  size_t i = (word[0] == '+' || word[0] == '-') ? 1 : 0;
  size_t digits = 0;
  while (i < word.size() && IsDigit(word[i])) ++i, ++digits;
  if (i < word.size() && word[i] == '.') {
    ++i;
    while (i < word.size() && IsDigit(word[i])) ++i, ++digits;
  }
  return digits > 0 && i == word.size();
}

class LineCompiler {
 public:
  LineCompiler(const std::string& name, int line_number, const hostsim::UnitsTable& units,
               Script* script, std::string* error)
      : name_(name), line_number_(line_number), units_(units), script_(script), error_(error) {
    line_.number = line_number;
  }

  bool Compile(const DecodedLine& decoded);

 private:
  bool Fail(int column, const std::string& what) {
    *error_ =
        name_ + ":" + std::to_string(line_number_) + ":" + std::to_string(column) + ": " + what;
    return false;
  }
  bool Split(const DecodedLine& decoded, std::vector<Token>* tokens);
  bool CompileToken(const Token& token);
  bool CompileWord(const Token& token, Instruction* instruction);
  bool CompileVariable(const Token& token, Instruction* instruction);
  bool CompileRegister(const Token& token, Instruction* instruction, bool* is_register);

  struct OpenBlock {
    size_t jump;  // the jump instruction that skips this block
    bool is_else;
    int column;
  };

  const std::string& name_;
  const int line_number_;
  const hostsim::UnitsTable& units_;
  Script* script_;
  std::string* error_;
  Line line_;
  std::vector<OpenBlock> open_;
  // The if{ whose block the previous token closed, which an els{ may follow.
  bool if_just_closed_ = false;
  size_t closed_if_jump_ = 0;
};

bool LineCompiler::Split(const DecodedLine& decoded, std::vector<Token>* tokens) {
  const std::string& text = decoded.text;
  size_t i = 0;
  while (true) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i == text.size()) return true;
    const size_t start = i;
    const char opening = text[i];
    if (opening == '\'' || opening == '(') {
      const char closing = opening == '\'' ? '\'' : ')';
      const size_t close = text.find(closing, i + 1);
      if (close == std::string::npos) {
        return Fail(decoded.columns[start],
                    opening == '\'' ? "text without a closing '" : "variable without a closing )");
      }
      i = close + 1;
      if (i < text.size() && !IsBlank(text[i])) {
        return Fail(decoded.columns[i],
                    std::string("expected a space after the closing ") + closing);
      }
    } else {
      while (i < text.size() && !IsBlank(text[i])) ++i;
    }
    tokens->push_back({text.substr(start, i - start), decoded.columns[start]});
  }
}

bool LineCompiler::Compile(const DecodedLine& decoded) {
  std::vector<Token> tokens;
  if (!Split(decoded, &tokens)) return false;
  for (const Token& token : tokens) {
    if (!CompileToken(token)) return false;
  }
  if (!open_.empty()) {
    return Fail(open_.back().column,
                open_.back().is_else ? "els{ without a closing }" : "if{ without a closing }");
  }
  script_->lines.push_back(std::move(line_));
  return true;
}

bool LineCompiler::CompileToken(const Token& token) {
  const bool follows_if = if_just_closed_;
  if_just_closed_ = false;
  Instruction instruction;
  instruction.column = token.column;
  instruction.spelling = token.text;
  if (token.text == "if{") {
    instruction.op = Op::kJumpIfFalse;
    open_.push_back({line_.code.size(), false, token.column});
  } else if (token.text == "els{") {
    if (!follows_if) return Fail(token.column, "els{ must follow the } that closes an if{");
    instruction.op = Op::kJump;
    open_.push_back({line_.code.size(), true, token.column});
    line_.code.push_back(std::move(instruction));
    line_.code[closed_if_jump_].operand = static_cast<int>(line_.code.size());
    return true;
  } else if (token.text == "}") {
    if (open_.empty()) return Fail(token.column, "} without an if{ or els{ to close");
    const OpenBlock block = open_.back();
    open_.pop_back();
    line_.code[block.jump].operand = static_cast<int>(line_.code.size());
    if (!block.is_else) {
      if_just_closed_ = true;
      closed_if_jump_ = block.jump;
    }
    return true;
  } else if (!CompileWord(token, &instruction)) {
    return false;
  }
  line_.code.push_back(std::move(instruction));
  return true;
}

bool LineCompiler::CompileWord(const Token& token, Instruction* instruction) {
  const std::string& word = token.text;
  if (word[0] == '\'') {
    const std::string content = word.substr(1, word.size() - 2);
    auto literal = std::make_unique<char[]>(content.size() + 1);
    std::memcpy(literal.get(), content.c_str(), content.size() + 1);
    instruction->op = Op::kPushText;
    instruction->text = literal.get();
    script_->literals.push_back(std::move(literal));
    return true;
  }
  if (word[0] == '(') return CompileVariable(token, instruction);
  auto op = Operators().find(word);
  if (op != Operators().end()) {
    instruction->op = op->second;
    return true;
  }
  if (LooksLikeNumber(word)) {
    const char* begin = word.c_str() + (word[0] == '+' ? 1 : 0);
    const char* end = word.c_str() + word.size();
    const std::from_chars_result result = std::from_chars(begin, end, instruction->number);
    if (result.ec != std::errc() || result.ptr != end) {
      return Fail(token.column, "number '" + word + "' is out of range");
    }
    instruction->op = Op::kPushNumber;
    return true;
  }
  bool is_register = false;
  if (!CompileRegister(token, instruction, &is_register)) return false;
  if (is_register) return true;
  return Fail(token.column, "unknown word '" + word + "'");
}

// sN, spN and lN with N from 0 to 49.
bool LineCompiler::CompileRegister(const Token& token, Instruction* instruction,
                                   bool* is_register) {
  const std::string& word = token.text;
  size_t digits = 0;
  if (word.compare(0, 2, "sp") == 0) {
    instruction->op = Op::kStorePop;
    digits = 2;
  } else if (word[0] == 's') {
    instruction->op = Op::kStore;
    digits = 1;
  } else if (word[0] == 'l') {
    instruction->op = Op::kLoad;
    digits = 1;
  } else {
    return true;
  }
  if (digits == word.size()) return true;
  for (size_t i = digits; i < word.size(); ++i) {
    if (!IsDigit(word[i])) return true;
  }
  *is_register = true;
  const std::string number = word.substr(digits);
  if (number.size() > 2 || (number.size() == 2 && number[0] == '0') ||
      std::stoi(number) >= kRegisterCount) {
    return Fail(token.column, "register '" + word + "' does not exist (registers are 0 to 49)");
  }
  instruction->operand = std::stoi(number);
  return true;
}

bool LineCompiler::CompileVariable(const Token& token, Instruction* instruction) {
  std::string content = token.text.substr(1, token.text.size() - 2);
  const bool write = !content.empty() && content[0] == '>';
  if (write) content.erase(0, 1);
  const size_t colon = content.find(':');
  if (colon == std::string::npos) {
    return Fail(token.column, "expected (C:NAME:Keyword) or (L:name), found '" + token.text + "'");
  }
  const std::string type = content.substr(0, colon);
  const bool callback = type == "C" || type == "c";
  if (!callback && type != "L" && type != "l") {
    return Fail(token.column,
                "unsupported variable type '" + type + ":' (the runner knows C: and L:)");
  }
  std::string body = content.substr(colon + 1);
  Variable variable;
  const size_t comma = body.find(',');
  if (comma != std::string::npos) {
    variable.units = Trim(body.substr(comma + 1));
    body.erase(comma);
    if (variable.units.empty()) return Fail(token.column, "units missing after ','");
    int32_t code = 0;
    if (!units_.Find(variable.units, &code)) {
      return Fail(token.column,
                  "unknown units '" + variable.units + "' (known: " + units_.Names() + ")");
    }
  }
  const bool text_units = vellomar::FoldAscii(variable.units) == "string";
  if (callback) {
    const size_t second = body.find(':');
    if (second == std::string::npos) {
      return Fail(token.column, "expected (C:NAME:Keyword), found '" + token.text + "'");
    }
    variable.kind = Variable::Kind::kCallback;
    variable.callback = Trim(body.substr(0, second));
    variable.name = Trim(body.substr(second + 1));
    if (variable.callback.empty()) return Fail(token.column, "callback name missing in C:");
    variable.text_read = !write && text_units;
  } else {
    variable.kind = Variable::Kind::kLocal;
    variable.name = Trim(body);
    if (variable.name.empty()) return Fail(token.column, "variable name missing in L:");
    if (text_units) return Fail(token.column, "L: variables hold numbers, not 'string'");
  }
  instruction->op = write ? Op::kWriteVariable : Op::kReadVariable;
  instruction->operand = static_cast<int>(script_->variables.size());
  script_->variables.push_back(std::move(variable));
  return true;
}

}  // namespace

bool ParseScript(const std::string& name, const std::string& source,
                 const hostsim::UnitsTable& units, Script* script, std::string* error) {
  *script = Script{};
  script->name = name;
  int line_number = 0;
  size_t start = 0;
  while (start < source.size()) {
    size_t end = source.find('\n', start);
    if (end == std::string::npos) end = source.size();
    const std::string line = source.substr(start, end - start);
    start = end + 1;
    ++line_number;

    const size_t nul = line.find('\0');
    if (nul != std::string::npos) {
      *error = name + ":" + std::to_string(line_number) + ":" + std::to_string(nul + 1) +
               ": NUL character";
      return false;
    }
    const DecodedLine decoded = Decode(line);
    const std::string trimmed = Trim(decoded.text);
    if (trimmed.empty() || trimmed[0] == '#') continue;
    LineCompiler compiler(name, line_number, units, script, error);
    if (!compiler.Compile(decoded)) return false;
  }
  return true;
}

}  // namespace runner
