// The words of the gauge script language: one table, which the lexer reads
// to turn a spelling into its opcode. Each entry gives a word's spelling, its
// opcode, how many operands it pops and the group it belongs to. The operand
// counts and groups describe the language; the interpreter does not read
// them (its dispatch pops by the shape of each word), and the language tests
// hold every word to its count. Tokens that are not looked up by spelling
// (literals, registers sN lN spN, labels :N, gotos gN and variables) have
// opcodes of their own and no entry.
#ifndef VELLOMAR_RUNNER_LANGUAGE_WORDS_H_
#define VELLOMAR_RUNNER_LANGUAGE_WORDS_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace runner {

enum class Opcode : uint8_t {
  // Tokens without a spelling of their own.
  kPushNumber,  // a number literal
  kPushText,    // a text literal, or an R: resource id
  kRead,        // (X:NAME, unit)
  kWrite,       // (>X:NAME, unit)
  kStore,       // sN
  kStorePop,    // spN
  kLoad,        // lN
  kLabel,       // :N
  kGoto,        // gN
  // Control.
  kIf,
  kElse,
  kEnd,
  kQuit,
  // Stack.
  kClear,
  kDup,
  kPop,
  kSwap,
  kBackup,
  // Arithmetic.
  kAdd,
  kSubtract,
  kMultiply,
  kDivide,
  kDiv,
  kModulo,
  kIncrement,
  kDecrement,
  kNegate,
  kAbs,
  // Comparison.
  kEqual,
  kNotEqual,
  kLess,
  kGreater,
  kLessEqual,
  kGreaterEqual,
  // Logic.
  kNot,
  kAnd,
  kOr,
  // Bitwise.
  kBitAnd,
  kBitOr,
  kBitXor,
  kBitNot,
  kShiftLeft,
  kShiftRight,
  // Mathematics.
  kSquare,
  kSqrt,
  kPow,
  kExp,
  kLn,
  kLg,
  kLog,
  kPi,
  kMin,
  kMax,
  kEps,
  // Rounding.
  kInt,
  kFloor,
  kCeil,
  kNear,
  // Trigonometry and angles.
  kSin,
  kCos,
  kTan,
  kCotan,
  kAsin,
  kAcos,
  kAtan,
  kAtan2,
  kDegreesToRadians,
  kRadiansToDegrees,
  kNormalizeRadians,
  kNormalizeDegrees,
  kHeading,
  // Selection.
  kSelect,
  kRange,
  kCase,
  // Registers with a computed index.
  kStoreIndexed,
  kStorePopIndexed,
  kLoadIndexed,
  // Texts.
  kConcatenate,
  kCompare,
  kCompareCaseless,
  kFind,
  kFindCharacter,
  kSubstring,
  kSymbol,
  kLength,
  kOrd,
  kChr,
  kUpperCase,
  kLowerCase,
  kCapitalize,
};

enum class WordGroup : uint8_t {
  kControl,
  kStack,
  kArithmetic,
  kComparison,
  kLogic,
  kBitwise,
  kMathematics,
  kRounding,
  kTrigonometry,
  kSelection,
  kRegister,
  kText,
};

struct Word {
  std::string_view spelling;  // case-sensitive, at most 4 characters
  Opcode opcode;
  int8_t pops;  // operands taken from the stack; -1 for c (all) and case (variable)
  WordGroup group;
};

// Every operator word, in the order the README lists them.
struct WordTable {
  const Word* begin;
  const Word* end;
};
WordTable Words();

// The word spelt exactly `spelling`, or null.
const Word* FindWord(std::string_view spelling);

// For a spelling that is not a word, a hint naming what to write instead
// ("gt" -> "not a comparison in gauge scripts; write >"), or the empty text.
std::string NotAWordHint(std::string_view spelling);

// The longest spelling a word has: a longer token is never a word.
inline constexpr size_t kLongestWord = 4;

}  // namespace runner

#endif  // VELLOMAR_RUNNER_LANGUAGE_WORDS_H_
