// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// JPEG decoding for the wiring and tuning-method pictures, straight on libjpeg.
//
// Every failure throws VantorError with a French text:
//   "Impossible d'ouvrir le fichier %s"  the file cannot be opened or read (%s = path as given),
//                                        or is not a regular file (opened without blocking,
//                                        a second line says what it is);
//   "Erreur JPEG #%d"                     libjpeg refused the data (%d = its message number);
//   "Image trop grande (%d × %d pixels)"  the picture exceeds the size limits below;
//   "Image JPEG anormale (plus de %d passes)"  a progressive file with absurdly many scans;
//   "Mémoire insuffisante pour l'image (%d × %d pixels)"  no room for the decoded pixels.
//
// Damaged data is refused rather than shown half grey: libjpeg's warnings that mean part
// of the picture is missing or garbled (premature end of file or of a data segment, bad
// Huffman or arithmetic code, lost restart markers, inconsistent progression) abort the
// decoding with "Erreur JPEG #n", n being the warning's own number. The harmless warnings
// (extraneous bytes before a marker, unknown JFIF revision, unknown Adobe transform,
// unreadable ICC profile) are ignored and the picture is delivered.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vantor {

// A decoded picture: width × height pixels, rows top to bottom, 3 bytes (R, G, B) a pixel.
struct DecodedPicture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
};

// Bounds that protect the program from files claiming enormous dimensions.
struct JpegLimits {
  int maxSide = 16384;                   // pixels, on either side
  std::int64_t maxPixels = 100'000'000;  // width × height
  int maxScans = 1000;                   // scans of a progressive file
};

// Reads the file at `path` (used as given: UTF-8 bytes, accents included) and decodes it.
// Grayscale, RGB, YCbCr, CMYK and YCCK pictures all come out as RGB.
DecodedPicture DecodeJpegFile(const std::string& path, const JpegLimits& limits = {});

// Decodes a JPEG held in memory. `data` may be null only when `size` is 0.
DecodedPicture DecodeJpegBytes(const std::uint8_t* data, std::size_t size,
                               const JpegLimits& limits = {});

}  // namespace vantor
