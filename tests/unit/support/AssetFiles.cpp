#include "support/AssetFiles.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace quendal::test {

namespace {

constexpr std::size_t kInfoHeaderSize = 40;

void Require(bool condition, const std::string& what) {
  if (!condition) throw std::runtime_error(what);
}

std::string Tag(const Bytes& bytes, std::size_t offset) {
  Require(offset + 4 <= bytes.size(), "truncated tag");
  return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                     bytes.begin() + static_cast<std::ptrdiff_t>(offset + 4));
}

std::size_t RowStride(int width, int bits) {
  return (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
}

struct InfoHeader {
  int width;
  int height;
  int bitCount;
  std::uint32_t coloursUsed;
};

InfoHeader ParseInfoHeader(const Bytes& bytes, std::size_t offset) {
  Require(Get32(bytes, offset) == kInfoHeaderSize, "not a BITMAPINFOHEADER");
  Require(Get16(bytes, offset + 12) == 1, "planes must be 1");
  Require(Get32(bytes, offset + 16) == 0, "compressed bitmap");
  return {static_cast<std::int32_t>(Get32(bytes, offset + 4)),
          static_cast<std::int32_t>(Get32(bytes, offset + 8)), Get16(bytes, offset + 14),
          Get32(bytes, offset + 32)};
}

std::size_t PaletteSize(const InfoHeader& header) {
  if (header.bitCount > 8) return 0;
  return header.coloursUsed != 0 ? header.coloursUsed : std::size_t{1} << header.bitCount;
}

std::vector<Rgb> ReadPalette(const Bytes& bytes, std::size_t offset, std::size_t count) {
  Require(offset + 4 * count <= bytes.size(), "truncated palette");
  std::vector<Rgb> palette;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = offset + 4 * i;
    palette.push_back({bytes[at + 2], bytes[at + 1], bytes[at]});
  }
  return palette;
}

// Pixel values of bottom-up rows of 1, 4, 8 or 32 bits, returned top row first.
std::vector<std::uint32_t> ReadRows(const Bytes& bytes, std::size_t offset, int width, int height,
                                    int bits) {
  const std::size_t stride = RowStride(width, bits);
  Require(offset + stride * height <= bytes.size(), "truncated pixel rows");
  std::vector<std::uint32_t> values;
  for (int y = 0; y < height; ++y) {
    const std::size_t row = offset + stride * static_cast<std::size_t>(height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const std::size_t bit = static_cast<std::size_t>(x) * bits;
      const std::uint8_t byte = bytes[row + bit / 8];
      switch (bits) {
        case 1:
          values.push_back((byte >> (7 - bit % 8)) & 1);
          break;
        case 4:
          values.push_back(bit % 8 == 0 ? byte >> 4 : byte & 0x0F);
          break;
        case 8:
          values.push_back(byte);
          break;
        case 32:
          values.push_back(Get32(bytes, row + bit / 8));
          break;
        default:
          throw std::runtime_error("unsupported bit depth");
      }
    }
  }
  return values;
}

IconImage ParseIconImage(const Bytes& bytes, std::size_t entry) {
  IconImage image;
  image.width = bytes.at(entry) == 0 ? 256 : bytes.at(entry);
  image.height = bytes.at(entry + 1) == 0 ? 256 : bytes.at(entry + 1);
  Require(Get16(bytes, entry + 4) == 1, "icon planes must be 1");
  image.bitCount = Get16(bytes, entry + 6);
  const std::uint32_t size = Get32(bytes, entry + 8);
  const std::uint32_t offset = Get32(bytes, entry + 12);
  Require(std::size_t{offset} + size <= bytes.size(), "icon image beyond the file");

  const InfoHeader header = ParseInfoHeader(bytes, offset);
  image.headerWidth = header.width;
  image.headerHeight = header.height;
  Require(header.bitCount == image.bitCount, "directory and image disagree on the bit depth");
  // A directory byte of 0 stands for a side of 256 or more, which the image's header gives.
  if (bytes.at(entry) == 0 && header.width > 256) image.width = header.width;
  Require(header.width == image.width && header.height == 2 * image.height,
          "directory and image disagree on the size");
  const std::size_t colours = offset + kInfoHeaderSize + 4 * PaletteSize(header);
  const std::size_t mask = colours + RowStride(image.width, image.bitCount) * image.height;
  Require(mask + RowStride(image.width, 1) * image.height == std::size_t{offset} + size,
          "icon image size does not match its rows");
  if (image.bitCount == 32) {
    image.argb = ReadRows(bytes, colours, image.width, image.height, 32);
  }
  for (const auto bit : ReadRows(bytes, mask, image.width, image.height, 1)) {
    image.masked.push_back(bit != 0);
  }
  return image;
}

}  // namespace

Bytes ReadAsset(const std::string& name) {
  const std::string path = std::string(QUENDAL_ASSETS_DIR) + "/" + name;
  std::ifstream in(path, std::ios::binary);
  Require(static_cast<bool>(in), "cannot read " + path);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> ListAssets() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(QUENDAL_ASSETS_DIR)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::uint16_t Get16(const Bytes& bytes, std::size_t offset) {
  Require(offset + 2 <= bytes.size(), "read beyond the end");
  return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

std::uint32_t Get32(const Bytes& bytes, std::size_t offset) {
  Require(offset + 4 <= bytes.size(), "read beyond the end");
  return std::uint32_t{Get16(bytes, offset)} | std::uint32_t{Get16(bytes, offset + 2)} << 16;
}

RiffFile ParseRiff(const Bytes& bytes) {
  Require(Tag(bytes, 0) == "RIFF", "not a RIFF file");
  RiffFile file{Tag(bytes, 8), Get32(bytes, 4), {}};
  const std::size_t end = std::min<std::size_t>(bytes.size(), std::size_t{file.riffSize} + 8);
  for (std::size_t at = 12; at + 8 <= end;) {
    RiffChunk chunk{Tag(bytes, at), at + 8, Get32(bytes, at + 4)};
    Require(chunk.offset + chunk.size <= end, "chunk " + chunk.id + " runs past the RIFF end");
    file.chunks.push_back(chunk);
    at = chunk.offset + chunk.size + chunk.size % 2;
  }
  return file;
}

Bitmap ParseBmp(const Bytes& bytes) {
  Require(bytes.size() >= 14 && bytes[0] == 'B' && bytes[1] == 'M', "not a BMP file");
  Require(Get32(bytes, 2) == bytes.size(), "BMP file size field is wrong");
  const InfoHeader header = ParseInfoHeader(bytes, 14);
  Require(header.bitCount == 4 || header.bitCount == 8, "not a 4- or 8-bit bitmap");
  Require(header.width > 0 && header.height > 0, "not a bottom-up bitmap");
  Bitmap bitmap;
  bitmap.width = header.width;
  bitmap.height = header.height;
  bitmap.bitCount = header.bitCount;
  bitmap.palette = ReadPalette(bytes, 14 + kInfoHeaderSize, PaletteSize(header));
  const std::uint32_t pixels = Get32(bytes, 10);
  Require(pixels == 14 + kInfoHeaderSize + 4 * bitmap.palette.size(),
          "pixel offset does not follow the palette");
  for (const auto index : ReadRows(bytes, pixels, bitmap.width, bitmap.height, bitmap.bitCount)) {
    Require(index < bitmap.palette.size(), "pixel outside the palette");
    bitmap.indices.push_back(static_cast<std::uint8_t>(index));
  }
  return bitmap;
}

std::vector<IconImage> ParseIco(const Bytes& bytes) {
  Require(Get16(bytes, 0) == 0 && Get16(bytes, 2) == 1, "not an icon file");
  std::vector<IconImage> images;
  const int count = Get16(bytes, 4);
  for (int i = 0; i < count; ++i) images.push_back(ParseIconImage(bytes, 6 + 16 * std::size_t(i)));
  return images;
}

}  // namespace quendal::test
