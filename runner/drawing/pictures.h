// The pictures of a run: --png DIR writes the chosen frames of every gauge
// as PNG files (DIR/NAME-FRAME.png, NAME the gauge file's name without its
// extension), --sheet FILE puts them side by side in one PNG, a row per
// gauge and a column per frame, each labelled with its frame number.
// --scale draws them larger or smaller. PNGs are encoded with
// stb_image_write.
#ifndef VELLOMAR_RUNNER_DRAWING_PICTURES_H_
#define VELLOMAR_RUNNER_DRAWING_PICTURES_H_

#include <memory>
#include <string>
#include <vector>

#include "runner/base/diagnostics.h"
#include "runner/drawing/renderer.h"
#include "runner/gauges/panel.h"

namespace runner {

struct PictureOptions {
  std::string png_dir;  // --png: empty for none
  std::string frames;   // --png-frames: empty for the last frame
  double scale = 1;     // --scale
  std::string sheet;    // --sheet: empty for none
  std::string fonts;    // --fonts: a folder of the author's fonts, or empty
  bool wanted() const { return !png_dir.empty() || !sheet.empty(); }
};

// Reads a list of frames: "1,10,20-40", a step "1-100/10", "all", "last",
// each between 1 and `last`. Sorted, without repeats. False with the reason.
bool ParseFrameList(const std::string& text, int last, std::vector<int>* frames,
                    std::string* problem);

// Encodes `picture` as PNG bytes.
std::string EncodePng(const Picture& picture);
// Writes `picture` as a PNG file; false with the reason.
bool WritePng(const Picture& picture, const std::string& path, std::string* problem);

class PictureRun {
 public:
  // `diagnostics` gets the warnings of bitmaps that are missing.
  PictureRun(const PictureOptions& options, Diagnostics* diagnostics);
  ~PictureRun();

  // Checks the options against a run of `frames` frames and readies one
  // renderer per gauge of `panel` (which must keep element states). False
  // with the reason (a bad --png-frames or --scale, a folder that cannot be
  // made, a --fonts folder that cannot be read, a sheet too large).
  bool Start(const Panel& panel, int frames, std::string* problem);
  // Whether frame `frame` is drawn.
  bool Wanted(int frame) const;
  // Draws the gauges of a wanted frame and writes their PNGs. False with the
  // reason when a file cannot be written.
  bool Frame(int frame, const std::vector<GaugeFrame>& gauges, std::string* problem);
  // Writes the sheet, if one was asked for.
  bool Finish(std::string* problem);

 private:
  PictureOptions options_;
  Diagnostics* diagnostics_;
  std::vector<int> frames_;
  std::vector<std::string> names_;  // per gauge, for file names and the sheet
  std::unique_ptr<FontLibrary> fonts_;
  std::vector<std::unique_ptr<GaugeRenderer>> renderers_;
  std::vector<std::vector<Picture>> sheet_;  // per gauge, per frame drawn
};

}  // namespace runner

#endif  // VELLOMAR_RUNNER_DRAWING_PICTURES_H_
