// Test helpers for the drawing library: XML snippets read into the tree the
// gauge model keeps, a canvas to draw on, and probes of its pixels.
#ifndef VELLOMAR_TESTS_RUNNER_DRAWING_CANVAS_H_
#define VELLOMAR_TESTS_RUNNER_DRAWING_CANVAS_H_

#include <cairo.h>

#include <string>

#include "runner/drawing/colour.h"
#include "runner/gauges/gauge_file.h"

namespace runner {
namespace testing_canvas {

// The first element of `xml` as a tree; an empty node when it does not parse.
XmlNode Node(const std::string& xml);

// An image surface filled with one colour. When VELLOMAR_DRAWING_PNG_DIR is
// set, Save() writes the picture there for a person to look at.
class Canvas {
 public:
  Canvas(int width, int height, Rgb fill);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  cairo_t* cr() const { return cr_; }
  Rgb At(int x, int y);
  // Whether the pixel is within `tolerance` of `colour` on every channel.
  bool Near(int x, int y, Rgb colour, int tolerance = 24);
  // The smallest rectangle holding every pixel that differs from the fill
  // by more than `tolerance` on some channel; false when there is none.
  bool Ink(int* left, int* top, int* right, int* bottom, int tolerance = 60);
  void Save(const std::string& name);

 private:
  cairo_surface_t* surface_;
  cairo_t* cr_;
  Rgb fill_;
};

std::string Describe(const Rgb& colour);

}  // namespace testing_canvas
}  // namespace runner

#endif  // VELLOMAR_TESTS_RUNNER_DRAWING_CANVAS_H_
