// Readers for the generated pictures, icons and sounds: just enough of RIFF, BMP and ICO to
// check what the asset tool wrote. Every reader throws std::runtime_error on a malformed file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quendal::test {

using Bytes = std::vector<std::uint8_t>;

// The bytes of a file of the build's asset folder.
Bytes ReadAsset(const std::string& name);
// The names of every file in the build's asset folder, sorted.
std::vector<std::string> ListAssets();

std::uint16_t Get16(const Bytes& bytes, std::size_t offset);
std::uint32_t Get32(const Bytes& bytes, std::size_t offset);

struct RiffChunk {
  std::string id;
  std::size_t offset;  // of the chunk's payload
  std::uint32_t size;
};

struct RiffFile {
  std::string form;
  std::uint32_t riffSize;
  std::vector<RiffChunk> chunks;  // in file order
};

RiffFile ParseRiff(const Bytes& bytes);

struct Rgb {
  std::uint8_t r, g, b;
  bool operator==(const Rgb&) const = default;
};

struct Bitmap {
  int width = 0;
  int height = 0;
  int bitCount = 0;
  std::vector<Rgb> palette;
  std::vector<std::uint8_t> indices;  // row-major, top row first

  Rgb Pixel(int x, int y) const { return palette.at(indices.at(y * width + x)); }
};

// An uncompressed 4- or 8-bit BMP file.
Bitmap ParseBmp(const Bytes& bytes);

struct IconImage {
  int width = 0;   // from the directory entry
  int height = 0;  // from the directory entry
  int bitCount = 0;
  int headerWidth = 0;              // from the image's own BITMAPINFOHEADER
  int headerHeight = 0;             // twice the height: colour rows and mask rows
  std::vector<std::uint32_t> argb;  // 32-bit images only, row-major, top row first
  std::vector<bool> masked;         // AND mask, row-major, top row first
};

// An .ico file whose images are uncompressed 8- or 32-bit DIBs with their AND masks; checks
// that each image's size in the directory matches its contents.
std::vector<IconImage> ParseIco(const Bytes& bytes);

}  // namespace quendal::test
