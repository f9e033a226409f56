#include "runner/drawing/bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "common/ascii_case.h"
#include "runner/base/files.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 32768
#include <stb/stb_image.h>

namespace runner {

namespace {

namespace fs = std::filesystem;

// BMP files larger than this are refused unread: a bitmap of the largest
// size allowed at 32 bits a pixel, with room for headers.
constexpr uintmax_t kMaxFileBytes = static_cast<uintmax_t>(kMaxBitmapPixels) * 4 + (1 << 20);

// `folder`/`part`, with `part` matched in any case when not there as written.
bool FindPart(const fs::path& folder, const std::string& part, fs::path* found) {
  std::error_code error;
  const fs::path exact = folder / fs::u8path(part);
  if (fs::exists(exact, error)) {
    *found = exact;
    return true;
  }
  fs::directory_iterator entries(folder.empty() ? fs::path(".") : folder, error);
  if (error) return false;
  for (const fs::directory_entry& entry : entries) {
    if (vellomar::EqualFolded(entry.path().filename().u8string(), part)) {
      *found = folder / entry.path().filename();
      return true;
    }
  }
  return false;
}

// `name` ('/'-separated parts) under `folder`, each part in any case.
bool FindPath(const fs::path& folder, const std::string& name, fs::path* found) {
  fs::path at = folder;
  size_t start = 0;
  while (start < name.size()) {
    size_t end = name.find('/', start);
    if (end == std::string::npos) end = name.size();
    const std::string part = name.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    if (!FindPart(at, part, &at)) return false;
  }
  std::error_code error;
  return fs::is_regular_file(at, error) && (*found = at, true);
}

// Decodes a file whose header was checked into 8-bit RGBA; `channels` gets
// the file's own channel count.
bool DecodeRgba(const stbi_uc* data, int length, const char* damaged, Bitmap* bitmap, int* channels,
                std::string* problem) {
  int width = 0;
  int height = 0;
  stbi_uc* pixels = stbi_load_from_memory(data, length, &width, &height, channels, 4);
  if (pixels == nullptr) {
    *problem = damaged + std::string(stbi_failure_reason());
    return false;
  }
  bitmap->width = width;
  bitmap->height = height;
  bitmap->rgba.assign(pixels,
                      pixels + static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  stbi_image_free(pixels);
  return true;
}

}  // namespace

bool DecodeBmp(std::string_view bytes, Bitmap* bitmap, std::string* problem) {
  *bitmap = Bitmap();
  if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M') {
    *problem = "not a BMP file";
    return false;
  }
  if (bytes.size() > kMaxFileBytes) {
    *problem = "a BMP file of " + std::to_string(bytes.size()) + " bytes is too large";
    return false;
  }
  const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
  const int length = static_cast<int>(bytes.size());
  // The header first: a damaged file may claim any size, and nothing is
  // decoded before the claim is checked.
  int width = 0;
  int height = 0;
  int channels = 0;
  if (bytes.size() >= 26) {
    // The size as the header states it (a negative height is top-down), so
    // that a huge claim is named even where the reader gives up early.
    const auto word = [&](size_t at) {
      return static_cast<int32_t>(
          static_cast<uint32_t>(data[at]) | static_cast<uint32_t>(data[at + 1]) << 8 |
          static_cast<uint32_t>(data[at + 2]) << 16 | static_cast<uint32_t>(data[at + 3]) << 24);
    };
    const uint32_t header = static_cast<uint32_t>(word(14));
    if (header >= 40) {
      const int64_t claimed_width = std::abs(int64_t{word(18)});
      const int64_t claimed_height = std::abs(int64_t{word(22)});
      if (claimed_width > kMaxBitmapSide || claimed_height > kMaxBitmapSide ||
          claimed_width * claimed_height > kMaxBitmapPixels) {
        *problem = "the BMP claims " + std::to_string(claimed_width) + " x " +
                   std::to_string(claimed_height) + " pixels, more than a gauge bitmap may have (" +
                   std::to_string(kMaxBitmapPixels) + " pixels, " + std::to_string(kMaxBitmapSide) +
                   " a side)";
        return false;
      }
    }
  }
  if (!stbi_info_from_memory(data, length, &width, &height, &channels)) {
    *problem = std::string("damaged or unsupported BMP: ") + stbi_failure_reason();
    return false;
  }
  // stb_image gives a top-down bitmap's height as written, negative.
  width = std::abs(width);
  height = std::abs(height);
  if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide ||
      int64_t{width} * height > kMaxBitmapPixels) {
    *problem = "the BMP claims " + std::to_string(width) + " x " + std::to_string(height) +
               " pixels, more than a gauge bitmap may have";
    return false;
  }
  if (!DecodeRgba(data, length, "damaged or unsupported BMP: ", bitmap, &channels, problem)) {
    return false;
  }
  if (channels == 4) {
    for (size_t i = 3; i < bitmap->rgba.size(); i += 4) {
      if (bitmap->rgba[i] != 255) {
        bitmap->has_alpha = true;
        break;
      }
    }
  }
  return true;
}

bool DecodePng(std::string_view bytes, Bitmap* bitmap, std::string* problem) {
  *bitmap = Bitmap();
  if (bytes.size() < 8 || bytes.substr(0, 8) != "\x89PNG\r\n\x1a\n" ||
      bytes.size() > kMaxFileBytes) {
    *problem = "not a PNG file";
    return false;
  }
  const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
  const int length = static_cast<int>(bytes.size());
  int width = 0;
  int height = 0;
  int channels = 0;
  if (!stbi_info_from_memory(data, length, &width, &height, &channels) ||
      int64_t{width} * height > kMaxBitmapPixels) {
    *problem = "damaged or too large PNG";
    return false;
  }
  if (!DecodeRgba(data, length, "damaged PNG: ", bitmap, &channels, problem)) return false;
  bitmap->has_alpha = true;
  return true;
}

bool LoadBmp(const std::string& path, Bitmap* bitmap, std::string* problem) {
  std::error_code error;
  const uintmax_t size = fs::file_size(fs::u8path(path), error);
  if (!error && size > kMaxFileBytes) {
    *problem = path + ": a BMP file of " + std::to_string(size) + " bytes is too large";
    return false;
  }
  std::string bytes;
  Diagnostic unreadable;
  if (!ReadRegularFile(path, &bytes, &unreadable)) {
    *problem = FormatDiagnostic(unreadable);
    return false;
  }
  if (!DecodeBmp(bytes, bitmap, problem)) {
    *problem = path + ": " + *problem;
    return false;
  }
  return true;
}

std::string FindBitmap(const std::string& folder, std::string_view name) {
  std::string wanted(name);
  std::replace(wanted.begin(), wanted.end(), '\\', '/');
  wanted.erase(0, wanted.find_first_not_of(" \t\r\n"));
  wanted.erase(wanted.find_last_not_of(" \t\r\n") + 1);
  if (wanted.empty()) return "";
  const size_t slash = wanted.rfind('/');
  const bool has_extension =
      wanted.find('.', slash == std::string::npos ? 0 : slash + 1) != std::string::npos;
  std::vector<std::string> names{wanted};
  if (!has_extension) names.push_back(wanted + ".bmp");
  const fs::path base = fs::u8path(folder);
  std::vector<fs::path> folders{base};
  for (const char* sub : {"1024", "640"}) {
    fs::path found;
    if (FindPart(base, sub, &found)) folders.push_back(found);
  }
  for (const fs::path& where : folders) {
    for (const std::string& candidate : names) {
      fs::path found;
      if (FindPath(where, candidate, &found)) return found.u8string();
    }
  }
  return "";
}

}  // namespace runner
