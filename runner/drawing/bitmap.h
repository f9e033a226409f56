// Gauge bitmaps: Windows BMP files (1, 4, 8, 16, 24 or 32 bits a pixel,
// bottom-up or top-down, uncompressed or with bit fields) read with
// stb_image, and found beside the gauge file as the simulator finds them.
#ifndef VELLOMAR_RUNNER_DRAWING_BITMAP_H_
#define VELLOMAR_RUNNER_DRAWING_BITMAP_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace runner {

// Pixels as red, green, blue, alpha bytes, rows top to bottom. Palettised
// pixels are read as their palette colour.
struct Bitmap {
  int width = 0;
  int height = 0;
  bool has_alpha = false;  // some pixel's alpha is not 255
  std::vector<uint8_t> rgba;
};

// A gauge bitmap may have at most this many pixels (a 8192 x 8192 strip),
// and neither side more than kMaxBitmapSide: a file that claims more is
// refused before anything is decoded.
constexpr int64_t kMaxBitmapPixels = int64_t{1} << 26;
constexpr int kMaxBitmapSide = 32768;

// Decodes a BMP file's bytes. False with the reason ("not a BMP file",
// "damaged BMP: ...", "claims 100000 x 100000 pixels, ...") in `*problem`.
bool DecodeBmp(std::string_view bytes, Bitmap* bitmap, std::string* problem);

// Decodes a PNG file's bytes (the pictures this stage writes, to compare
// them with others), with the same limits as a bitmap.
bool DecodePng(std::string_view bytes, Bitmap* bitmap, std::string* problem);

// Reads and decodes the BMP file at `path`.
bool LoadBmp(const std::string& path, Bitmap* bitmap, std::string* problem);

// Finds the bitmap an element names, as the simulator does: relative to the
// gauge's folder, then its `1024` and `640` sub-folders; every part of the
// name (and the sub-folders') in any case; ".bmp" added to a name without an
// extension; '\' read as '/'. An empty string when there is none.
std::string FindBitmap(const std::string& folder, std::string_view name);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_DRAWING_BITMAP_H_
