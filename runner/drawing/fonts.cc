#include "runner/drawing/fonts.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <fontconfig/fontconfig.h>
#endif

#include "common/ascii_case.h"
#include "runner/base/text.h"

namespace runner {
namespace {

struct Substitute {
  const char* windows_name;  // lower case
  const char* families;      // candidates in order, separated by '|'
  bool bold;                 // the substitute is the bold face
};

// Fonts gauges name and what stands in for them where they are not
// installed. Liberation Sans, Serif and Mono have the metrics of Arial, Times
// New Roman and Courier New; DSEG7 draws seven-segment digits like the
// simulator's Quartz; Glass Gauge is a narrow sans. The Windows names at the
// end of some lists serve a Windows system without the first choices.
constexpr Substitute kFontSubstitutes[] = {
    {"arial", "Liberation Sans|DejaVu Sans", false},
    {"arial black", "DejaVu Sans|Liberation Sans|Arial", true},
    {"arial narrow", "Liberation Sans Narrow|DejaVu Sans Condensed", false},
    {"courier", "Liberation Mono|DejaVu Sans Mono|Courier New", false},
    {"courier new", "Liberation Mono|DejaVu Sans Mono", false},
    {"gill sans mt", "DejaVu Sans|Liberation Sans|Arial", false},
    {"glass gauge", "Liberation Sans Narrow|DejaVu Sans Condensed|Arial Narrow|Arial", false},
    {"helvetica", "Liberation Sans|DejaVu Sans|Arial", false},
    {"lucida console", "DejaVu Sans Mono|Liberation Mono|Courier New", false},
    {"microsoft sans serif", "Liberation Sans|DejaVu Sans|Arial", false},
    {"ms sans serif", "Liberation Sans|DejaVu Sans|Arial", false},
    {"quartz", "DSEG7 Classic|DejaVu Sans Mono|Courier New", false},
    {"tahoma", "DejaVu Sans|Liberation Sans|Arial", false},
    {"times new roman", "Liberation Serif|DejaVu Serif", false},
    {"verdana", "DejaVu Sans|Liberation Sans|Arial", false},
};

#ifdef _WIN32
constexpr const char* kFallbackFamilies = "Arial|Tahoma";
#else
constexpr const char* kFallbackFamilies = "DejaVu Sans|Liberation Sans";
#endif

// Calls `try_family` on each '|'-separated name until it returns true.
template <typename Function>
bool FirstOf(std::string_view families, Function try_family) {
  while (!families.empty()) {
    const size_t bar = families.find('|');
    const std::string family(families.substr(0, bar));
    if (try_family(family)) return true;
    if (bar == std::string_view::npos) break;
    families.remove_prefix(bar + 1);
  }
  return false;
}

#ifdef _WIN32
std::wstring Widen(std::string_view text) {
  if (text.empty()) return std::wstring();
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

int CALLBACK NoteFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}
#endif

}  // namespace

FontLibrary::FontLibrary(Diagnostics* diagnostics) : diagnostics_(diagnostics) {}

FontLibrary::~FontLibrary() {
  for (auto& [key, face] : faces_) cairo_font_face_destroy(face);
#ifdef _WIN32
  for (const std::wstring& file : added_files_) RemoveFontResourceExW(file.c_str(), FR_PRIVATE, 0);
#endif
}

bool FontLibrary::AddDirectory(const std::string& dir, std::string* problem) {
  std::error_code error;
#ifdef _WIN32
  const std::filesystem::path path(Widen(dir));
#else
  const std::filesystem::path path(dir);
#endif
  if (!std::filesystem::is_directory(path, error)) {
    *problem = "font folder '" + dir + "' is not a directory";
    return false;
  }
#ifdef _WIN32
  std::filesystem::directory_iterator entries(path, error);
  if (error) {
    *problem = "cannot read font folder '" + dir + "': " + error.message();
    return false;
  }
  for (const auto& entry : entries) {
    std::wstring extension = entry.path().extension().wstring();
    for (wchar_t& c : extension) c = static_cast<wchar_t>(towlower(c));
    if (extension != L".ttf" && extension != L".otf" && extension != L".ttc" &&
        extension != L".fon") {
      continue;
    }
    const std::wstring file = entry.path().wstring();
    if (AddFontResourceExW(file.c_str(), FR_PRIVATE, 0) > 0) added_files_.push_back(file);
  }
  return true;
#else
  if (!FcConfigAppFontAddDir(nullptr, reinterpret_cast<const FcChar8*>(dir.c_str()))) {
    *problem = "cannot read font folder '" + dir + "'";
    return false;
  }
  return true;
#endif
}

bool FontLibrary::HasFamily(const std::string& family) {
#ifdef _WIN32
  LOGFONTW wanted = {};
  wanted.lfCharSet = DEFAULT_CHARSET;
  const std::wstring wide = Widen(family);
  if (wide.empty() || wide.size() >= LF_FACESIZE) return false;
  std::copy(wide.begin(), wide.end(), wanted.lfFaceName);
  bool found = false;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExW(dc, &wanted, NoteFamily, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, dc);
  return found;
#else
  // fontconfig compares family names without regard to case or blanks.
  FcPattern* pattern = FcPatternCreate();
  if (pattern == nullptr) return false;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* fonts = objects != nullptr ? FcFontList(nullptr, pattern, objects) : nullptr;
  const bool found = fonts != nullptr && fonts->nfont > 0;
  if (fonts != nullptr) FcFontSetDestroy(fonts);
  if (objects != nullptr) FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  return found;
#endif
}

const FontLibrary::Resolution& FontLibrary::Resolve(std::string_view name, const Place& place) {
  name = Trim(name);
  const std::string key = vellomar::FoldAscii(std::string(name));
  const auto known = resolved_.find(key);
  if (known != resolved_.end()) return known->second;

  Resolution resolution;
  resolution.requested = std::string(name);
  bool found = !name.empty() && HasFamily(resolution.requested);
  if (found) resolution.family = resolution.requested;
  if (!found) {
    const auto* substitute =
        std::find_if(std::begin(kFontSubstitutes), std::end(kFontSubstitutes),
                     [&](const Substitute& entry) { return key == entry.windows_name; });
    if (substitute != std::end(kFontSubstitutes)) {
      found = FirstOf(substitute->families, [&](const std::string& family) {
        if (!HasFamily(family)) return false;
        resolution.family = family;
        return true;
      });
      resolution.substituted = found;
      resolution.bold = found && substitute->bold;
    }
  }
  if (!found) {
    resolution.missing = true;
    const bool fallback = FirstOf(kFallbackFamilies, [&](const std::string& family) {
      if (!HasFamily(family)) return false;
      resolution.family = family;
      return true;
    });
    if (!fallback) resolution.family = "sans-serif";
    if (diagnostics_ != nullptr) {
      Diagnostic warning;
      warning.place = place;
      warning.message =
          "font '" + resolution.requested + "' not found; drawn with '" + resolution.family + "'";
      diagnostics_->Report(warning);
    }
  }
  return resolved_.emplace(key, std::move(resolution)).first->second;
}

cairo_font_face_t* FontLibrary::Face(std::string_view name, bool bold, bool italic,
                                     const Place& place) {
  const Resolution& resolution = Resolve(name, place);
  bold = bold || resolution.bold;
  const std::string key = vellomar::FoldAscii(resolution.family) + (bold ? "|bold" : "|normal") +
                          (italic ? "|italic" : "|upright");
  const auto known = faces_.find(key);
  if (known != faces_.end()) return known->second;
  cairo_font_face_t* face = cairo_toy_font_face_create(
      resolution.family.c_str(), italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
      bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  faces_.emplace(key, face);
  return face;
}

void ReleaseFontCaches() {
  cairo_debug_reset_static_data();
#ifndef _WIN32
  FcFini();
#endif
}

std::vector<FontLibrary::Resolution> FontLibrary::resolutions() const {
  std::vector<Resolution> result;
  for (const auto& [key, resolution] : resolved_) result.push_back(resolution);
  return result;
}

}  // namespace runner
