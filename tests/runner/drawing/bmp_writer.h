// Writes Windows BMP files of any depth a gauge bitmap may have, for tests
// that need bitmaps: 1, 4 and 8 bits with a palette of the colours used, 16
// bits as 5-5-5, 24 bits, and 32 bits with the alpha byte (0xAARRGGBB; an
// alpha of 0 is written as 255 for the depths without alpha).
#ifndef VELLOMAR_TESTS_RUNNER_DRAWING_BMP_WRITER_H_
#define VELLOMAR_TESTS_RUNNER_DRAWING_BMP_WRITER_H_

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace runner {

inline void PutLittle(std::string* out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// `pixels` are 0xRRGGBB (0xAARRGGBB at 32 bits), rows top to bottom.
inline std::string MakeBmp(int width, int height, int bits, const std::vector<uint32_t>& pixels,
                           bool top_down = false) {
  std::vector<uint32_t> palette;
  if (bits <= 8) {
    for (uint32_t pixel : pixels) {
      if (std::find(palette.begin(), palette.end(), pixel & 0xFFFFFF) == palette.end()) {
        palette.push_back(pixel & 0xFFFFFF);
      }
    }
    palette.resize(size_t{1} << bits, 0);
  }
  const uint32_t row_bytes = (static_cast<uint32_t>(width * bits) + 31) / 32 * 4;
  const uint32_t offset = 14 + 40 + static_cast<uint32_t>(palette.size()) * 4;
  const uint32_t size = offset + row_bytes * static_cast<uint32_t>(height);
  std::string out = "BM";
  PutLittle(&out, size, 4);
  PutLittle(&out, 0, 4);
  PutLittle(&out, offset, 4);
  PutLittle(&out, 40, 4);
  PutLittle(&out, static_cast<uint32_t>(width), 4);
  PutLittle(&out, static_cast<uint32_t>(top_down ? -height : height), 4);
  PutLittle(&out, 1, 2);
  PutLittle(&out, static_cast<uint32_t>(bits), 2);
  PutLittle(&out, 0, 4);  // BI_RGB
  PutLittle(&out, row_bytes * static_cast<uint32_t>(height), 4);
  PutLittle(&out, 2835, 4);
  PutLittle(&out, 2835, 4);
  PutLittle(&out, static_cast<uint32_t>(palette.size()), 4);
  PutLittle(&out, 0, 4);
  for (uint32_t colour : palette) PutLittle(&out, colour, 4);  // blue, green, red, 0
  for (int r = 0; r < height; ++r) {
    const int y = top_down ? r : height - 1 - r;
    std::string row;
    uint32_t bitbuffer = 0;
    int used = 0;
    for (int x = 0; x < width; ++x) {
      const uint32_t pixel = pixels[static_cast<size_t>(y * width + x)];
      if (bits <= 8) {
        const auto index = static_cast<uint32_t>(
            std::find(palette.begin(), palette.end(), pixel & 0xFFFFFF) - palette.begin());
        bitbuffer = bitbuffer << bits | index;
        used += bits;
        if (used == 8) {
          row.push_back(static_cast<char>(bitbuffer));
          bitbuffer = 0;
          used = 0;
        }
      } else if (bits == 16) {
        const uint32_t red = (pixel >> 19) & 0x1F;
        const uint32_t green = (pixel >> 11) & 0x1F;
        const uint32_t blue = (pixel >> 3) & 0x1F;
        PutLittle(&row, red << 10 | green << 5 | blue, 2);
      } else if (bits == 24) {
        PutLittle(&row, pixel & 0xFFFFFF, 3);
      } else {
        PutLittle(&row, pixel, 4);
      }
    }
    if (used > 0) row.push_back(static_cast<char>(bitbuffer << (8 - used)));
    row.resize(row_bytes, 0);
    out += row;
  }
  return out;
}

}  // namespace runner

#endif  // VELLOMAR_TESTS_RUNNER_DRAWING_BMP_WRITER_H_
