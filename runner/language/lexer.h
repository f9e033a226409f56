// The first room of the script pipeline: script text to tokens, each with its
// place. Tokens are separated by blanks (space, tab, CR, LF); a text '...'
// ('' for a quote inside) and a variable (...) with nested parentheses are one
// token whatever they hold, and may span lines; (* ... *) is a comment
// wherever a token may start. A token is classified in this order: a digit,
// or + or - before a digit, starts a number; ' a text; s, l or sp before a
// digit a register; : a label; g a goto; ( a variable; anything else is a
// word, looked up exactly in the word table.
#ifndef VELLOMAR_RUNNER_LANGUAGE_LEXER_H_
#define VELLOMAR_RUNNER_LANGUAGE_LEXER_H_

#include <string>
#include <string_view>
#include <vector>

#include "runner/base/diagnostics.h"
#include "runner/base/place.h"
#include "runner/language/words.h"

namespace runner {

enum class TokenKind : uint8_t { kNumber, kText, kRegister, kLabel, kGoto, kVariable, kWord };

struct Token {
  TokenKind kind = TokenKind::kWord;
  Opcode opcode = Opcode::kPushNumber;  // kWord: the word's; kRegister: kStore, kStorePop or kLoad
  std::string spelling;                 // the token as it stands (entities decoded)
  int line = 1;                         // where it starts
  int column = 1;
  int end_line = 1;                 // the line of its last character
  int origin = 0;                   // the macro use it came from (SourceMap::Note), or 0
  bool after_long_comment = false;  // a comment over several lines comes just before it
  double number = 0;                // kNumber
  bool integer = false;             // kNumber: an integer literal
  std::string text;    // kText: the characters; kVariable: inside the parentheses, '>' removed
  bool write = false;  // kVariable: (>...), the '>' touching the '(' (a blank after it: no write)
  int index = 0;       // kRegister, kLabel, kGoto: N (at most kMaxIndex)
  bool bad = false;    // did not lex (its error is given apart): nothing to compile
};

// Register, label and goto numbers beyond this read as this.
inline constexpr int kMaxIndex = 1000000000;

struct LexOptions {
  // A token that starts a line and begins with '#' makes the rest of the
  // line a comment (script files only; gauge scripts have no such comment).
  bool hash_comments = false;
  // &lt; &gt; &amp; &apos; &quot; and numeric references (&#176; &#xB0;)
  // stand for their characters, as in a gauge file (text pasted from one);
  // places still count the characters as written.
  bool decode_entities = false;
  // Where the text came from in a gauge file (entities, macros): places are
  // taken from it, text[0] being its byte `source_offset`.
  const SourceMap* source = nullptr;
  size_t source_offset = 0;
  // Warnings (a numeric reference to a character with no ANSI byte); may be
  // null.
  std::vector<Diagnostic>* warnings = nullptr;
};

// The length of the XML entity (&lt; &gt; &amp; &apos; &quot;) or numeric
// reference (&#176; &#xB0;) at text[0] == '&' and the character it stands
// for; 0 when there is none.
size_t ReadReference(std::string_view text, uint32_t* character);

// `text` (ANSI bytes) with the XML entities &lt; &gt; &amp; &apos; &quot;
// and numeric references &#N; &#xH; decoded, each to its ANSI byte ('?' for
// a character with no such byte, counted in `*unmapped`). `map`, when
// given, gets for each byte of the result the offset of the byte of `text`
// it came from.
std::string DecodeEntities(std::string_view text, SourceMap* map = nullptr,
                           size_t* unmapped = nullptr);

// Load errors one text reports at most; the lexer stops looking after them.
inline constexpr size_t kMaxLoadErrors = 20;

// Splits `text`, whose first byte stands at `start`, into `*tokens`. A UTF-8
// byte-order mark at the start is skipped. Returns false with the first fault
// (an error at its place, no site) in `*error`; the tokens are those the
// overload below gives.
bool Lex(std::string_view text, const Place& start, const LexOptions& options,
         std::vector<Token>* tokens, Diagnostic* error);

// As above, but reads on after a fault where it can (a token that is no word,
// number, register or label is kept, marked bad; a text, variable or comment
// without its end stops it), appending every fault to `*errors`, at most
// kMaxLoadErrors. Returns whether there was none.
bool Lex(std::string_view text, const Place& start, const LexOptions& options,
         std::vector<Token>* tokens, std::vector<Diagnostic>* errors);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_LANGUAGE_LEXER_H_
