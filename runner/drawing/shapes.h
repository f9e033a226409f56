// Vector shapes of both schemas, read from an element's XML at load and
// drawn, antialiased, in each frame.
//
// Geometry, in the element's coordinates (the shape's own Axis is taken off,
// so that Axis names the point that lands on the element's origin):
//   Rectangle        top-left (0,0), Width x Height
//   HorizontalLine   (0,0) to (Width,0); VerticalLine (0,0) to (0,Height)
//   Line, Polyline   through the Points, open
//   Polygon          through the Points, closed
//   Circle           in the box (0,0) 2R x 2R: centre (R,R)
//   Ellipse          in the box (0,0) Width x Height
//   Arc, Pie         on the circle of Circle, from the smaller of StartAngle
//                    and EndAngle clockwise to the larger, degrees clockwise
//                    from east (y down); a Pie is closed through the centre
// A shape is filled first (FillColor; none when absent) and then outlined
// (LineColor, or OLD Color; none when absent) with a pen of LineWidth (1 when
// absent) centred on the path; lines and arcs are outlined only. A script
// result for FillColor, LineColor, Color, LineWidth, Width, Height or
// Transparency replaces the fixed value; a colour script gives a colour even
// where the XML gives none. Transparency is the shape's opacity (1 = opaque).
// Shapes are never keyed: black draws black.
#ifndef VELLOMAR_RUNNER_DRAWING_SHAPES_H_
#define VELLOMAR_RUNNER_DRAWING_SHAPES_H_

#include <cairo.h>

#include <string>
#include <string_view>
#include <vector>

#include "runner/base/place.h"
#include "runner/drawing/colour.h"
#include "runner/drawing/script_results.h"
#include "runner/gauges/gauge_file.h"

namespace runner {

enum class ShapeKind {
  kRectangle,
  kHorizontalLine,
  kVerticalLine,
  kPolyline,
  kPolygon,
  kCircle,
  kEllipse,
  kArc,
  kPie,
};

struct Shape {
  ShapeKind kind = ShapeKind::kRectangle;
  std::string tag;  // as written
  Place place;      // of the tag, for messages
  double axis_x = 0;
  double axis_y = 0;
  double width = 0;
  double height = 0;
  double radius = 0;
  double start_angle = 0;  // degrees
  double end_angle = 0;
  struct Point {
    double x = 0;
    double y = 0;
  };
  std::vector<Point> points;
  bool has_fill = false;
  Rgb fill;
  bool has_line = false;
  Rgb line;
  double line_width = 1;
  double opacity = 1;
};

// Whether `tag` is a shape read here (Rectangle, Line, Polyline/PolyLine,
// Polygon, HorizontalLine, VerticalLine, Circle, Ellipse, Arc, Pie).
bool IsShapeTag(std::string_view tag);

// Reads the shape node `node` into *shape. Values that cannot be read are
// each a problem ("FILE:L:C: ...") in *problems and keep their defaults;
// false (with a problem) when `node` is not a shape.
bool ReadShape(const XmlNode& node, Shape* shape, std::vector<std::string>* problems);

// Draws `shape` on `cr`, whose transform puts the element's origin at (0,0),
// with the frame's script `results` of its element. The state of `cr` is
// left as it was found.
void DrawShape(cairo_t* cr, const Shape& shape, const ScriptResults& results);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_DRAWING_SHAPES_H_
