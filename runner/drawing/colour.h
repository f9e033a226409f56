// Colours as gauge files write them, and the one colour that is not drawn.
//
// A gauge colour is one of:
//   #RRGGBB      red, green, blue in that order          ("#FF4C00" orange)
//   0xBBGGRR     a Windows COLORREF: blue, green, red    ("0xFF4C00" blue)
//   a name       the CSS colour table, any case          ("lightgray", "Cyan")
// and a colour script may also give a number, read as a COLORREF like 0x.
// Black RGB(0,0,0) is the transparency key: where a box or a glyph is keyed
// (see text.h) pure black is not drawn, and authors write RGB(1,1,1) or
// similar for a black that shows.
#ifndef VELLOMAR_RUNNER_DRAWING_COLOUR_H_
#define VELLOMAR_RUNNER_DRAWING_COLOUR_H_

#include <cairo.h>

#include <cstdint>
#include <string_view>

#include "runner/base/value.h"

namespace runner {

struct Rgb {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  bool operator==(const Rgb& other) const {
    return red == other.red && green == other.green && blue == other.blue;
  }
  bool operator!=(const Rgb& other) const { return !(*this == other); }
};

// Reads `text` (blanks around it allowed) as #RRGGBB, 0xBBGGRR (1 to 8 hex
// digits; bits above the low 24 ignored) or a CSS colour name. False, with
// *colour untouched, for anything else.
bool ParseColour(std::string_view text, Rgb* colour);

// A number as a COLORREF 0x00BBGGRR (truncated to an integer; bits above the
// low 24 ignored). False for NaN, infinities and negative numbers.
bool ColourFromNumber(double number, Rgb* colour);

// A colour script's result: a text through ParseColour (a text of decimal
// digits alone is a COLORREF number), a number through ColourFromNumber.
bool ColourFromValue(const Value& value, Rgb* colour);

// The transparency key: pure black, compared exactly.
inline bool IsKeyBlack(const Rgb& colour) { return colour == Rgb{}; }

// Sets `colour` as the source of `cr`, with opacity `alpha` (0..1).
void SetSourceColour(cairo_t* cr, const Rgb& colour, double alpha = 1.0);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_DRAWING_COLOUR_H_
