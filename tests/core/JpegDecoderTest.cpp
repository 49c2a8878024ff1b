// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "common/JpegDecoder.h"
#include "common/VantorError.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <jerror.h>
#include <jpeglib.h>

namespace vantor {
namespace {

using Bytes = std::vector<std::uint8_t>;
using PixelFn = std::function<void(int x, int y, std::uint8_t* out)>;

struct EncodeOptions {
  J_COLOR_SPACE inputSpace = JCS_RGB;
  int components = 3;
  bool progressive = false;
  bool adobeMarker = true;  // only meaningful for CMYK
  int quality = 100;
};

// Writes a JPEG in memory with libjpeg's own encoder, the pixels given by `pixel`.
Bytes Encode(int width, int height, const PixelFn& pixel, const EncodeOptions& opt = {}) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = opt.components;
  cinfo.in_color_space = opt.inputSpace;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, opt.quality, TRUE);
  if (opt.inputSpace == JCS_CMYK) cinfo.write_Adobe_marker = opt.adobeMarker ? TRUE : FALSE;
  // No chroma subsampling, so colours stay sharp up to the block edges.
  for (int c = 0; c < cinfo.num_components; ++c) {
    cinfo.comp_info[c].h_samp_factor = 1;
    cinfo.comp_info[c].v_samp_factor = 1;
  }
  if (opt.progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width * opt.components));
  while (cinfo.next_scanline < cinfo.image_height) {
    const int y = static_cast<int>(cinfo.next_scanline);
    for (int x = 0; x < width; ++x) pixel(x, y, &row[static_cast<std::size_t>(x * opt.components)]);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

// Left half red, right half blue.
Bytes RedBlue(int width, int height, bool progressive = false) {
  EncodeOptions opt;
  opt.progressive = progressive;
  return Encode(
      width, height,
      [width](int x, int, std::uint8_t* p) {
        const bool left = x < width / 2;
        p[0] = left ? 255 : 0;
        p[1] = 0;
        p[2] = left ? 0 : 255;
      },
      opt);
}

std::string DecodeError(const Bytes& bytes, const JpegLimits& limits = {}) {
  try {
    DecodeJpegBytes(bytes.data(), bytes.size(), limits);
  } catch (const VantorError& e) {
    return e.what();
  }
  return "(aucune erreur)";
}

std::string FileError(const std::string& path) {
  try {
    DecodeJpegFile(path);
  } catch (const VantorError& e) {
    return e.what();
  }
  return "(aucune erreur)";
}

std::string JpegError(int code) {
  return "Erreur JPEG #" + std::to_string(code);
}

void ExpectPixelNear(const DecodedPicture& pic, int x, int y, int r, int g, int b, int tol) {
  const std::uint8_t* p = &pic.rgb[static_cast<std::size_t>((y * pic.width + x) * 3)];
  EXPECT_NEAR(p[0], r, tol) << "x=" << x << " y=" << y;
  EXPECT_NEAR(p[1], g, tol) << "x=" << x << " y=" << y;
  EXPECT_NEAR(p[2], b, tol) << "x=" << x << " y=" << y;
}

// Sets the dimensions written in the first baseline frame header (SOF0).
void PatchFrameSize(Bytes& bytes, int width, int height) {
  for (std::size_t i = 0; i + 9 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
      bytes[i + 5] = static_cast<std::uint8_t>(height >> 8);
      bytes[i + 6] = static_cast<std::uint8_t>(height & 0xFF);
      bytes[i + 7] = static_cast<std::uint8_t>(width >> 8);
      bytes[i + 8] = static_cast<std::uint8_t>(width & 0xFF);
      return;
    }
  }
  FAIL() << "no SOF0 marker";
}

TEST(JpegDecoderTest, DecodesColourPictureRowsTopToBottom) {
  // Top rows green, bottom rows white, odd width: checks row order and stride.
  const Bytes bytes = Encode(17, 16, [](int, int y, std::uint8_t* p) {
    p[0] = y < 8 ? 0 : 255;
    p[1] = 255;
    p[2] = y < 8 ? 0 : 255;
  });
  const DecodedPicture pic = DecodeJpegBytes(bytes.data(), bytes.size());
  ASSERT_EQ(pic.width, 17);
  ASSERT_EQ(pic.height, 16);
  ASSERT_EQ(pic.rgb.size(), 17u * 16u * 3u);
  ExpectPixelNear(pic, 3, 2, 0, 255, 0, 6);
  ExpectPixelNear(pic, 16, 13, 255, 255, 255, 6);

  const Bytes redBlue = RedBlue(32, 8);
  const DecodedPicture rb = DecodeJpegBytes(redBlue.data(), redBlue.size());
  ExpectPixelNear(rb, 2, 4, 255, 0, 0, 8);
  ExpectPixelNear(rb, 29, 4, 0, 0, 255, 8);
}

TEST(JpegDecoderTest, ProgressiveAndGrayscalePicturesComeOutAsRgb) {
  const Bytes progressive = RedBlue(32, 16, true);
  const DecodedPicture pic = DecodeJpegBytes(progressive.data(), progressive.size());
  ASSERT_EQ(pic.width, 32);
  ExpectPixelNear(pic, 3, 10, 255, 0, 0, 8);
  ExpectPixelNear(pic, 28, 10, 0, 0, 255, 8);

  EncodeOptions gray;
  gray.inputSpace = JCS_GRAYSCALE;
  gray.components = 1;
  const Bytes grayBytes = Encode(
      16, 16, [](int x, int, std::uint8_t* p) { p[0] = x < 8 ? 40 : 200; }, gray);
  const DecodedPicture g = DecodeJpegBytes(grayBytes.data(), grayBytes.size());
  ASSERT_EQ(g.rgb.size(), 16u * 16u * 3u);
  ExpectPixelNear(g, 2, 5, 40, 40, 40, 3);
  ExpectPixelNear(g, 13, 5, 200, 200, 200, 3);
}

TEST(JpegDecoderTest, CmykPicturesAreConvertedWithAndWithoutAdobeInversion) {
  // Ink amounts: left half magenta + yellow (red), right half cyan + 50 % black.
  const auto ink = [](int x, std::uint8_t* c) {
    const bool left = x < 8;
    c[0] = left ? 0 : 255;
    c[1] = left ? 255 : 0;
    c[2] = left ? 255 : 0;
    c[3] = left ? 0 : 128;
  };
  EncodeOptions opt;
  opt.inputSpace = JCS_CMYK;
  opt.components = 4;

  opt.adobeMarker = true;  // Adobe stores 255 - ink
  const Bytes adobe = Encode(
      16, 8,
      [&](int x, int, std::uint8_t* p) {
        ink(x, p);
        for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(255 - p[i]);
      },
      opt);
  opt.adobeMarker = false;  // plain ink amounts
  const Bytes plain = Encode(
      16, 8, [&](int x, int, std::uint8_t* p) { ink(x, p); }, opt);

  for (const Bytes* bytes : {&adobe, &plain}) {
    const DecodedPicture pic = DecodeJpegBytes(bytes->data(), bytes->size());
    ASSERT_EQ(pic.rgb.size(), 16u * 8u * 3u);
    ExpectPixelNear(pic, 2, 4, 255, 0, 0, 6);
    ExpectPixelNear(pic, 13, 4, 0, 127, 127, 6);  // cyan at half brightness
  }
}

TEST(JpegDecoderTest, FileIsReadFromTheAccentedPathAsGiven) {
  const Bytes bytes = RedBlue(16, 8);
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / "vantor-jpeg-test-d\xC3\xA9j\xC3\xA0";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "sch\xC3\xA9mapos.jpg").string();
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));

  const DecodedPicture pic = DecodeJpegFile(path);
  EXPECT_EQ(pic.width, 16);
  EXPECT_EQ(pic.height, 8);
  ExpectPixelNear(pic, 1, 1, 255, 0, 0, 8);

  // A folder or a named pipe in place of a file, and a missing file: the message names
  // the path as given, and the pipe is refused at once instead of blocking for good.
  EXPECT_EQ(FileError(dir.string()), "Impossible d'ouvrir le fichier " + dir.string() +
                                         "\nCause : c'est un dossier, pas un fichier");
  const std::string pipe = (dir / "sch\xC3\xA9mavit.jpg").string();
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_EQ(FileError(pipe), "Impossible d'ouvrir le fichier " + pipe +
                                 "\nCause : c'est un tube nommé, pas un fichier ordinaire");
  EXPECT_EQ(FileError("aide/sch\xC3\xA9mabsent.jpg"),
            "Impossible d'ouvrir le fichier aide/sch\xC3\xA9mabsent.jpg");
  std::filesystem::remove_all(dir);
}

TEST(JpegDecoderTest, CommittedTestCardDecodes) {
  const std::string root = VANTOR_SOURCE_DIR;
  // The test card: 64 × 48, white with a black frame and a red square in the middle.
  const DecodedPicture mire = DecodeJpegFile(root + "/tests/data/jpeg/mire.jpg");
  ASSERT_EQ(mire.width, 64);
  ASSERT_EQ(mire.height, 48);
  ExpectPixelNear(mire, 0, 0, 0, 0, 0, 40);
  ExpectPixelNear(mire, 10, 24, 255, 255, 255, 40);
  ExpectPixelNear(mire, 32, 24, 255, 0, 0, 40);
}

TEST(JpegDecoderTest, DataThatIsNotJpegGivesLibjpegMessageNumber) {
  const std::string text = "Ceci est un texte, pas une image.\r\n";
  EXPECT_EQ(DecodeError(Bytes(text.begin(), text.end())), JpegError(JERR_NO_SOI));
  EXPECT_EQ(DecodeError(Bytes{}), JpegError(JERR_INPUT_EMPTY));
  EXPECT_THROW(DecodeJpegBytes(nullptr, 0), VantorError);

  // The same through a file, as the viewers load them.
  const std::string path =
      (std::filesystem::temp_directory_path() / "vantor-pas-une-image.jpg").string();
  std::ofstream(path, std::ios::binary) << text;
  EXPECT_EQ(FileError(path), JpegError(JERR_NO_SOI));
  std::filesystem::remove(path);
}

TEST(JpegDecoderTest, TruncatedFileIsRefusedAtEveryCut) {
  for (bool progressive : {false, true}) {
    const Bytes whole = RedBlue(48, 40, progressive);
    ASSERT_NO_THROW(DecodeJpegBytes(whole.data(), whole.size()));
    // Every cut before the end marker leaves part of the picture missing.
    for (std::size_t n = 0; n + 2 < whole.size(); ++n) {
      const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
      const std::string message = DecodeError(cut);
      ASSERT_EQ(message.rfind("Erreur JPEG #", 0), 0u) << "cut at " << n << ": " << message;
    }
    // Cut inside the image data: the premature end of file is reported as such.
    const Bytes half(whole.begin(),
                     whole.begin() + static_cast<std::ptrdiff_t>(whole.size() * 3 / 4));
    EXPECT_EQ(DecodeError(half), JpegError(JWRN_JPEG_EOF));
  }
}

TEST(JpegDecoderTest, SizeLimitsAreCheckedBeforeDecoding) {
  Bytes wide = RedBlue(16, 8);
  PatchFrameSize(wide, 20000, 8);
  EXPECT_EQ(DecodeError(wide), "Image trop grande (20000 \xC3\x97 8 pixels)");

  Bytes tall = RedBlue(16, 8);
  PatchFrameSize(tall, 8, 16385);
  EXPECT_EQ(DecodeError(tall), "Image trop grande (8 \xC3\x97 16385 pixels)");

  // Both sides allowed, but 100 010 000 pixels in all.
  Bytes big = RedBlue(16, 8);
  PatchFrameSize(big, 10001, 10000);
  EXPECT_EQ(DecodeError(big), "Image trop grande (10001 \xC3\x97 10000 pixels)");

  // The limits themselves are allowed.
  const Bytes small = RedBlue(16, 8);
  JpegLimits exact;
  exact.maxSide = 16;
  exact.maxPixels = 128;
  EXPECT_NO_THROW(DecodeJpegBytes(small.data(), small.size(), exact));
  exact.maxPixels = 127;
  EXPECT_EQ(DecodeError(small, exact), "Image trop grande (16 \xC3\x97 8 pixels)");
}

TEST(JpegDecoderTest, ProgressiveFileWithTooManyScansIsRefused) {
  const Bytes progressive = RedBlue(16, 16, true);  // libjpeg's simple progression: 10 scans
  JpegLimits limits;
  limits.maxScans = 10;
  EXPECT_NO_THROW(DecodeJpegBytes(progressive.data(), progressive.size(), limits));
  limits.maxScans = 4;
  EXPECT_EQ(DecodeError(progressive, limits), "Image JPEG anormale (plus de 4 passes)");
}

}  // namespace
}  // namespace vantor
