// The fonts gauge texts are drawn with.
//
// Gauges name Windows fonts ("Arial", "Courier New") and fonts of the
// simulator's own ("Glass Gauge", "Quartz"). A name is looked up, in order:
//   1. as it is written, among the fonts added with AddDirectory (the
//      author's own, which win) and the system's fonts;
//   2. through the substitution table (kFontSubstitutes in fonts.cc, listed
//      in docs/drawing-text.md): metric-compatible Liberation fonts for
//      Arial, Times New Roman and Courier New, a seven-segment font for
//      Quartz, a condensed sans for Glass Gauge, ...; the first candidate
//      installed is used;
//   3. otherwise the fallback sans face, with one warning per name.
// On Linux the system's fonts are fontconfig's; on Windows, GDI's. Faces are
// cairo "toy" faces, so cairo's own font backend (FreeType with fontconfig,
// or win32) renders them.
//
// Thread safety: none; one library serves one drawing thread.
#ifndef VELLOMAR_RUNNER_DRAWING_FONTS_H_
#define VELLOMAR_RUNNER_DRAWING_FONTS_H_

#include <cairo.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "runner/base/diagnostics.h"
#include "runner/base/place.h"

namespace runner {

class FontLibrary {
 public:
  // What a gauge's font name is drawn with.
  struct Resolution {
    std::string requested;     // as the gauge writes it
    std::string family;        // the family drawn
    bool bold = false;         // the substitute is the bold face ("Arial Black")
    bool substituted = false;  // not the font named, but a listed substitute
    bool missing = false;      // neither: the fallback face (and a warning)
  };

  // `diagnostics` (not owned, may be null, must outlive the library) gets
  // the warnings of fonts not found.
  explicit FontLibrary(Diagnostics* diagnostics);
  FontLibrary(const FontLibrary&) = delete;
  FontLibrary& operator=(const FontLibrary&) = delete;
  // Releases the faces (and, on Windows, the fonts added).
  ~FontLibrary();

  // Makes the font files in `dir` (.ttf, .otf, .ttc, .fon; UTF-8 path) known
  // by their family names, ahead of the system's fonts of the same names.
  // Call before the first Resolve/Face. False with the reason in *problem
  // when `dir` is not a readable directory.
  bool AddDirectory(const std::string& dir, std::string* problem);

  // Resolves `name` (blanks around it ignored; case does not matter) once
  // and remembers it; the first time a name falls back, a warning goes to
  // the diagnostics with `place`. The reference stays valid as long as the
  // library.
  const Resolution& Resolve(std::string_view name, const Place& place);

  // A face for `name` in the weight and slant asked for (a bold substitute
  // is bold in any case). Never null; owned by the library and valid as
  // long as it (cairo_font_face_reference it to keep it longer).
  cairo_font_face_t* Face(std::string_view name, bool bold, bool italic, const Place& place);

  // Every name resolved so far, sorted by name.
  std::vector<Resolution> resolutions() const;

 private:
  static bool HasFamily(const std::string& family);

  Diagnostics* diagnostics_;
  std::map<std::string, Resolution> resolved_;       // by lower-case name
  std::map<std::string, cairo_font_face_t*> faces_;  // by family, weight and slant
  std::vector<std::wstring> added_files_;            // Windows only: to remove again
};

// Frees what cairo and fontconfig keep for the whole process (font caches,
// the font configuration), so that a leak checker sees only real leaks. Call
// it at most once, at exit, after every cairo object and FontLibrary is gone.
void ReleaseFontCaches();

}  // namespace runner

#endif  // VELLOMAR_RUNNER_DRAWING_FONTS_H_
