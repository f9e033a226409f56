#include "runner/language/words.h"

#include <iterator>
#include <string>

#include "common/ascii_case.h"

namespace runner {

namespace {

using G = WordGroup;
using O = Opcode;

constexpr Word kWords[] = {
    {"if{", O::kIf, 1, G::kControl},
    {"els{", O::kElse, 0, G::kControl},
    {"}", O::kEnd, 0, G::kControl},
    {"quit", O::kQuit, 0, G::kControl},
    {"c", O::kClear, -1, G::kStack},
    {"d", O::kDup, 1, G::kStack},
    {"p", O::kPop, 1, G::kStack},
    {"r", O::kSwap, 2, G::kStack},
    {"b", O::kBackup, 0, G::kStack},
    {"+", O::kAdd, 2, G::kArithmetic},
    {"-", O::kSubtract, 2, G::kArithmetic},
    {"*", O::kMultiply, 2, G::kArithmetic},
    {"/", O::kDivide, 2, G::kArithmetic},
    {"div", O::kDiv, 2, G::kArithmetic},
    {"%", O::kModulo, 2, G::kArithmetic},
    {"++", O::kIncrement, 1, G::kArithmetic},
    {"--", O::kDecrement, 1, G::kArithmetic},
    {"neg", O::kNegate, 1, G::kArithmetic},
    {"/-/", O::kNegate, 1, G::kArithmetic},
    {"abs", O::kAbs, 1, G::kArithmetic},
    {"==", O::kEqual, 2, G::kComparison},
    {"!=", O::kNotEqual, 2, G::kComparison},
    {"<", O::kLess, 2, G::kComparison},
    {">", O::kGreater, 2, G::kComparison},
    {"<=", O::kLessEqual, 2, G::kComparison},
    {">=", O::kGreaterEqual, 2, G::kComparison},
    {"!", O::kNot, 1, G::kLogic},
    {"not", O::kNot, 1, G::kLogic},
    {"&&", O::kAnd, 2, G::kLogic},
    {"and", O::kAnd, 2, G::kLogic},
    {"||", O::kOr, 2, G::kLogic},
    {"or", O::kOr, 2, G::kLogic},
    {"&", O::kBitAnd, 2, G::kBitwise},
    {"|", O::kBitOr, 2, G::kBitwise},
    {"^", O::kBitXor, 2, G::kBitwise},
    {"~", O::kBitNot, 1, G::kBitwise},
    {"<<", O::kShiftLeft, 2, G::kBitwise},
    {">>", O::kShiftRight, 2, G::kBitwise},
    {"sqr", O::kSquare, 1, G::kMathematics},
    {"sqrt", O::kSqrt, 1, G::kMathematics},
    {"pow", O::kPow, 2, G::kMathematics},
    {"exp", O::kExp, 1, G::kMathematics},
    {"ln", O::kLn, 1, G::kMathematics},
    {"lg", O::kLg, 1, G::kMathematics},
    {"log", O::kLog, 2, G::kMathematics},
    {"pi", O::kPi, 0, G::kMathematics},
    {"min", O::kMin, 2, G::kMathematics},
    {"max", O::kMax, 2, G::kMathematics},
    {"eps", O::kEps, 3, G::kMathematics},
    {"int", O::kInt, 1, G::kRounding},
    {"flr", O::kFloor, 1, G::kRounding},
    {"ceil", O::kCeil, 1, G::kRounding},
    {"near", O::kNear, 1, G::kRounding},
    {"sin", O::kSin, 1, G::kTrigonometry},
    {"cos", O::kCos, 1, G::kTrigonometry},
    {"tg", O::kTan, 1, G::kTrigonometry},
    {"ctg", O::kCotan, 1, G::kTrigonometry},
    {"asin", O::kAsin, 1, G::kTrigonometry},
    {"acos", O::kAcos, 1, G::kTrigonometry},
    {"atg", O::kAtan, 1, G::kTrigonometry},
    {"atg2", O::kAtan2, 2, G::kTrigonometry},
    {"dgrd", O::kDegreesToRadians, 1, G::kTrigonometry},
    {"rddg", O::kRadiansToDegrees, 1, G::kTrigonometry},
    {"rnor", O::kNormalizeRadians, 1, G::kTrigonometry},
    {"dnor", O::kNormalizeDegrees, 1, G::kTrigonometry},
    {"d360", O::kHeading, 1, G::kTrigonometry},
    {"?", O::kSelect, 3, G::kSelection},
    {"rng", O::kRange, 3, G::kSelection},
    {"case", O::kCase, -1, G::kSelection},
    {"st", O::kStoreIndexed, 1, G::kRegister},
    {"spt", O::kStorePopIndexed, 2, G::kRegister},
    {"lt", O::kLoadIndexed, 1, G::kRegister},
    {"scat", O::kConcatenate, 2, G::kText},
    {"scmp", O::kCompare, 2, G::kText},
    {"scmi", O::kCompareCaseless, 2, G::kText},
    {"sstr", O::kFind, 2, G::kText},
    {"schr", O::kFindCharacter, 2, G::kText},
    {"ssub", O::kSubstring, 3, G::kText},
    {"symb", O::kSymbol, 2, G::kText},
    {"slen", O::kLength, 1, G::kText},
    {"ord", O::kOrd, 1, G::kText},
    {"chr", O::kChr, 1, G::kText},
    {"uc", O::kUpperCase, 1, G::kText},
    {"lc", O::kLowerCase, 1, G::kText},
    {"cap", O::kCapitalize, 1, G::kText},
};

constexpr struct {
  std::string_view spelling;
  const char* hint;
} kHints[] = {
    {"gt", "not a comparison in gauge scripts; write >"},
    {"ge", "not a comparison in gauge scripts; write >="},
    {"le", "not a comparison in gauge scripts; write <="},
    {"eq", "not a comparison in gauge scripts; write =="},
    {"ne", "not a comparison in gauge scripts; write !="},
    {"xor", "write ^"},
    {"frac", "write d int -"},
    {"els", "write els{"},
    {"if", "write if{"},
    {"else", "write els{"},
    {"{", "a block opens with if{ or els{"},
};

}  // namespace

WordTable Words() { return {std::begin(kWords), std::end(kWords)}; }

const Word* FindWord(std::string_view spelling) {
  if (spelling.size() > kLongestWord) return nullptr;
  for (const Word& word : kWords) {
    if (word.spelling == spelling) return &word;
  }
  return nullptr;
}

std::string NotAWordHint(std::string_view spelling) {
  for (const auto& hint : kHints) {
    if (hint.spelling == spelling) return hint.hint;
  }
  if (spelling.size() > 1 && spelling[0] == '.' && spelling[1] >= '0' && spelling[1] <= '9') {
    return "a number starts with a digit: write 0.5, not .5";
  }
  // AND, IF{, Els{: a word in other letter case.
  for (const Word& word : kWords) {
    if (word.spelling.size() == spelling.size() &&
        vellomar::FoldAscii(std::string(word.spelling)) ==
            vellomar::FoldAscii(std::string(spelling))) {
      return "words are case-sensitive; write " + std::string(word.spelling);
    }
  }
  // '}els{', 'if{1', '+(>L:x)': the engine splits words at blanks only.
  if (spelling.size() > 1 && spelling.find_first_of("{}()") != std::string_view::npos) {
    return "words, blocks and variables need blanks between them, as in } els{ (L:x) }";
  }
  return {};
}

}  // namespace runner
