// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/JpegDecoder.h"

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <new>
#include <utility>

#include "common/RegularFile.h"
#include "common/VantorError.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <jerror.h>
#include <jpeglib.h>

namespace vantor {
namespace {

// Files larger than this are not pictures this program has any use for; refusing them
// up front keeps a stray multi-gigabyte file from exhausting memory.
constexpr std::size_t kMaxFileBytes = 256u * 1024u * 1024u;

enum class Failure { kNone, kLibjpeg, kTooLarge, kTooManyScans };

// libjpeg reports errors by calling error_exit, which must not return. It jumps back to
// RunDecoder's setjmp point; the C++ exception is thrown only after that, once no libjpeg
// frame is left on the stack.
struct ErrorManager {
  jpeg_error_mgr pub;  // first member: libjpeg only sees this part
  std::jmp_buf jump;
  Failure failure;
  int code;
};

struct ProgressMonitor {
  jpeg_progress_mgr pub;  // first member, as above
  int maxScans;
};

// Everything the decoding touches lives here, in the caller's frame (on the heap), so no
// local variable of the setjmp frame is modified between setjmp and longjmp.
struct DecodeJob {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  ProgressMonitor progress;
  JpegLimits limits;
  DecodedPicture picture;
  std::vector<std::uint8_t> cmykRow;
};

[[noreturn]] void Fail(j_common_ptr cinfo, Failure failure) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  err->failure = failure;
  err->code = cinfo->err->msg_code;
  std::longjmp(err->jump, 1);
}

void OnError(j_common_ptr cinfo) {
  Fail(cinfo, Failure::kLibjpeg);
}

// Warnings after which the picture is still whole.
bool IsHarmlessWarning(int code) {
  return code == JWRN_EXTRANEOUS_DATA || code == JWRN_JFIF_MAJOR || code == JWRN_ADOBE_XFORM ||
         code == JWRN_BOGUS_ICC;
}

void OnMessage(j_common_ptr cinfo, int msgLevel) {
  // Levels 0 and above are trace messages, off by default; -1 is a warning.
  if (msgLevel < 0 && !IsHarmlessWarning(cinfo->err->msg_code)) Fail(cinfo, Failure::kLibjpeg);
}

void OnOutput(j_common_ptr) {}  // nothing goes to stderr

// A progressive file may carry any number of scans, each a pass over the whole picture;
// a crafted one with thousands of them would hold the program for minutes.
void OnProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  const auto* monitor = reinterpret_cast<ProgressMonitor*>(cinfo->progress);
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > monitor->maxScans)
    Fail(cinfo, Failure::kTooManyScans);
}

std::uint8_t Mul255(unsigned a, unsigned b) {
  return static_cast<std::uint8_t>((a * b + 127) / 255);
}

// Runs libjpeg. Returns false when it failed (the reason is in job.err).
bool RunDecoder(DecodeJob& job, const std::uint8_t* data, std::size_t size) {
  if (setjmp(job.err.jump) != 0) return false;

  jpeg_create_decompress(&job.cinfo);
  job.cinfo.progress = &job.progress.pub;
  jpeg_mem_src(&job.cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&job.cinfo, TRUE);

  const std::int64_t w = job.cinfo.image_width, h = job.cinfo.image_height;
  if (w > job.limits.maxSide || h > job.limits.maxSide || w * h > job.limits.maxPixels) {
    job.err.failure = Failure::kTooLarge;
    return false;
  }

  const bool cmyk =
      job.cinfo.jpeg_color_space == JCS_CMYK || job.cinfo.jpeg_color_space == JCS_YCCK;
  job.cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_start_decompress(&job.cinfo);

  const auto width = static_cast<std::size_t>(job.cinfo.output_width);
  const auto height = static_cast<std::size_t>(job.cinfo.output_height);
  job.picture.width = static_cast<int>(width);
  job.picture.height = static_cast<int>(height);
  job.picture.rgb.resize(width * height * 3);
  if (cmyk) job.cmykRow.resize(width * 4);
  // Adobe writes CMYK inverted (0 = full ink); files without its marker hold plain ink.
  const bool inverted = job.cinfo.saw_Adobe_marker != 0;

  while (job.cinfo.output_scanline < job.cinfo.output_height) {
    const std::size_t y = job.cinfo.output_scanline;
    std::uint8_t* out = job.picture.rgb.data() + y * width * 3;
    JSAMPROW row = cmyk ? job.cmykRow.data() : out;
    if (jpeg_read_scanlines(&job.cinfo, &row, 1) != 1) {
      // The memory source never suspends; no row means no more data.
      job.err.failure = Failure::kLibjpeg;
      job.err.code = JWRN_JPEG_EOF;
      return false;
    }
    if (!cmyk) continue;
    for (std::size_t x = 0; x < width; ++x) {
      const std::uint8_t* p = &job.cmykRow[x * 4];
      const unsigned c = inverted ? p[0] : 255u - p[0], m = inverted ? p[1] : 255u - p[1],
                     ye = inverted ? p[2] : 255u - p[2], k = inverted ? p[3] : 255u - p[3];
      out[x * 3 + 0] = Mul255(c, k);
      out[x * 3 + 1] = Mul255(m, k);
      out[x * 3 + 2] = Mul255(ye, k);
    }
  }
  // Every row has been delivered: whatever follows the last scan is of no use here, so
  // the decompressor is released without reading on to the end marker.
  return true;
}

}  // namespace

DecodedPicture DecodeJpegBytes(const std::uint8_t* data, std::size_t size,
                               const JpegLimits& limits) {
  if (data == nullptr) size = 0;
  auto job = std::make_unique<DecodeJob>();  // value-initialised: cinfo zeroed
  job->limits = limits;
  job->cinfo.err = jpeg_std_error(&job->err.pub);
  job->err.pub.error_exit = OnError;
  job->err.pub.emit_message = OnMessage;
  job->err.pub.output_message = OnOutput;
  job->progress.pub.progress_monitor = OnProgress;
  job->progress.maxScans = limits.maxScans;

  struct Release {
    jpeg_decompress_struct* cinfo;
    ~Release() { jpeg_destroy_decompress(cinfo); }  // safe on a zeroed or half-made object
  } release{&job->cinfo};

  static const std::uint8_t kNoData = 0;
  bool decoded = false;
  try {
    decoded = RunDecoder(*job, data != nullptr ? data : &kNoData, size);
  } catch (const std::bad_alloc&) {
    // Only the picture's own buffers are allocated outside libjpeg (which reports its
    // own shortage as an error number).
    throw VantorError("M\xC3\xA9moire insuffisante pour l'image (" +
                      std::to_string(job->cinfo.image_width) + " \xC3\x97 " +
                      std::to_string(job->cinfo.image_height) + " pixels)");
  }
  if (decoded) return std::move(job->picture);

  switch (job->err.failure) {
    case Failure::kTooLarge:
      throw VantorError("Image trop grande (" + std::to_string(job->cinfo.image_width) +
                        " \xC3\x97 " + std::to_string(job->cinfo.image_height) + " pixels)");
    case Failure::kTooManyScans:
      throw VantorError("Image JPEG anormale (plus de " + std::to_string(limits.maxScans) +
                        " passes)");
    default:
      throw VantorError("Erreur JPEG #" + std::to_string(job->err.code));
  }
}

DecodedPicture DecodeJpegFile(const std::string& path, const JpegLimits& limits) {
  // Opened without blocking: a named pipe in place of a picture is refused at once.
  std::string bytes;
  if (!ReadRegularFile(path, kMaxFileBytes, bytes))
    throw VantorError("Le fichier " + path + " est trop volumineux pour une image");
  return DecodeJpegBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), limits);
}

}  // namespace vantor
