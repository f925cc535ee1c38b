// JPEG decoding and encoding through libjpeg. libjpeg reports errors by calling a function that
// must not return, so this is the one file that uses setjmp/longjmp; the functions that hold a
// jmp_buf keep only plain locals, so the jump skips no destructor.

#include "QvCodecInternal.h"
#include "QvImageProperties.h"
#include "QvProgress.h"

#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <functional>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace {

struct TJpegError {
  jpeg_error_mgr Manager;
  jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnJpegError(j_common_ptr info) {
  auto* error = reinterpret_cast<TJpegError*>(info->err);
  info->err->format_message(info, error->Message);
  longjmp(error->Jump, 1);
}

void OnJpegMessage(j_common_ptr info, int level) {
  if (level < 0 && IsJpegDamageWarning(info->err->msg_code)) OnJpegError(info);
}

void InstallErrorManager(TJpegError& error) {
  jpeg_std_error(&error.Manager);
  error.Manager.error_exit = OnJpegError;
  error.Manager.emit_message = OnJpegMessage;
  error.Message[0] = 0;
}

enum TDecodeResult { DecodeOk, DecodeFailed, DecodeRefused };

int32_t DotsPerInch(int unit, unsigned density) {
  if (unit == 1) return int32_t(density);
  if (unit == 2) return int32_t(density * 254u / 100u);
  return 0;
}

// Adobe's CMYK files store the inks inverted (255 = no ink); plain CMYK stores ink amounts.
void CmykToBgr(const uint8_t* cmyk, uint8_t* bgr, uint32_t width, bool inverted) {
  for (uint32_t x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    uint32_t c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    bgr[ChannelBlue] = uint8_t((y * k + 127) / 255);
    bgr[ChannelGreen] = uint8_t((m * k + 127) / 255);
    bgr[ChannelRed] = uint8_t((c * k + 127) / 255);
  }
}

TDecodeResult DecodeCore(const uint8_t* data, unsigned long size, int scale, bool headerOnly,
                         TQvRowTarget* target, TQvImageHeader* header, char* message) {
  jpeg_decompress_struct info;
  TJpegError error;
  uint8_t* volatile cmykRow = nullptr;
  volatile TDecodeResult refused = DecodeFailed;
  info.err = nullptr;
  InstallErrorManager(error);
  info.err = &error.Manager;
  if (setjmp(error.Jump)) {
    jpeg_destroy_decompress(&info);
    std::free(cmykRow);
    std::memcpy(message, error.Message, JMSG_LENGTH_MAX);
    return refused;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, size);
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) ERREXIT(&info, JERR_NO_IMAGE);

  bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  header->SourceFormat = PixelFormat24;
  header->ResolutionX = DotsPerInch(info.density_unit, info.X_density);
  header->ResolutionY = DotsPerInch(info.density_unit, info.Y_density);
  if (headerOnly) {
    header->Width = int32_t(info.image_width);
    header->Height = int32_t(info.image_height);
    jpeg_destroy_decompress(&info);
    return DecodeOk;
  }
  info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  info.scale_num = 1;
  info.scale_denom = unsigned(scale);
  jpeg_start_decompress(&info);
  header->Width = int32_t(info.output_width);
  header->Height = int32_t(info.output_height);
  if (!target->Begin(*header)) {
    refused = DecodeRefused;
    ERREXIT(&info, JERR_OUT_OF_MEMORY);
  }
  if (cmyk) {
    cmykRow = static_cast<uint8_t*>(std::malloc(size_t(info.output_width) * 4));
    if (!cmykRow) {
      refused = DecodeRefused;
      ERREXIT(&info, JERR_OUT_OF_MEMORY);
    }
  }
  const bool inverted = info.saw_Adobe_marker;
  while (info.output_scanline < info.output_height) {
    const int32_t y = int32_t(info.output_scanline);
    uint8_t* row = target->RowBuffer(y);
    JSAMPROW rows[1] = {cmyk ? cmykRow : row};
    if (jpeg_read_scanlines(&info, rows, 1) != 1) ERREXIT(&info, JERR_INPUT_EOF);
    if (cmyk) CmykToBgr(cmykRow, row, info.output_width, inverted);
    target->RowDone(y);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  std::free(cmykRow);
  return DecodeOk;
}

struct TEncodeInput {
  const uint8_t* Bits;
  int64_t Stride;
  uint32_t Width, Height;
  int Quality;
  int32_t ResolutionX, ResolutionY;
  const uint8_t* Exif;
  size_t ExifSize;
  const uint8_t* Xmp;
  size_t XmpSize;
  const uint8_t* Icc;
  size_t IccSize;
};

const char ExifPrefix[6] = {'E', 'x', 'i', 'f', 0, 0};
const char XmpPrefix[] = "http://ns.adobe.com/xap/1.0/";  // written with its terminating zero
constexpr size_t MaxMarkerData = 65533;

void WritePrefixedMarker(j_compress_ptr info, int marker, const char* prefix, size_t prefixSize,
                         const uint8_t* data, size_t size) {
  jpeg_write_m_header(info, marker, unsigned(prefixSize + size));
  for (size_t i = 0; i < prefixSize; ++i) jpeg_write_m_byte(info, prefix[i]);
  for (size_t i = 0; i < size; ++i) jpeg_write_m_byte(info, data[i]);
}

// Compressed bytes handed on a megabyte at a time: the file is written while it is encoded and
// never exists whole in memory.
struct TChunkDestination {
  jpeg_destination_mgr Manager;
  const std::function<bool(const uint8_t*, size_t)>* Write;
  std::vector<JOCTET> Buffer;
  bool WriteFailed;
};

void InitDestination(j_compress_ptr info) {
  auto* destination = reinterpret_cast<TChunkDestination*>(info->dest);
  destination->Manager.next_output_byte = destination->Buffer.data();
  destination->Manager.free_in_buffer = destination->Buffer.size();
}

boolean EmptyDestination(j_compress_ptr info) {
  auto* destination = reinterpret_cast<TChunkDestination*>(info->dest);
  // libjpeg hands back a full buffer whatever free_in_buffer says.
  if (!(*destination->Write)(destination->Buffer.data(), destination->Buffer.size())) {
    destination->WriteFailed = true;
    ERREXIT(info, JERR_FILE_WRITE);
  }
  destination->Manager.next_output_byte = destination->Buffer.data();
  destination->Manager.free_in_buffer = destination->Buffer.size();
  return TRUE;
}

void TermDestination(j_compress_ptr info) {
  auto* destination = reinterpret_cast<TChunkDestination*>(info->dest);
  const size_t used = destination->Buffer.size() - destination->Manager.free_in_buffer;
  if (used > 0 && !(*destination->Write)(destination->Buffer.data(), used)) {
    destination->WriteFailed = true;
    ERREXIT(info, JERR_FILE_WRITE);
  }
}

bool EncodeCore(const TEncodeInput* input, TChunkDestination* destination, char* message) {
  jpeg_compress_struct info;
  TJpegError error;
  InstallErrorManager(error);
  info.err = &error.Manager;
  if (setjmp(error.Jump)) {
    jpeg_destroy_compress(&info);
    std::memcpy(message, error.Message, JMSG_LENGTH_MAX);
    return false;
  }
  jpeg_create_compress(&info);
  destination->Manager.init_destination = InitDestination;
  destination->Manager.empty_output_buffer = EmptyDestination;
  destination->Manager.term_destination = TermDestination;
  info.dest = &destination->Manager;
  info.image_width = input->Width;
  info.image_height = input->Height;
  info.input_components = 3;
  info.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, input->Quality, TRUE);
  if (input->ResolutionX > 0 && input->ResolutionY > 0 && input->ResolutionX <= 65535 &&
      input->ResolutionY <= 65535) {
    info.density_unit = 1;
    info.X_density = UINT16(input->ResolutionX);
    info.Y_density = UINT16(input->ResolutionY);
  }
  jpeg_start_compress(&info, TRUE);
  if (input->ExifSize > 0 && input->ExifSize + sizeof ExifPrefix <= MaxMarkerData)
    WritePrefixedMarker(&info, JPEG_APP0 + 1, ExifPrefix, sizeof ExifPrefix, input->Exif, input->ExifSize);
  if (input->XmpSize > 0 && input->XmpSize + sizeof XmpPrefix <= MaxMarkerData)
    WritePrefixedMarker(&info, JPEG_APP0 + 1, XmpPrefix, sizeof XmpPrefix, input->Xmp, input->XmpSize);
  if (input->IccSize > 0 && input->IccSize <= UINT_MAX / 2)
    jpeg_write_icc_profile(&info, input->Icc, unsigned(input->IccSize));
  const uint8_t* row = input->Bits;
  for (uint32_t y = 0; y < input->Height; ++y, row += input->Stride) {
    QvReportProgress(y, input->Height);
    JSAMPROW rows[1] = {const_cast<JSAMPROW>(row)};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

}  // namespace

// libjpeg only warns about these and goes on, filling the rest of the picture with grey or noise.
// A picture that is not what the file holds must not open as if it were.
bool IsJpegDamageWarning(int code) {
  switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
      return true;
    default:
      return false;
  }
}

bool JpegDecode(const uint8_t* data, uint64_t size, int scaleDenominator, TQvRowTarget& target,
                QString& reason) {
  reason.clear();
  if (size < 4 || size > ULONG_MAX) return false;
  char message[JMSG_LENGTH_MAX] = {};
  TQvImageHeader header;
  const TDecodeResult result =
      DecodeCore(data, static_cast<unsigned long>(size), scaleDenominator, false, &target, &header, message);
  if (result == DecodeOk) return true;
  // A refusal by the target carries no library text; the caller names it (memory, size).
  if (result == DecodeFailed) reason = QString::fromLocal8Bit(message);
  return false;
}

bool JpegReadHeader(const uint8_t* data, uint64_t size, TQvImageHeader& header) {
  if (size < 4 || size > ULONG_MAX) return false;
  char message[JMSG_LENGTH_MAX] = {};
  return DecodeCore(data, static_cast<unsigned long>(size), 1, true, nullptr, &header, message) == DecodeOk;
}

int JpegScaleFor(int32_t width, int32_t height, int32_t minWidth, int32_t minHeight) {
  for (int denominator = 8; denominator > 1; denominator /= 2) {
    const int64_t w = (int64_t(width) + denominator - 1) / denominator;
    const int64_t h = (int64_t(height) + denominator - 1) / denominator;
    if (w >= minWidth && h >= minHeight) return denominator;
  }
  return 1;
}

bool JpegWrite(const TQvPixels& pixels, const TRect& area, int quality, int32_t resolutionX,
               int32_t resolutionY, const TQvMetadataBlobs& metadata,
               const std::function<bool(const uint8_t*, size_t)>& write, QString& reason) {
  reason.clear();
  if (area.IsEmpty() || pixels.Format != PixelFormat24) return false;
  TEncodeInput input{};
  input.Bits = pixels.PixelAt(area.Left, area.Top);
  input.Stride = pixels.Stride;
  input.Width = uint32_t(area.Width());
  input.Height = uint32_t(area.Height());
  input.Quality = quality < 0 ? 0 : (quality > 100 ? 100 : quality);
  input.ResolutionX = resolutionX;
  input.ResolutionY = resolutionY;
  input.Exif = metadata.Exif.data();
  input.ExifSize = metadata.Exif.size();
  input.Xmp = reinterpret_cast<const uint8_t*>(metadata.Xmp.constData());
  input.XmpSize = size_t(metadata.Xmp.size());
  input.Icc = reinterpret_cast<const uint8_t*>(metadata.Icc.constData());
  input.IccSize = size_t(metadata.Icc.size());
  char message[JMSG_LENGTH_MAX] = {};
  TChunkDestination destination{};
  destination.Write = &write;
  try {
    destination.Buffer.resize(size_t(1) << 20);
  } catch (const std::bad_alloc&) {
    reason = QStringLiteral("not enough memory");
    return false;
  }
  const bool ok = EncodeCore(&input, &destination, message);
  // A refused write is the caller's to tell; it knows why.
  if (!ok && !destination.WriteFailed) reason = QString::fromLocal8Bit(message);
  return ok;
}
