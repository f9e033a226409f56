// Draws a gauge as a frame left it: the gauge's background, then its
// elements in document order, depth first, each with its images (and, as
// those stages provide them, texts and shapes) placed by its position, mask,
// rotation and shift, children carried along with their parents. What to
// show (visibility, the chosen case, rotation and shift values, texts,
// colour-script results) is what the frame decided; this stage only draws.
//
// Where the simulator's behaviour is inferred rather than known, the choices
// made are listed in docs/drawing.md.
#ifndef VELLOMAR_RUNNER_DRAWING_RENDERER_H_
#define VELLOMAR_RUNNER_DRAWING_RENDERER_H_

#include <cairo.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "runner/base/diagnostics.h"
#include "runner/drawing/bitmap.h"
#include "runner/drawing/fonts.h"
#include "runner/drawing/shapes.h"
#include "runner/drawing/text.h"
#include "runner/gauges/gauge_file.h"
#include "runner/gauges/panel.h"

namespace runner {

// A drawn picture: red, green, blue, alpha bytes (not premultiplied), rows
// top to bottom.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;
  // The pixel at (x, y) as 0xRRGGBBAA; 0 outside the picture.
  uint32_t At(int x, int y) const;
};

// Copies an ARGB32 cairo surface (premultiplied) into a picture, and back.
void PictureFromSurface(cairo_surface_t* surface, Picture* picture);
cairo_surface_t* SurfaceFromPicture(const Picture& picture);

class GaugeRenderer {
 public:
  // Reads what `model` draws and loads its bitmaps. A bitmap that cannot be
  // found or read is a warning to `diagnostics` (once, with its place) and
  // is drawn as an outlined box with its name; so is a text or shape
  // property that cannot be read (and is left at its default). Texts take
  // their fonts from `fonts`. None is owned; all must outlive the renderer.
  GaugeRenderer(const GaugeModel& model, FontLibrary* fonts, Diagnostics* diagnostics);
  GaugeRenderer(const GaugeRenderer&) = delete;
  GaugeRenderer& operator=(const GaugeRenderer&) = delete;
  ~GaugeRenderer();

  // The gauge's design size in pixels: its <Size>, or its background
  // image's (ImageSizes or the bitmap), as its schema has it.
  double width() const { return width_; }
  double height() const { return height_; }

  // Draws `frame` (whose `elements` the panel kept) `scale` times the design
  // size.
  void Draw(const GaugeFrame& frame, double scale, Picture* picture) const;
  // Draws onto `cr` in its current user space, the gauge's top-left at its
  // origin.
  void DrawOn(cairo_t* cr, const GaugeFrame& frame) const;

  // A nonlinearity table: entries sorted by value, each an angle (radians,
  // clockwise from east) or a point.
  struct Table {
    enum class Kind { kNone, kPoints, kDegrees, kRadians };
    Kind kind = Kind::kNone;
    struct Entry {
      double value = 0;
      double x = 0;
      double y = 0;
      double angle = 0;
    };
    std::vector<Entry> entries;
  };

 private:
  struct Image;
  struct Drawable;
  struct ElementInfo;

  void ReadElement(const Element& element, int parent);
  void ReadDrawables(const XmlNode& node, int case_index, ElementInfo* info);
  int ReadImage(const XmlNode& node, bool keyed_by_default, bool is_mask);
  void ReadSize();
  double RotationAngle(const ElementInfo& info, const ElementState& state) const;
  void DrawElement(cairo_t* cr, size_t index, const GaugeFrame& frame,
                   const cairo_matrix_t& parent) const;
  void DrawImage(cairo_t* cr, const Image& image, const cairo_matrix_t& matrix, double anchor_x,
                 double anchor_y) const;

  void Warn(const Place& place, const std::string& message);
  void WarnProblem(const Place& place, const std::string& problem);

  const GaugeModel& model_;
  FontLibrary* fonts_;
  Diagnostics* diagnostics_;
  std::vector<TextBox> texts_;
  std::vector<Shape> shapes_;
  double width_ = 0;
  double height_ = 0;
  int background_ = -1;  // image index
  std::vector<Image> images_;
  std::vector<ElementInfo> elements_;  // in GaugeFrame::elements order
  std::vector<size_t> top_;            // top-level elements
  int next_case_ = 0;                  // while reading an element's cases
  // Surfaces by file, size and keying, shared by the images that use them.
  std::map<std::tuple<std::string, int, int, int>, cairo_surface_t*> surfaces_;
};

}  // namespace runner

#endif  // VELLOMAR_RUNNER_DRAWING_RENDERER_H_
