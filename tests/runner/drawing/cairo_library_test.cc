// The drawing library as the runner's pictures use it, on every build that
// has it: natively the system's cairo with fontconfig, on Windows the cairo
// compiled for the target with its win32 font backend. Shapes and a line of
// text go into an image surface, and pixels are read back.
#include <cairo.h>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <fontconfig/fontconfig.h>
#endif

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace {

// Frees the process-wide font caches after the tests, so that the leak
// checker reports only what the drawing leaks.
class FontCaches : public ::testing::Environment {
 public:
  void TearDown() override {
    cairo_debug_reset_static_data();
#ifndef _WIN32
    FcFini();
#endif
  }
};
const auto* const kFontCaches = ::testing::AddGlobalTestEnvironment(new FontCaches);

constexpr int kWidth = 240;
constexpr int kHeight = 100;

struct SurfaceDeleter {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct ContextDeleter {
  void operator()(cairo_t* context) const { cairo_destroy(context); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using Context = std::unique_ptr<cairo_t, ContextDeleter>;

struct Rgb {
  int r;
  int g;
  int b;
};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlue{0, 0, 255};

// An opaque white image with a context on it.
struct Canvas {
  Surface surface{cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight)};
  Context cr{cairo_create(surface.get())};

  Canvas() {
    cairo_set_source_rgb(cr.get(), 1, 1, 1);
    cairo_paint(cr.get());
  }

  // The colour at (x, y); the image is opaque, so premultiplying changed nothing.
  Rgb At(int x, int y) const {
    cairo_surface_flush(surface.get());
    const unsigned char* row = cairo_image_surface_get_data(surface.get()) +
                               y * cairo_image_surface_get_stride(surface.get());
    uint32_t argb = 0;
    std::memcpy(&argb, row + 4 * x, sizeof argb);
    return {static_cast<int>((argb >> 16) & 0xff), static_cast<int>((argb >> 8) & 0xff),
            static_cast<int>(argb & 0xff)};
  }

  bool Dark(int x, int y) const { return At(x, y).r < 128; }
};

std::string Describe(Rgb colour) {
  return std::to_string(colour.r) + "," + std::to_string(colour.g) + "," + std::to_string(colour.b);
}

TEST(CairoLibraryTest, FilledRectangleAndLineCoverTheirPixelsOnly) {
  Canvas canvas;
  cairo_t* cr = canvas.cr.get();
  cairo_set_source_rgb(cr, 1, 0, 0);
  cairo_rectangle(cr, 10, 20, 40, 30);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0, 0, 1);
  cairo_set_line_width(cr, 4);
  cairo_move_to(cr, 80, 10);
  cairo_line_to(cr, 80, 90);
  cairo_stroke(cr);
  ASSERT_EQ(cairo_status(cr), CAIRO_STATUS_SUCCESS) << cairo_status_to_string(cairo_status(cr));

  struct Probe {
    const char* name;
    int x;
    int y;
    Rgb colour;
  };
  const Probe probes[] = {
      {"rectangle, top left pixel", 10, 20, kRed},
      {"rectangle, middle", 30, 35, kRed},
      {"rectangle, bottom right pixel", 49, 49, kRed},
      {"left of the rectangle", 9, 35, kWhite},
      {"below the rectangle", 30, 50, kWhite},
      {"line, left half", 78, 50, kBlue},
      {"line, right half", 81, 50, kBlue},
      {"left of the line", 77, 50, kWhite},
      {"right of the line", 82, 50, kWhite},
      {"above the line", 80, 9, kWhite},
      {"background", 200, 5, kWhite},
  };
  for (const Probe& probe : probes) {
    const Rgb got = canvas.At(probe.x, probe.y);
    EXPECT_TRUE(got.r == probe.colour.r && got.g == probe.colour.g && got.b == probe.colour.b)
        << probe.name << ": " << Describe(got) << " at " << probe.x << "," << probe.y;
  }
}

// Arial, or on Linux its metric twin Liberation Sans: the capital H is 0.722
// em wide. Other sans fonts differ by 3% or more (DejaVu Sans and Tahoma 0.752),
// which a run of four H at 100 pixels tells apart. Its cap height is about 0.7
// em in both (hinting rounds it).
TEST(CairoLibraryTest, ArialTextHasArialMetrics) {
  Canvas canvas;
  cairo_t* cr = canvas.cr.get();
  cairo_select_font_face(cr, "Arial", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 100);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, "HHHH", &extents);
  ASSERT_EQ(cairo_status(cr), CAIRO_STATUS_SUCCESS) << cairo_status_to_string(cairo_status(cr));
  EXPECT_NEAR(extents.x_advance, 4 * 72.2, 4.0);
  EXPECT_NEAR(extents.height, 70.0, 4.0);
}

TEST(CairoLibraryTest, TextInksItsGlyphsAndLeavesTheGapsBetween) {
  Canvas canvas;
  cairo_t* cr = canvas.cr.get();
  cairo_select_font_face(cr, "Arial", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 40);
  const double origin_x = 130;
  const double origin_y = 70;
  cairo_text_extents_t one;
  cairo_text_extents(cr, "H", &one);
  cairo_text_extents_t two;
  cairo_text_extents(cr, "HH", &two);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_move_to(cr, origin_x, origin_y);
  cairo_show_text(cr, "HH");
  ASSERT_EQ(cairo_status(cr), CAIRO_STATUS_SUCCESS) << cairo_status_to_string(cairo_status(cr));
  ASSERT_GT(two.width, 40.0);
  ASSERT_GT(two.height, 20.0);

  // Inside the glyphs' box: the stems and bars are ink, a fair share of it.
  const int left = static_cast<int>(origin_x + two.x_bearing);
  const int top = static_cast<int>(origin_y + two.y_bearing);
  const int right = static_cast<int>(origin_x + two.x_bearing + two.width);
  const int bottom = static_cast<int>(origin_y + two.y_bearing + two.height);
  int dark_inside = 0;
  int dark_outside = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      if (!canvas.Dark(x, y)) continue;
      if (x >= left - 1 && x <= right + 1 && y >= top - 1 && y <= bottom + 1) {
        ++dark_inside;
      } else {
        ++dark_outside;
      }
    }
  }
  const int box = (right - left) * (bottom - top);
  EXPECT_GT(dark_inside, box / 4) << "box " << left << "," << top << " to " << right << ","
                                  << bottom;
  EXPECT_LT(dark_inside, box * 3 / 4) << "the text is a filled block";
  EXPECT_EQ(dark_outside, 0);

  // Below the cross bar the letters are apart: between them is paper, while
  // the middle of the first one's left stem (0.05 em into its ink; the stem
  // is 0.1 em wide) is ink.
  const int low_y = static_cast<int>(origin_y - one.height / 4);
  const double gap_x = origin_x + one.x_advance;
  const double stem_x = origin_x + one.x_bearing + 0.05 * 40;
  EXPECT_FALSE(canvas.Dark(static_cast<int>(gap_x), low_y)) << "between the letters, x " << gap_x;
  EXPECT_TRUE(canvas.Dark(static_cast<int>(stem_x), low_y)) << "left stem, x " << stem_x;
}

}  // namespace
