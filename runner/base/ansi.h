// Texts as the simulator has them: bytes in the ANSI code page, which the
// runner takes to be Windows-1252. Scripts, templates and the module see
// only such bytes, one byte a character ('90°' is 3 bytes, the degree sign
// 0xB0). Text comes in as UTF-8 (gauge files after the XML reader, the
// command line, script files written as UTF-8) and is converted once, where
// it is read; what the runner shows (the trace, JSON, the dump, script
// output, drawn text) is converted back to UTF-8 where it is written.
//
// A character Windows-1252 has no byte for becomes '?' (the byte Windows
// itself substitutes), and the reader is told so it can warn. The five bytes
// Windows-1252 leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) have no
// character: they show as the four characters \xNN.
#ifndef VELLOMAR_RUNNER_BASE_ANSI_H_
#define VELLOMAR_RUNNER_BASE_ANSI_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace runner {

// The byte written for a character Windows-1252 does not have.
inline constexpr char kNoAnsiByte = '?';

// The Unicode character of an ANSI byte; 0 for the five unassigned bytes
// (and for byte 0).
uint32_t AnsiCharacter(unsigned char byte);

// The ANSI byte of a Unicode character; false when there is none. The five
// unassigned bytes are the characters of their own number (U+0081 is 0x81),
// as Windows converts them, so that any byte goes there and back.
bool AnsiByte(uint32_t character, unsigned char* byte);

// Decodes the UTF-8 sequence at text[0]: its length (0 when it is not valid
// UTF-8: a stray continuation byte, an overlong form, a surrogate, a cut-off
// sequence) and its character.
size_t DecodeUtf8(std::string_view text, uint32_t* character);

// Appends `character` in UTF-8.
void AppendUtf8(uint32_t character, std::string* out);

// Whether `text` is entirely valid UTF-8.
bool IsValidUtf8(std::string_view text);

// UTF-8 text as ANSI bytes: each character one byte, '?' for one with no
// byte (counted in `*unmapped` when given, and the first such character
// kept in `*first_unmapped`). A byte that is not part of valid UTF-8 is kept
// as it is: it is taken to be an ANSI byte already.
std::string Utf8ToAnsi(std::string_view text, size_t* unmapped = nullptr,
                       uint32_t* first_unmapped = nullptr);

// ANSI bytes as UTF-8 for display: every byte its character, an unassigned
// byte as the text \xNN (two lower-case hexadecimal digits, as the trace escapes control bytes).
// Control bytes are kept; writers that escape them do so themselves.
std::string AnsiToUtf8(std::string_view bytes);

// ANSI bytes as UTF-8 that converts back to the same bytes (an unassigned
// byte as the character of its number): how a gauge file saved in the ANSI
// code page is handed to the XML reader.
std::string AnsiToUtf8Exact(std::string_view bytes);

// Appends the display form of one ANSI byte (as AnsiToUtf8).
void AppendAnsiAsUtf8(unsigned char byte, std::string* out);

// Text that may mix UTF-8 (file and site names) with ANSI bytes (a script's
// words) as UTF-8, for messages: valid UTF-8 sequences are kept, any other
// byte is read as ANSI.
std::string MixedToUtf8(std::string_view text);

// "U+00B0"-style name of a character, for messages.
std::string CharacterName(uint32_t character);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_BASE_ANSI_H_
