#include "runner/drawing/shapes.h"

#include <algorithm>
#include <cmath>

#include "runner/drawing/xml_read.h"

namespace runner {
namespace {

struct ShapeTag {
  const char* tag;
  ShapeKind kind;
};

constexpr ShapeTag kShapeTags[] = {
    {"Rectangle", ShapeKind::kRectangle},
    {"HorizontalLine", ShapeKind::kHorizontalLine},
    {"VerticalLine", ShapeKind::kVerticalLine},
    {"Line", ShapeKind::kPolyline},
    {"Polyline", ShapeKind::kPolyline},
    {"PolyLine", ShapeKind::kPolyline},
    {"Polygon", ShapeKind::kPolygon},
    {"Circle", ShapeKind::kCircle},
    {"Ellipse", ShapeKind::kEllipse},
    {"Arc", ShapeKind::kArc},
    {"Pie", ShapeKind::kPie},
};

const ShapeTag* FindShapeTag(std::string_view tag) {
  for (const ShapeTag& entry : kShapeTags) {
    if (tag == entry.tag) return &entry;
  }
  return nullptr;
}

constexpr double kPi = 3.14159265358979323846;

void NumberResult(const ScriptResults& results, std::string_view key, double* number) {
  const auto found = results.find(key);
  if (found == results.end()) return;
  const double value = ToDouble(found->second);
  if (std::isfinite(value)) *number = value;
}

// Sets `*colour` (and `*has`) from a colour script result, when there is one
// that reads as a colour.
void ColourResult(const ScriptResults& results, std::string_view key, bool* has, Rgb* colour) {
  const auto found = results.find(key);
  if (found != results.end() && ColourFromValue(found->second, colour)) *has = true;
}

// The path of the shape, in coordinates with the Axis already taken off.
void AddPath(cairo_t* cr, const Shape& shape, double width, double height) {
  const double radius = shape.radius;
  const double start = std::min(shape.start_angle, shape.end_angle) * kPi / 180;
  const double end = std::max(shape.start_angle, shape.end_angle) * kPi / 180;
  switch (shape.kind) {
    case ShapeKind::kRectangle:
      cairo_rectangle(cr, 0, 0, width, height);
      break;
    case ShapeKind::kHorizontalLine:
      cairo_move_to(cr, 0, 0);
      cairo_line_to(cr, width, 0);
      break;
    case ShapeKind::kVerticalLine:
      cairo_move_to(cr, 0, 0);
      cairo_line_to(cr, 0, height);
      break;
    case ShapeKind::kPolyline:
    case ShapeKind::kPolygon:
      for (const Shape::Point& point : shape.points) cairo_line_to(cr, point.x, point.y);
      if (shape.kind == ShapeKind::kPolygon && !shape.points.empty()) cairo_close_path(cr);
      break;
    case ShapeKind::kCircle:
      if (radius > 0) cairo_arc(cr, radius, radius, radius, 0, 2 * kPi);
      cairo_close_path(cr);
      break;
    case ShapeKind::kEllipse:
      if (width > 0 && height > 0) {
        cairo_save(cr);
        cairo_translate(cr, width / 2, height / 2);
        cairo_scale(cr, width / 2, height / 2);
        cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
        cairo_close_path(cr);
        cairo_restore(cr);
      }
      break;
    case ShapeKind::kArc:
      if (radius > 0) {
        cairo_new_sub_path(cr);
        cairo_arc(cr, radius, radius, radius, start, end);
      }
      break;
    case ShapeKind::kPie:
      if (radius > 0) {
        cairo_move_to(cr, radius, radius);
        cairo_arc(cr, radius, radius, radius, start, end);
        cairo_close_path(cr);
      }
      break;
  }
}

bool Fillable(ShapeKind kind) {
  return kind == ShapeKind::kRectangle || kind == ShapeKind::kPolygon ||
         kind == ShapeKind::kCircle || kind == ShapeKind::kEllipse || kind == ShapeKind::kPie;
}

}  // namespace

bool IsShapeTag(std::string_view tag) { return FindShapeTag(tag) != nullptr; }

bool ReadShape(const XmlNode& node, Shape* shape, std::vector<std::string>* problems) {
  PropertyReader reader(node, problems);
  const ShapeTag* tag = FindShapeTag(node.tag);
  if (tag == nullptr) {
    reader.Problem("is not a shape");
    return false;
  }
  *shape = Shape();
  shape->kind = tag->kind;
  shape->tag = node.tag;
  shape->place = node.place;
  // OLD shapes may give their axis as X= and Y= attributes.
  reader.ReadNumber("X", &shape->axis_x);
  reader.ReadNumber("Y", &shape->axis_y);
  reader.ReadPair("Axis", &shape->axis_x, &shape->axis_y);
  reader.ReadNumber("Width", &shape->width);
  reader.ReadNumber("Height", &shape->height);
  reader.ReadNumber("Radius", &shape->radius);
  reader.ReadNumber("StartAngle", &shape->start_angle);
  reader.ReadNumber("EndAngle", &shape->end_angle);
  if (Fillable(shape->kind)) shape->has_fill = reader.ReadColour("FillColor", &shape->fill);
  shape->has_line = reader.ReadColour("LineColor", &shape->line);
  if (!shape->has_line) shape->has_line = reader.ReadColour("Color", &shape->line);
  if (reader.ReadNumber("LineWidth", &shape->line_width) && shape->line_width < 0) {
    reader.Problem("LineWidth is negative");
    shape->line_width = 1;
  }
  if (reader.ReadNumber("Transparency", &shape->opacity)) {
    shape->opacity = std::clamp(shape->opacity, 0.0, 1.0);
  }
  for (const XmlNode& child : node.children) {
    if (child.tag != "Point") continue;
    PropertyReader point_reader(child, problems);
    Shape::Point point;
    if (!point_reader.ReadPair("FloatPosition", &point.x, &point.y)) {
      point_reader.ReadNumber("X", &point.x);
      point_reader.ReadNumber("Y", &point.y);
    }
    shape->points.push_back(point);
  }
  if ((shape->kind == ShapeKind::kPolyline || shape->kind == ShapeKind::kPolygon) &&
      shape->points.size() < 2) {
    reader.Problem("has fewer than two points");
  }
  return true;
}

void DrawShape(cairo_t* cr, const Shape& shape, const ScriptResults& results) {
  bool has_fill = shape.has_fill;
  Rgb fill = shape.fill;
  bool has_line = shape.has_line;
  Rgb line = shape.line;
  double line_width = shape.line_width;
  double width = shape.width;
  double height = shape.height;
  double opacity = shape.opacity;
  if (Fillable(shape.kind)) ColourResult(results, "FillColor", &has_fill, &fill);
  ColourResult(results, "LineColor", &has_line, &line);
  ColourResult(results, "Color", &has_line, &line);
  NumberResult(results, "LineWidth", &line_width);
  NumberResult(results, "Width", &width);
  NumberResult(results, "Height", &height);
  NumberResult(results, "Transparency", &opacity);
  opacity = std::clamp(opacity, 0.0, 1.0);
  if (!(line_width > 0)) has_line = false;
  if ((!has_fill && !has_line) || opacity <= 0) return;

  cairo_save(cr);
  // A translucent shape is drawn whole and then blended, so that its outline
  // does not show the fill through it twice.
  const bool translucent = opacity < 1;
  if (translucent) cairo_push_group(cr);
  cairo_translate(cr, -shape.axis_x, -shape.axis_y);
  cairo_new_path(cr);
  AddPath(cr, shape, width, height);
  if (has_fill) {
    SetSourceColour(cr, fill);
    cairo_fill_preserve(cr);
  }
  if (has_line) {
    SetSourceColour(cr, line);
    cairo_set_line_width(cr, line_width);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_stroke(cr);
  }
  cairo_new_path(cr);
  if (translucent) {
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, opacity);
  }
  cairo_restore(cr);
}

}  // namespace runner
