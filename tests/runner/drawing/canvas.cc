#include "tests/runner/drawing/canvas.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <pugixml.hpp>

#include "runner/drawing/fonts.h"

namespace runner {
namespace testing_canvas {
namespace {

XmlNode Convert(const pugi::xml_node& node) {
  XmlNode result;
  result.tag = node.name();
  result.place.file = "test.xml";
  for (const pugi::xml_attribute& attribute : node.attributes()) {
    result.attributes.emplace_back(attribute.name(), attribute.value());
  }
  for (const pugi::xml_node& child : node.children()) {
    if (child.type() == pugi::node_element) {
      result.children.push_back(Convert(child));
    } else if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
      result.text += child.value();
    }
  }
  return result;
}

int Distance(uint8_t a, uint8_t b) { return a > b ? a - b : b - a; }

// Frees the process-wide font caches once every test is done, so that the
// leak checker reports only what the code under test leaks.
class FontCaches : public ::testing::Environment {
 public:
  void TearDown() override { ReleaseFontCaches(); }
};
const auto* const kFontCaches = ::testing::AddGlobalTestEnvironment(new FontCaches);

}  // namespace

XmlNode Node(const std::string& xml) {
  pugi::xml_document document;
  if (!document.load_string(xml.c_str())) return XmlNode();
  return Convert(document.first_child());
}

Canvas::Canvas(int width, int height, Rgb fill) : fill_(fill) {
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cr_ = cairo_create(surface_);
  SetSourceColour(cr_, fill);
  cairo_paint(cr_);
}

Canvas::~Canvas() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
}

Rgb Canvas::At(int x, int y) {
  cairo_surface_flush(surface_);
  const int width = cairo_image_surface_get_width(surface_);
  const int height = cairo_image_surface_get_height(surface_);
  if (x < 0 || y < 0 || x >= width || y >= height) return fill_;
  const unsigned char* row =
      cairo_image_surface_get_data(surface_) + y * cairo_image_surface_get_stride(surface_);
  uint32_t pixel = 0;
  std::memcpy(&pixel, row + 4 * x, sizeof pixel);
  return Rgb{static_cast<uint8_t>(pixel >> 16), static_cast<uint8_t>(pixel >> 8),
             static_cast<uint8_t>(pixel)};
}

bool Canvas::Near(int x, int y, Rgb colour, int tolerance) {
  const Rgb pixel = At(x, y);
  return Distance(pixel.red, colour.red) <= tolerance &&
         Distance(pixel.green, colour.green) <= tolerance &&
         Distance(pixel.blue, colour.blue) <= tolerance;
}

bool Canvas::Ink(int* left, int* top, int* right, int* bottom, int tolerance) {
  bool found = false;
  const int width = cairo_image_surface_get_width(surface_);
  const int height = cairo_image_surface_get_height(surface_);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (Near(x, y, fill_, tolerance)) continue;
      if (!found) {
        *left = *right = x;
        *top = *bottom = y;
        found = true;
      }
      if (x < *left) *left = x;
      if (x > *right) *right = x;
      if (y < *top) *top = y;
      if (y > *bottom) *bottom = y;
    }
  }
  return found;
}

void Canvas::Save(const std::string& name) {
  const char* dir = std::getenv("VELLOMAR_DRAWING_PNG_DIR");
  if (dir == nullptr || *dir == '\0') return;
  cairo_surface_flush(surface_);
#ifdef CAIRO_HAS_PNG_FUNCTIONS
  cairo_surface_write_to_png(surface_, (std::string(dir) + "/" + name + ".png").c_str());
#else
  // The Windows builds' cairo writes no PNG (the runner encodes its own).
  (void)name;
#endif
}

std::string Describe(const Rgb& colour) {
  return "(" + std::to_string(colour.red) + "," + std::to_string(colour.green) + "," +
         std::to_string(colour.blue) + ")";
}

}  // namespace testing_canvas
}  // namespace runner
