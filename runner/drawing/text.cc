#include "runner/drawing/text.h"

#include <algorithm>
#include <cmath>

#include "common/ascii_case.h"
#include "runner/base/ansi.h"
#include "runner/base/text.h"
#include "runner/drawing/xml_read.h"

namespace runner {
namespace {

// The length of the valid UTF-8 sequence at text[0], or 0.
size_t Utf8SequenceLength(std::string_view text) {
  uint32_t character = 0;
  return DecodeUtf8(text, &character);
}

// The characters of valid UTF-8 text, one string each.
std::vector<std::string_view> Characters(std::string_view text) {
  std::vector<std::string_view> characters;
  while (!text.empty()) {
    const size_t length = std::max<size_t>(1, Utf8SequenceLength(text));
    characters.push_back(text.substr(0, length));
    text.remove_prefix(length);
  }
  return characters;
}

struct Line {
  std::string text;
  HorizontalAlign align;
  std::vector<TextBox::TabStop> tabs;
};

// Splits the text into lines (a multiline box breaks at \n, and at CR, LF
// and CRLF; any other turns those into blanks), reads the escape codes it
// knows and drops the rest, and caps each line at `length` characters.
std::vector<Line> Lines(std::string_view text, const TextBox& box, double* line_spacing) {
  std::vector<Line> lines;
  HorizontalAlign align = box.horizontal;
  std::vector<TextBox::TabStop> tabs = box.tabs;
  std::string current;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (!box.multiline) {
        current.push_back(' ');
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        continue;
      }
      lines.push_back(Line{std::move(current), align, tabs});
      current.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      continue;
    }
    // The frame keeps a text's backslash sequences: \n breaks a multiline
    // text's line, \t is a tab.
    if (c == '\\' && i + 1 < text.size() && text[i + 1] == 'n' && box.multiline) {
      lines.push_back(Line{std::move(current), align, tabs});
      current.clear();
      ++i;
      continue;
    }
    if (c == '\\' && i + 1 < text.size() && text[i + 1] == 't') {
      current.push_back('\t');
      ++i;
      continue;
    }
    if (c == '\\' && i + 1 < text.size() && text[i + 1] == '{') {
      const size_t end = text.find('}', i + 2);
      if (end != std::string_view::npos) {
        const std::string_view code = text.substr(i + 2, end - i - 2);
        if (code.size() == 6 && code.substr(0, 5) == "ladj=") {
          const char side = code[5];
          if (side == 'L' || side == 'l') align = HorizontalAlign::kLeft;
          if (side == 'C' || side == 'c') align = HorizontalAlign::kCenter;
          if (side == 'R' || side == 'r') align = HorizontalAlign::kRight;
        } else if (code.substr(0, 4) == "lsp=") {
          double spacing = 0;
          if (ParseNumber(code.substr(4), &spacing) && spacing > 0) *line_spacing = spacing;
        } else if (code.substr(0, 5) == "tabs=") {
          std::vector<TextBox::TabStop> stops;
          if (ParseTabStops(code.substr(5), &stops)) tabs = std::move(stops);
        }
        i = end;
        continue;
      }
    }
    current.push_back(c);
  }
  lines.push_back(Line{std::move(current), align, tabs});
  if (box.length > 0) {
    for (Line& line : lines) {
      const std::vector<std::string_view> characters = Characters(line.text);
      if (characters.size() > static_cast<size_t>(box.length)) {
        const std::string_view last = characters[static_cast<size_t>(box.length) - 1];
        line.text.resize(static_cast<size_t>(last.data() + last.size() - line.text.data()));
      }
    }
  }
  return lines;
}

double Advance(cairo_t* cr, const std::string& text) {
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  return extents.x_advance;
}

// Draws a line with tab characters from the box's left edge `left`: the
// text after the n-th tab stands at the n-th stop (or, past the last stop,
// right after the text before it).
void DrawTabbedLine(cairo_t* cr, const Line& line, double left, double baseline) {
  double x = left;
  size_t start = 0;
  for (size_t tab = 0;; ++tab) {
    const size_t end = line.text.find('\t', start);
    const std::string segment = line.text.substr(start, end - start);
    const double width = Advance(cr, segment);
    if (tab > 0 && tab - 1 < line.tabs.size()) {
      const TextBox::TabStop& stop = line.tabs[tab - 1];
      x = left + stop.position;
      if (stop.align == HorizontalAlign::kCenter) x -= width / 2;
      if (stop.align == HorizontalAlign::kRight) x -= width;
    }
    cairo_move_to(cr, x, baseline);
    cairo_show_text(cr, segment.c_str());
    x += width;
    if (end == std::string::npos) break;
    start = end + 1;
  }
}

// A number script result, when there is one and it reads as a finite number.
bool NumberResult(const ScriptResults& results, std::string_view key, double* number) {
  const auto found = results.find(key);
  if (found == results.end()) return false;
  const double value = ToDouble(found->second);
  if (!std::isfinite(value)) return false;
  *number = value;
  return true;
}

void ColourResult(const ScriptResults& results, std::string_view key, Rgb* colour) {
  const auto found = results.find(key);
  if (found != results.end()) ColourFromValue(found->second, colour);
}

HorizontalAlign ReadHorizontal(PropertyReader* reader, std::string_view name,
                               HorizontalAlign fallback) {
  std::string text;
  if (!reader->ReadText(name, &text)) return fallback;
  if (vellomar::EqualFolded(text, "left")) return HorizontalAlign::kLeft;
  if (vellomar::EqualFolded(text, "center") || vellomar::EqualFolded(text, "centre")) {
    return HorizontalAlign::kCenter;
  }
  if (vellomar::EqualFolded(text, "right")) return HorizontalAlign::kRight;
  reader->Problem(std::string(name) + " '" + text + "' is not Left, Center or Right");
  return fallback;
}

VerticalAlign ReadVertical(PropertyReader* reader, std::string_view name, VerticalAlign fallback) {
  std::string text;
  if (!reader->ReadText(name, &text)) return fallback;
  if (vellomar::EqualFolded(text, "top")) return VerticalAlign::kTop;
  if (vellomar::EqualFolded(text, "center") || vellomar::EqualFolded(text, "centre")) {
    return VerticalAlign::kCenter;
  }
  if (vellomar::EqualFolded(text, "bottom")) return VerticalAlign::kBottom;
  reader->Problem(std::string(name) + " '" + text + "' is not Top, Center or Bottom");
  return fallback;
}

}  // namespace

bool ParseTabStops(std::string_view text, std::vector<TextBox::TabStop>* stops) {
  std::vector<TextBox::TabStop> result;
  while (!text.empty()) {
    const size_t comma = text.find(',');
    std::string_view item = Trim(text.substr(0, comma));
    TextBox::TabStop stop;
    if (!item.empty()) {
      const char side = item.back();
      if (side == 'L' || side == 'l' || side == 'C' || side == 'c' || side == 'R' || side == 'r') {
        if (side == 'C' || side == 'c') stop.align = HorizontalAlign::kCenter;
        if (side == 'R' || side == 'r') stop.align = HorizontalAlign::kRight;
        item.remove_suffix(1);
      }
    }
    if (!ParseNumber(item, &stop.position)) return false;
    result.push_back(stop);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  *stops = std::move(result);
  return true;
}

bool IsTextTag(std::string_view tag) {
  return tag == "Text" || tag == "FormattedText" || tag == "GaugeText";
}

bool ReadTextBox(const XmlNode& node, TextBox* box, std::vector<std::string>* problems) {
  PropertyReader reader(node, problems);
  if (!IsTextTag(node.tag)) {
    reader.Problem("is not a text");
    return false;
  }
  *box = TextBox();
  box->tag = node.tag;
  box->place = node.place;
  reader.ReadText("Font", &box->font);
  reader.ReadText("FontFace", &box->font);
  reader.ReadNumber("FontHeight", &box->font_height);
  reader.ReadNumber("FontSize", &box->font_height);
  reader.ReadColour("Color", &box->colour);
  reader.ReadColour("FontColor", &box->colour);
  box->has_background = reader.ReadColour("BackgroundColor", &box->background);
  reader.ReadInteger("Length", &box->length);
  reader.ReadNumber("LineSpacing", &box->line_spacing);
  reader.ReadBool("Bold", &box->bold);
  reader.ReadBool("Italic", &box->italic);
  double weight = 0;
  if (reader.ReadNumber("FontWeight", &weight)) box->bold = weight >= 600;
  reader.ReadBool("Multiline", &box->multiline);
  std::string tabs;
  if (reader.ReadText("Tabs", &tabs) && !ParseTabStops(tabs, &box->tabs)) {
    reader.Problem("Tabs '" + tabs + "' are not tab stops such as 50R,60C,244L");
  }
  if (node.tag == "FormattedText") box->multiline = true;
  if (node.tag == "GaugeText") {
    box->transparent = false;
    reader.ReadBool("Transparent", &box->transparent);
    reader.ReadPair("Size", &box->width, &box->height);
    double axis_x = 0;
    double axis_y = 0;
    reader.ReadPair("Axis", &axis_x, &axis_y);
    box->left = -axis_x;
    box->top = -axis_y;
    box->horizontal = ReadHorizontal(&reader, "HorizontalAlign", HorizontalAlign::kLeft);
    box->vertical = ReadVertical(&reader, "VerticalAlign", VerticalAlign::kTop);
  } else {
    // OLD texts are always keyed; X and Y are the box's size.
    reader.ReadNumber("X", &box->width);
    reader.ReadNumber("Y", &box->height);
    reader.ReadBool("Fixed", &box->fixed);
    box->horizontal = ReadHorizontal(&reader, "Adjust", HorizontalAlign::kLeft);
    box->vertical = ReadVertical(&reader, "VerticalAdjust", VerticalAlign::kTop);
  }
  if (box->font_height < 0) box->font_height = 0;
  if (box->width < 0 || box->height < 0) {
    reader.Problem("has a negative size");
    box->width = std::max(0.0, box->width);
    box->height = std::max(0.0, box->height);
  }
  return true;
}

std::string TextToUtf8(std::string_view bytes) { return AnsiToUtf8(bytes); }

void DrawTextBox(cairo_t* cr, const TextBox& box, std::string_view text,
                 const ScriptResults& results, FontLibrary* fonts) {
  double width = box.width;
  double height = box.height;
  NumberResult(results, "Width", &width);
  NumberResult(results, "Height", &height);
  if (!(width > 0) || !(height > 0)) return;
  Rgb colour = box.colour;
  ColourResult(results, "FontColor", &colour);
  ColourResult(results, "Color", &colour);
  bool has_background = box.has_background;
  Rgb background = box.background;
  if (results.find("BackgroundColor") != results.end()) {
    has_background = true;
    ColourResult(results, "BackgroundColor", &background);
  }
  double font_height = box.font_height;
  NumberResult(results, "FontHeight", &font_height);

  cairo_save(cr);
  cairo_rectangle(cr, box.left, box.top, width, height);
  cairo_clip(cr);
  if (!box.transparent || (has_background && !IsKeyBlack(background))) {
    SetSourceColour(cr, has_background ? background : Rgb{});
    cairo_paint(cr);
  }
  if (box.transparent && IsKeyBlack(colour)) {
    cairo_restore(cr);
    return;
  }

  double line_spacing = box.line_spacing;
  const std::vector<Line> lines = Lines(TextToUtf8(text), box, &line_spacing);

  // Metrics unhinted, so that sizes scale exactly and do not depend on the
  // surface; glyph outlines antialiased.
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
  cairo_set_font_face(cr, fonts->Face(box.font, box.bold, box.italic, box.place));

  // Sizes measured at 100 units and scaled.
  constexpr double kProbe = 100;
  cairo_set_font_size(cr, kProbe);
  cairo_font_extents_t probe;
  cairo_font_extents(cr, &probe);
  const double probe_line = probe.ascent + probe.descent;
  if (!(probe_line > 0)) {
    cairo_restore(cr);
    return;
  }
  double size = 0;
  if (font_height > 0) {
    size = kProbe * font_height / probe_line;
  } else {
    size = kProbe * height / static_cast<double>(lines.size()) / probe_line;
    if (box.length > 0) {
      double widest_digit = 0;
      for (char digit = '0'; digit <= '9'; ++digit) {
        widest_digit = std::max(widest_digit, Advance(cr, std::string(1, digit)));
      }
      if (widest_digit > 0) size = std::min(size, kProbe * width / box.length / widest_digit);
    }
  }
  if (!(size > 0)) {
    cairo_restore(cr);
    return;
  }
  cairo_set_font_size(cr, size);
  const double scale = size / kProbe;
  const double ascent = probe.ascent * scale;
  const double line_height = probe_line * scale;
  const double advance = line_spacing > 0 ? line_spacing : line_height;
  const double block = line_height + advance * static_cast<double>(lines.size() - 1);
  double y = box.top;
  if (box.vertical == VerticalAlign::kCenter) y += (height - block) / 2;
  if (box.vertical == VerticalAlign::kBottom) y += height - block;

  SetSourceColour(cr, colour);
  const bool cells = box.fixed && box.length > 0;
  const double cell = cells ? width / box.length : 0;
  for (const Line& line : lines) {
    const double baseline = y + ascent;
    y += advance;
    if (line.text.empty()) continue;
    const std::vector<std::string_view> characters = Characters(line.text);
    const double line_width =
        cells ? cell * static_cast<double>(characters.size()) : Advance(cr, line.text);
    double x = box.left;
    if (line.align == HorizontalAlign::kCenter) x += (width - line_width) / 2;
    if (line.align == HorizontalAlign::kRight) x += width - line_width;
    if (!cells && line.text.find('\t') != std::string::npos) {
      DrawTabbedLine(cr, line, box.left, baseline);
      continue;
    }
    if (!cells) {
      cairo_move_to(cr, x, baseline);
      cairo_show_text(cr, line.text.c_str());
      continue;
    }
    for (std::string_view character : characters) {
      const std::string glyph(character);
      cairo_move_to(cr, x + (cell - Advance(cr, glyph)) / 2, baseline);
      cairo_show_text(cr, glyph.c_str());
      x += cell;
    }
  }
  cairo_restore(cr);
}

}  // namespace runner
