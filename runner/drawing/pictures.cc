#include "runner/drawing/pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>

namespace runner {

namespace {

namespace fs = std::filesystem;

// A sheet larger than this is refused before anything is drawn.
constexpr int64_t kMaxSheetPixels = int64_t{1} << 27;
constexpr int64_t kMaxPictureSide = 32767;  // cairo's largest image
constexpr int kMargin = 8;
constexpr int kLabel = 16;

bool ParseCount(const std::string& text, int* value) {
  if (text.empty() || text.size() > 9 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  *value = std::atoi(text.c_str());
  return true;
}

void Append(void* context, void* data, int size) {
  static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                             static_cast<size_t>(size));
}

}  // namespace

bool ParseFrameList(const std::string& text, int last, std::vector<int>* frames,
                    std::string* problem) {
  frames->clear();
  const auto bad = [&](const std::string& part, const std::string& why) {
    *problem = "--png-frames '" + text + "': '" + part + "' " + why;
    return false;
  };
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    std::string part = text.substr(start, end - start);
    start = end + 1;
    part.erase(0, part.find_first_not_of(' '));
    part.erase(part.find_last_not_of(' ') + 1);
    int first = 0;
    int final = 0;
    int step = 1;
    if (part == "all") {
      first = 1;
      final = last;
    } else if (part == "last") {
      first = final = last;
    } else {
      std::string range = part;
      const size_t slash = range.find('/');
      if (slash != std::string::npos) {
        if (!ParseCount(range.substr(slash + 1), &step) || step < 1) {
          return bad(part, "has no step of 1 or more after '/'");
        }
        range.erase(slash);
      }
      const size_t dash = range.find('-');
      if (dash == std::string::npos) {
        if (!ParseCount(range, &first)) {
          return bad(part, "is not a frame number, a range A-B, 'all' or 'last'");
        }
        final = first;
        if (slash != std::string::npos) return bad(part, "has a step but no range");
      } else if (!ParseCount(range.substr(0, dash), &first) ||
                 !ParseCount(range.substr(dash + 1), &final) || final < first) {
        return bad(part, "is not a range A-B of frames with A <= B");
      }
      if (first < 1 || final > last) {
        return bad(part, "is outside the run's frames 1 to " + std::to_string(last));
      }
    }
    for (int frame = first; frame <= final; frame += step) frames->push_back(frame);
  }
  std::sort(frames->begin(), frames->end());
  frames->erase(std::unique(frames->begin(), frames->end()), frames->end());
  return true;
}

std::string EncodePng(const Picture& picture) {
  std::string bytes;
  stbi_write_png_to_func(Append, &bytes, picture.width, picture.height, 4, picture.rgba.data(),
                         picture.width * 4);
  return bytes;
}

bool WritePng(const Picture& picture, const std::string& path, std::string* problem) {
  const std::string bytes = EncodePng(picture);
  std::ofstream out(fs::u8path(path), std::ios::binary | std::ios::trunc);
  if (out) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (bytes.empty() || !out || !out.flush()) {
    *problem = "cannot write the picture " + path;
    return false;
  }
  return true;
}

PictureRun::PictureRun(const PictureOptions& options, Diagnostics* diagnostics)
    : options_(options), diagnostics_(diagnostics) {}

PictureRun::~PictureRun() = default;

bool PictureRun::Start(const Panel& panel, int frames, std::string* problem) {
  if (!(options_.scale > 0 && options_.scale <= 16)) {
    *problem = "--scale must be above 0 and at most 16";
    return false;
  }
  if (!ParseFrameList(options_.frames.empty() ? "last" : options_.frames, frames, &frames_,
                      problem)) {
    return false;
  }
  if (!options_.png_dir.empty()) {
    std::error_code error;
    fs::create_directories(fs::u8path(options_.png_dir), error);
    if (!fs::is_directory(fs::u8path(options_.png_dir), error)) {
      *problem = "--png " + options_.png_dir + ": not a folder that can be made";
      return false;
    }
  }
  fonts_ = std::make_unique<FontLibrary>(diagnostics_);
  if (!options_.fonts.empty() && !fonts_->AddDirectory(options_.fonts, problem)) {
    *problem = "--fonts " + options_.fonts + ": " + *problem;
    return false;
  }
  int64_t sheet_width = 0;
  int64_t sheet_height = kMargin;
  for (int g = 0; g < panel.gauges(); ++g) {
    const GaugeModel& model = panel.model(g);
    renderers_.push_back(std::make_unique<GaugeRenderer>(model, fonts_.get(), diagnostics_));
    std::string name = fs::u8path(model.file).stem().u8string();
    if (name.empty()) name = "gauge";
    for (const std::string& other : names_) {
      if (other == name) name += "_" + std::to_string(g + 1);
    }
    names_.push_back(name);
    const GaugeRenderer& renderer = *renderers_.back();
    const auto width = static_cast<int64_t>(std::ceil(renderer.width() * options_.scale));
    const auto height = static_cast<int64_t>(std::ceil(renderer.height() * options_.scale));
    if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxSheetPixels) {
      *problem = model.file + " drawn at --scale " + std::to_string(options_.scale) + " is " +
                 std::to_string(width) + " x " + std::to_string(height) +
                 " pixels, more than a picture may have";
      return false;
    }
    sheet_width = std::max<int64_t>(
        sheet_width, kMargin + static_cast<int64_t>(frames_.size()) * (width + kMargin));
    sheet_height += kLabel + height + kMargin;
  }
  if (!options_.sheet.empty() && sheet_width * sheet_height > kMaxSheetPixels) {
    *problem = "--sheet: " + std::to_string(frames_.size()) + " frames of these gauges make " +
               std::to_string(sheet_width) + " x " + std::to_string(sheet_height) +
               " pixels, too many for one picture; choose fewer with --png-frames or a "
               "smaller --scale";
    return false;
  }
  sheet_.resize(renderers_.size());
  return true;
}

bool PictureRun::Wanted(int frame) const {
  return std::binary_search(frames_.begin(), frames_.end(), frame);
}

bool PictureRun::Frame(int frame, const std::vector<GaugeFrame>& gauges, std::string* problem) {
  for (size_t g = 0; g < renderers_.size() && g < gauges.size(); ++g) {
    Picture picture;
    renderers_[g]->Draw(gauges[g], options_.scale, &picture);
    if (!options_.png_dir.empty()) {
      const fs::path path = fs::u8path(options_.png_dir) /
                            fs::u8path(names_[g] + "-" + std::to_string(frame) + ".png");
      if (!WritePng(picture, path.u8string(), problem)) return false;
    }
    if (!options_.sheet.empty()) sheet_[g].push_back(std::move(picture));
  }
  return true;
}

bool PictureRun::Finish(std::string* problem) {
  if (options_.sheet.empty()) return true;
  int width = kMargin;
  int height = kMargin;
  for (const auto& row : sheet_) {
    int row_width = kMargin;
    int row_height = 0;
    for (const Picture& picture : row) {
      row_width += picture.width + kMargin;
      row_height = std::max(row_height, picture.height);
    }
    width = std::max(width, row_width);
    height += kLabel + row_height + kMargin;
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 0.25, 0.25, 0.25);
  cairo_paint(cr);
  cairo_set_font_size(cr, 12);
  int y = kMargin;
  for (size_t g = 0; g < sheet_.size(); ++g) {
    int x = kMargin;
    int row_height = 0;
    for (size_t i = 0; i < sheet_[g].size(); ++i) {
      const Picture& picture = sheet_[g][i];
      std::string label = "frame " + std::to_string(frames_[i]);
      if (sheet_.size() > 1) label.insert(0, names_[g] + " ");
      cairo_set_source_rgb(cr, 1, 1, 1);
      cairo_move_to(cr, x, y + 12);
      cairo_show_text(cr, label.c_str());
      cairo_surface_t* cell = SurfaceFromPicture(picture);
      cairo_set_source_surface(cr, cell, x, y + kLabel);
      cairo_paint(cr);
      cairo_surface_destroy(cell);
      x += picture.width + kMargin;
      row_height = std::max(row_height, picture.height);
    }
    y += kLabel + row_height + kMargin;
  }
  cairo_destroy(cr);
  Picture sheet;
  PictureFromSurface(surface, &sheet);
  cairo_surface_destroy(surface);
  return WritePng(sheet, options_.sheet, problem);
}

}  // namespace runner
