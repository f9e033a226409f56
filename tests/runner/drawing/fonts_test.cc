#include "runner/drawing/fonts.h"

#include <gtest/gtest.h>

#include <sstream>

namespace runner {
namespace {

// The substitutes are what tools/install-deps installs; on Windows the
// system's fonts are used instead.
#ifndef _WIN32
TEST(FontLibraryTest, SubstitutesTheFontsGaugesName) {
  struct Case {
    const char* name;
    const char* family;
    bool bold;
  };
  const Case cases[] = {
      {"Arial", "Liberation Sans", false},
      {"arial", "Liberation Sans", false},
      {" Times New Roman ", "Liberation Serif", false},
      {"Courier New", "Liberation Mono", false},
      {"Quartz", "DSEG7 Classic", false},
      {"Glass Gauge", "Liberation Sans Narrow", false},
      {"Arial Black", "DejaVu Sans", true},
  };
  std::ostringstream err;
  Diagnostics diagnostics(&err);
  FontLibrary fonts(&diagnostics);
  for (const Case& c : cases) {
    const FontLibrary::Resolution& resolution = fonts.Resolve(c.name, Place{});
    EXPECT_EQ(resolution.family, c.family) << c.name;
    EXPECT_TRUE(resolution.substituted) << c.name;
    EXPECT_FALSE(resolution.missing) << c.name;
    EXPECT_EQ(resolution.bold, c.bold) << c.name;
  }
  EXPECT_EQ(diagnostics.warnings(), 0) << err.str();
}

TEST(FontLibraryTest, AnInstalledFontIsUsedAsNamed) {
  FontLibrary fonts(nullptr);
  const FontLibrary::Resolution& resolution = fonts.Resolve("DejaVu Sans Mono", Place{});
  EXPECT_EQ(resolution.family, "DejaVu Sans Mono");
  EXPECT_FALSE(resolution.substituted);
  EXPECT_FALSE(resolution.missing);
}

TEST(FontLibraryTest, AMissingFontWarnsOnceAndFallsBack) {
  std::ostringstream err;
  Diagnostics diagnostics(&err);
  FontLibrary fonts(&diagnostics);
  const Place place{"gauge.xml", 12, 5};
  for (int i = 0; i < 3; ++i) {
    const FontLibrary::Resolution& resolution = fonts.Resolve("No Such Font", place);
    EXPECT_TRUE(resolution.missing);
    EXPECT_EQ(resolution.family, "DejaVu Sans");
    cairo_font_face_t* face = fonts.Face("no such font", i == 1, i == 2, place);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(cairo_font_face_status(face), CAIRO_STATUS_SUCCESS);
  }
  EXPECT_EQ(diagnostics.warnings(), 1);
  EXPECT_NE(err.str().find("gauge.xml:12:5: warning: font 'No Such Font' not found; drawn with "
                           "'DejaVu Sans'"),
            std::string::npos)
      << err.str();
  ASSERT_EQ(fonts.resolutions().size(), 1u);
}
#endif

TEST(FontLibraryTest, FacesAreSharedByFamilyWeightAndSlant) {
  FontLibrary fonts(nullptr);
  cairo_font_face_t* regular = fonts.Face("Arial", false, false, Place{});
  EXPECT_EQ(fonts.Face("ARIAL", false, false, Place{}), regular);
  EXPECT_NE(fonts.Face("Arial", true, false, Place{}), regular);
  EXPECT_NE(fonts.Face("Arial", false, true, Place{}), regular);
}

TEST(FontLibraryTest, AddDirectoryRefusesWhatIsNotADirectory) {
  FontLibrary fonts(nullptr);
  std::string problem;
  EXPECT_FALSE(fonts.AddDirectory("/no/such/fonts", &problem));
  EXPECT_EQ(problem, "font folder '/no/such/fonts' is not a directory");
  EXPECT_TRUE(fonts.AddDirectory(".", &problem)) << problem;
}

}  // namespace
}  // namespace runner
