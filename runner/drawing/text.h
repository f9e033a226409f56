// Text boxes: OLD <Text> and <FormattedText>, NEW <GaugeText>, read from an
// element's XML at load and drawn in each frame with the text the frame
// computed.
//
// The box's top-left stands at the element's origin minus the text's Axis
// (NEW; OLD texts have none), sized X x Y (OLD) or Size (NEW). Inside it:
//  * the background: drawn when the box is opaque (NEW Transparent False:
//    BackgroundColor, black when absent), or when it is transparent (OLD
//    always; NEW Transparent True) and a BackgroundColor other than pure
//    black is given;
//  * the glyphs, in FontColor / Color (black when absent); in a transparent
//    box pure black glyphs are not drawn (the black key);
//  * the font height is the height of a line (ascent plus descent) in
//    pixels: FontHeight / FontSize, else what fills the box's height and,
//    with a Length, a character cell of width/Length;
//  * Length caps the characters shown; OLD Fixed="Yes" gives each character
//    a cell of width/Length, the glyph centred in it;
//  * lines are aligned horizontally and vertically in the box (defaults Left
//    and Top) and clipped to it;
//  * FormattedText and Multiline texts break at \n (backslash, n: the frame
//    drops their raw line ends) and at line ends; a tab (a tab character or
//    \t) moves to the next of the Tabs stops, where the text after it is put
//    left of, centred on or right of the stop; escape codes \{...} are read
//    for alignment (\{ladj=L|C|R}), line spacing (\{lsp=N}) and tab stops
//    (\{tabs=...}) and otherwise left out.
// docs/drawing-text.md gives the reasons for each rule.
#ifndef VELLOMAR_RUNNER_DRAWING_TEXT_H_
#define VELLOMAR_RUNNER_DRAWING_TEXT_H_

#include <cairo.h>

#include <string>
#include <string_view>
#include <vector>

#include "runner/base/place.h"
#include "runner/drawing/colour.h"
#include "runner/drawing/fonts.h"
#include "runner/drawing/script_results.h"
#include "runner/gauges/gauge_file.h"

namespace runner {

enum class HorizontalAlign { kLeft, kCenter, kRight };
enum class VerticalAlign { kTop, kCenter, kBottom };

struct TextBox {
  std::string tag;  // "Text", "FormattedText" or "GaugeText"
  Place place;      // of the tag, for messages
  double left = 0;  // the box's top-left in the element's coordinates
  double top = 0;
  double width = 0;
  double height = 0;
  int length = 0;      // characters shown at most; 0: no limit
  bool fixed = false;  // one cell of width/length per character
  std::string font = "Arial";
  double font_height = 0;  // line height in pixels; 0: fit the box
  bool bold = false;
  bool italic = false;
  Rgb colour;  // black
  bool has_background = false;
  Rgb background;
  bool transparent = true;  // keyed: no background unless given, black not drawn
  HorizontalAlign horizontal = HorizontalAlign::kLeft;
  VerticalAlign vertical = VerticalAlign::kTop;
  double line_spacing = 0;  // distance between baselines; 0: the font's line height
  bool multiline = false;   // breaks at line ends
  struct TabStop {
    double position = 0;                             // from the box's left edge
    HorizontalAlign align = HorizontalAlign::kLeft;  // of the text after the tab
  };
  std::vector<TabStop> tabs;  // in order; Tabs="50R,60C,244L"
};

// Whether `tag` is one of the text elements read here.
bool IsTextTag(std::string_view tag);

// Reads the text node `node` (<Text>, <FormattedText> or <GaugeText>) into
// *box. Values that cannot be read are each a problem ("FILE:L:C: ...") in
// *problems and keep their defaults; false (with a problem) when `node` is
// not a text or has no usable size.
bool ReadTextBox(const XmlNode& node, TextBox* box, std::vector<std::string>* problems);

// Reads tab stops written "50R,60C,244L" (L when the letter is missing).
bool ParseTabStops(std::string_view text, std::vector<TextBox::TabStop>* stops);

// Bytes of a gauge text (ANSI, see runner/base/ansi.h) as UTF-8 for
// drawing: every byte its Windows-1252 character, an unassigned one as \xNN.
std::string TextToUtf8(std::string_view bytes);

// Draws `text` (the frame's bytes) in `box` on `cr`, whose transform puts the
// element's origin at (0,0). `results` may replace FontColor,
// BackgroundColor, FontHeight, Width and Height. Fonts come from `fonts` (not
// owned; warns there once for a font it lacks). The state of `cr` is left as
// it was found.
void DrawTextBox(cairo_t* cr, const TextBox& box, std::string_view text,
                 const ScriptResults& results, FontLibrary* fonts);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_DRAWING_TEXT_H_
