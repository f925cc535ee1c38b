// Loading and saving a document's image.

#include "QvImageCodecs.h"

#include "QvPixelSnapshot.h"

#include "QvCodecInternal.h"
#include "QvCodecStrings.h"
#include "QvJpegEngineCore.h"
#include "QvVJPEG.h"

#include "QvFileOutput.h"

#include <QFile>

#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

namespace {

constexpr uint64_t QviHeaderSize = 16;

void Complement(const uint8_t* in, uint8_t* out) {
  for (uint64_t i = 0; i < QviHeaderSize; ++i) out[i] = uint8_t(~in[i]);
}

QString DamagedMessage(const QString& reason) { return CodecTextWithDetail(QvCodecString::Damaged, reason); }

bool DecodeKind(TQvFileKind kind, const uint8_t* data, uint64_t size, TQvRowTarget& target, QString& reason) {
  switch (kind) {
    case TQvFileKind::Jpeg: return JpegDecode(data, size, 1, target, reason);
    case TQvFileKind::Png: return PngDecode(data, size, target, reason);
    case TQvFileKind::Tiff: return TiffDecode(data, size, target, reason);
    case TQvFileKind::Bmp: return BmpDecode(data, size, target, reason);
    case TQvFileKind::Unknown: break;
  }
  return false;
}

int32_t FormatIdOf(TQvFileKind kind) {
  switch (kind) {
    case TQvFileKind::Jpeg: return QvFormatId::Jpeg;  // JFIF and Exif flavours alike
    case TQvFileKind::Tiff: return QvFormatId::Tiff;
    case TQvFileKind::Png: return QvFormatId::Png;
    case TQvFileKind::Bmp: return QvFormatId::Bmp;
    case TQvFileKind::Unknown: break;
  }
  return QvFormatId::PluginImage;
}

// The engine's transforms that turn its image upright for an EXIF orientation.
void OrientEngine(IVJPEG& engine, int orientation) {
  switch (orientation) {
    case 2: engine.FlipHorizontal(0); break;
    case 3: engine.FlipHorizontal(0); engine.FlipVertical(0); break;
    case 4: engine.FlipVertical(0); break;
    case 5: engine.RotateRight(0); engine.FlipHorizontal(0); break;
    case 6: engine.RotateRight(0); break;
    case 7: engine.RotateLeft(0); engine.FlipHorizontal(0); break;
    case 8: engine.RotateLeft(0); break;
    default: break;
  }
}

bool EngineHasFile(IVJPEG& engine, const QString& fileName) {
  try {
    return engine.LoadFromFile(fileName, 0) != 0;
  } catch (...) {
    return engine.IsLoaded() != 0;
  }
}

enum class TEngineLoad { Loaded, Failed, Declined };

// Declined: the engine took the header but could not decode the picture (damaged data); the
// decoder then opens the file or reports what is wrong with it.
TEngineLoad LoadThroughEngine(TQvLoadTarget& target, IVJPEG& engine, const uint8_t* data, uint64_t size,
                              QString& error) {
  OrientEngine(engine, engine.GetOrientation());
  const int32_t width = engine.GetWidth(), height = engine.GetHeight();
  if (!CheckImageSize(width, height)) {
    error = CodecText(QvCodecString::TooLarge);
    return TEngineLoad::Failed;
  }
  uint64_t needed = 0;
  if (!ImageMemoryAvailable(width, height, needed) || !target.Image->Allocate(width, height, PixelFormat24) ||
      !target.Image->Pixels()) {
    error = NeedsMemoryText(needed);
    return TEngineLoad::Failed;
  }
  TQvPixels* pixels = target.Image->Pixels();
  int32_t read = 0;
  {
    // Not for a read of a few rows: those pages are better left to fault as they are reached.
    std::optional<TQvPrepareAhead> prepare;
    if (target.Rows.empty()) prepare.emplace(*pixels, pixels->BoundsRect());
    read = target.Rows.empty() ? engine.ReadPixels(pixels->Bits, pixels->Stride, 0)
                               : engine.ReadPixelRows(pixels->Bits, pixels->Stride, target.Rows);
  }
  if (read == 0) {
    target.Image->Release();
    return TEngineLoad::Declined;
  }
  TQvImageHeader header;
  JpegReadHeader(data, size, header);
  ReadImageProperties(*target.Properties, data, size, header.ResolutionX, header.ResolutionY);
  // The rows are upright now; a tag still saying otherwise would turn them again in other viewers.
  ResetOrientationProperty(*target.Properties);
  target.SourceFormat = PixelFormat24;
  return TEngineLoad::Loaded;
}

// Hides the header of the JPEG written to fd in place: only its first bytes are rewritten.
bool HideOutputHeader(int fd) {
  uint8_t head[QviHeaderSize + 1];
  if (::pread(fd, head, sizeof head, 0) != ssize_t(sizeof head) || !HideHeader(head, sizeof head)) return false;
  return ::pwrite(fd, head, QviHeaderSize, 0) == ssize_t(QviHeaderSize);
}

// A file written whole into output takes the target's place: a QVI file's header hidden in place
// first.
bool CommitOutput(TQvFileOutput& output, bool qvi, QString& error) {
  if (qvi && !HideOutputHeader(output.Descriptor())) {
    error = CodecText(QvCodecString::CannotHideHeader);
    return false;
  }
  if (!output.Commit()) {
    error = CodecText(QvCodecString::CannotWrite, output.ErrorText());
    return false;
  }
  return true;
}

// The changed rectangles in the saved area's coordinates (its top left is 0, 0), cut to the area.
std::vector<TRect> ChangedRectsInArea(const std::vector<TRect>& changed, const TRect& area) {
  std::vector<TRect> rects;
  for (const TRect& rect : changed) {
    const TRect inside = IntersectRect(rect, area);
    if (!inside.IsEmpty())
      rects.push_back(TRect{inside.Left - area.Left, inside.Top - area.Top, inside.Right - area.Left,
                            inside.Bottom - area.Top});
  }
  return rects;
}

bool SaveThroughEngine(TQvSaveSource& source, const QString& fileName, const TRect& area, bool qvi, QString& error) {
  IVJPEG& engine = *source.Engine;
  engine.SetRegion(area.Left, area.Top, area.Right, area.Bottom);
  uint16_t quality[2] = {0, 0};
  engine.GetQualityValues(quality);
  TVJPEGSaveOptions options = MakeVJPEGSaveOptions(quality);
  TVJPEGPixels pixels{source.Pixels->PixelAt(area.Left, area.Top), source.Pixels->Stride};
  engine.WritePixels(pixels, source.Pixels->Stride, 0, 0);
  engine.SetChangedRects(ChangedRectsInArea(source.ChangedRects, area));
  // The engine writes straight into the output, which reaches the target's name only complete
  // (and, for QVI, with its header hidden).
  TQvFileOutput output(fileName);
  if (!output.Open()) {
    engine.Close();
    error = CodecText(QvCodecString::CannotWrite, output.ErrorText());
    return false;
  }
  bool saved = engine.SaveToOutput(output, options) != 0;
  if (!saved && output.Rewind()) {
    options.Values[7] = 0;
    saved = engine.SaveToOutput(output, options) != 0;
  }
  // After saving the whole picture the engine holds the saved file, so the next save after more
  // edits is lossless again. A part saved, or a failure, leaves it out of step with the document.
  if (!saved || area != source.Pixels->BoundsRect()) engine.Close();
  if (!saved) {
    error = output.ErrorText().isEmpty() ? CodecText(QvCodecString::EngineSaveFailed)
                                         : CodecText(QvCodecString::CannotWrite, output.ErrorText());
    return false;
  }
  return CommitOutput(output, qvi, error);
}

}  // namespace

bool IsJpegHeader(const uint8_t* header) {
  return header[0] == 0xFF && header[1] == 0xD8 && header[2] == 0xFF && (header[8] == 'I' || header[8] == 'i') &&
         (header[9] == 'F' || header[9] == 'f');
}

bool RevealHeader(uint8_t* data, uint64_t size) {
  if (size <= QviHeaderSize) return false;
  uint8_t header[QviHeaderSize];
  Complement(data, header);
  if (!IsJpegHeader(header)) return false;
  std::memcpy(data, header, QviHeaderSize);
  return true;
}

bool HideHeader(uint8_t* data, uint64_t size) {
  if (size <= QviHeaderSize || !IsJpegHeader(data)) return false;
  Complement(data, data);
  return true;
}

int FindEncoder(const QString& mimeType) {
  static const char* const mimeTypes[] = {"image/jpeg", "image/tiff", "image/png", "image/bmp"};
  int found = -1;
  for (int i = 0; i < 4; ++i)
    if (mimeType == QLatin1String(mimeTypes[i])) found = i;
  return found;
}

namespace {

// The decoders' half of a load: bytes already in memory (a QVI file already revealed) to rows,
// properties and the format id.
bool DecodeImageBytes(TQvLoadTarget& target, const uint8_t* data, uint64_t size, bool qvi, int32_t& formatId,
                      QString& error) {
  QString reason;
  const TQvFileKind kind = SniffFileKind(data, size);
  if (kind == TQvFileKind::Unknown) {
    error = CodecText(QvCodecString::UnknownFormat);
    return false;
  }
  TQvBitmapTarget rows(*target.Image);
  const bool decoded = DecodeKind(kind, data, size, rows, reason);
  rows.Finish();
  if (!decoded) {
    target.Image->Release();
    if (rows.Refusal() == TQvBitmapTarget::TooLarge) error = CodecText(QvCodecString::TooLarge);
    else if (rows.Refusal() == TQvBitmapTarget::OutOfMemory) error = NeedsMemoryText(rows.NeededBytes());
    else error = DamagedMessage(reason);
    return false;
  }
  const TQvImageHeader& header = rows.Header();
  if (kind == TQvFileKind::Bmp) {
    target.Properties->Clear();
    target.Properties->FResolutionX = header.ResolutionX > 0 ? header.ResolutionX : 96;
    target.Properties->FResolutionY = header.ResolutionY > 0 ? header.ResolutionY : 96;
  } else {
    ReadImageProperties(*target.Properties, data, size, header.ResolutionX, header.ResolutionY);
  }
  // Every orientation is applied to the rows, mirrored ones too, before the tag says 1.
  // The rows decoded were the progress shown; turning them upright, quick beside the decoding,
  // reports nothing, or the bar would fill again once for each step of the turn.
  const int orientation = ReadOrientationProperty(*target.Properties);
  TQvProgressScope unwatched(nullptr);
  if (!ApplyOrientation(*target.Image, orientation)) {
    target.Image->Release();
    target.Properties->Clear();
    error = CodecText(QvCodecString::NoMemory);
    return false;
  }
  ResetOrientationProperty(*target.Properties);
  target.SourceFormat = header.SourceFormat;
  formatId = qvi ? QvFormatId::Qvi : FormatIdOf(kind);
  return true;
}

// The whole file into bytes; false with the message when it cannot be read or is empty.
bool ReadWholeImageFile(const QString& fileName, QByteArray& bytes, QString& error) {
  QString reason;
  if (!ReadImageFile(fileName, bytes, reason)) {
    error = CodecText(QvCodecString::CannotRead, reason);
    return false;
  }
  if (bytes.isEmpty()) {
    error = CodecText(QvCodecString::EmptyFile);
    return false;
  }
  return true;
}

}  // namespace

bool LoadImageFile(TQvLoadTarget& target, const QString& fileName, int32_t& formatId, QString& error) {
  error.clear();
  if (!target.Image || !target.Properties) {
    error = CodecText(QvCodecString::UnknownFormat);
    return false;
  }
  if (target.ExchangeLoader) {
    QString exchangeError;
    switch (target.ExchangeLoader(fileName, exchangeError)) {
      case TQvExchangeLoad::Loaded:
        formatId = QvFormatId::PluginImage;
        return true;
      case TQvExchangeLoad::Failed:
        error = exchangeError.isEmpty() ? CodecText(QvCodecString::ExchangeFailed) : exchangeError;
        return false;
      case TQvExchangeLoad::NotExchangeFile:
        break;
    }
  }

  QByteArray bytes;
  if (!ReadWholeImageFile(fileName, bytes, error)) return false;
  // A QVI file is un-hidden in memory only: the file itself is never written by opening it.
  bool qvi = RevealHeader(reinterpret_cast<uint8_t*>(bytes.data()), uint64_t(bytes.size()));

  // The engine reads files by name, and a QVI file on disk is not a JPEG; QVI goes through the decoder.
  if (target.Engine && !qvi && EngineHasFile(*target.Engine, fileName)) {
    // One copy of the file in memory, the engine's, when it keeps one.
    const auto [held, heldSize] = target.Engine->LoadedFileBytes();
    if (held) bytes = QByteArray();
    const uint8_t* data = held ? held : reinterpret_cast<const uint8_t*>(bytes.constData());
    switch (LoadThroughEngine(target, *target.Engine, data, held ? heldSize : uint64_t(bytes.size()), error)) {
      case TEngineLoad::Loaded:
        formatId = QvFormatId::Jpeg;
        return true;
      case TEngineLoad::Failed:
        target.Image->Release();
        target.Properties->Clear();
        return false;
      case TEngineLoad::Declined:
        target.Engine->Close();
        // The decoders read the file afresh then, to open it or to say what is wrong with it.
        if (bytes.isEmpty()) {
          if (!ReadWholeImageFile(fileName, bytes, error)) return false;
          qvi = RevealHeader(reinterpret_cast<uint8_t*>(bytes.data()), uint64_t(bytes.size()));
        }
        break;
    }
  }

  return DecodeImageBytes(target, reinterpret_cast<uint8_t*>(bytes.data()), uint64_t(bytes.size()), qvi, formatId,
                          error);
}

bool LoadImageBytes(TQvLoadTarget& target, const uint8_t* data, uint64_t size, int32_t& formatId, QString& error) {
  error.clear();
  if (!target.Image || !target.Properties || !data || size == 0) {
    error = CodecText(QvCodecString::UnknownFormat);
    return false;
  }
  return DecodeImageBytes(target, data, size, false, formatId, error);
}

bool TransformJpegWithoutPixels(IVJPEG& engine, const QString& in, const QString& out,
                                const std::function<void(IVJPEG& engine)>& transform) {
  if (!EngineHasFile(engine, in)) return false;
  OrientEngine(engine, engine.GetOrientation());
  transform(engine);
  bool saved = false;
  if (engine.LeavePixelsOut() != 0) {
    uint16_t quality[2] = {0, 0};
    engine.GetQualityValues(quality);
    TQvFileOutput output(out);
    saved = output.Open() && engine.SaveToOutput(output, MakeVJPEGSaveOptions(quality)) != 0 && output.Commit();
  }
  engine.Close();
  return saved;
}

namespace {

// All of count pieces at offset, however few bytes each call takes.
bool WriteAllAt(int fd, iovec* pieces, int count, off_t offset) {
  while (count > 0) {
    const ssize_t wrote = ::pwritev(fd, pieces, count, offset);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    offset += wrote;
    for (size_t left = size_t(wrote); left > 0;) {
      if (left >= pieces->iov_len) {
        left -= pieces->iov_len;
        ++pieces;
        --count;
      } else {
        pieces->iov_base = static_cast<uint8_t*>(pieces->iov_base) + left;
        pieces->iov_len -= left;
        left = 0;
      }
    }
    while (count > 0 && pieces->iov_len == 0) {
      ++pieces;
      --count;
    }
  }
  return true;
}

}  // namespace

bool ConvertJpegToBmp(const QString& in, const QString& out) {
  std::vector<uint8_t> bytes;
  if (!ReadImageFile(in, uint64_t(1) << 31, bytes)) return false;
  QString reason;
  TJpegSourceInfo info;
  std::vector<TJpegSegment> segments;
  // Only what a load takes upright as it is stored, through the engine's own decode.
  if (!JpegEngineInspect(bytes.data(), bytes.size(), info) || !CheckImageSize(info.Width, info.Height) ||
      !ReadJpegSegments(bytes.data(), bytes.size(), segments) || JpegSegmentsOrientation(segments) != 1)
    return false;
  TQvImageHeader header;
  JpegReadHeader(bytes.data(), bytes.size(), header);
  uint8_t head[BmpHeaderSize];
  if (!BmpFileHeader(info.Width, info.Height, RecordedResolution(header.ResolutionX),
                     RecordedResolution(header.ResolutionY), head, reason))
    return false;
  TQvFileOutput output(out);
  if (!output.Open() || !output.Write(head, sizeof head)) return false;
  // Each strip's rows land where the bottom-up file keeps them, straight from the decoder's rows.
  const int fd = output.Descriptor();
  const uint64_t rowSize = BmpRowSize(info.Width), rowBytes = uint64_t(info.Width) * 3;
  static const uint8_t padding[3] = {0, 0, 0};
  // Called from within the decoder, so nothing here may throw: no allocation.
  constexpr int32_t MaxRows = 64;
  iovec pieces[2 * MaxRows];
  const bool decoded = JpegEngineDecodeStrips(
      bytes.data(), bytes.size(), [&](int32_t top, int32_t count, const uint8_t* const* rows) {
        if (count <= 0 || count > MaxRows) return false;
        int used = 0;
        for (int32_t k = count - 1; k >= 0; --k) {
          pieces[used++] = iovec{const_cast<uint8_t*>(rows[k]), size_t(rowBytes)};
          if (rowSize > rowBytes) pieces[used++] = iovec{const_cast<uint8_t*>(padding), size_t(rowSize - rowBytes)};
        }
        const off_t at = off_t(BmpHeaderSize + uint64_t(info.Height - (top + count)) * rowSize);
        return WriteAllAt(fd, pieces, used, at);
      });
  return decoded && output.Commit();
}

bool SaveImageFile(TQvSaveSource& source, const QString& fileName, int32_t formatId, QString& error) {
  error.clear();
  if (!source.Pixels || !source.Properties) {
    error = CodecText(QvCodecString::NothingToSave);
    return false;
  }
  const bool jpegLike = formatId == QvFormatId::Jpeg || formatId == QvFormatId::Qvi;
  const bool engineHasFile = jpegLike && source.Engine && source.Engine->IsLoaded() != 0;
  int32_t quality = QviQuality;
  switch (formatId) {
    case QvFormatId::Jpeg:
      quality = DefaultJpegQuality;
      if (!engineHasFile && source.AskJpegQuality && !source.AskJpegQuality(quality)) return false;  // cancelled
      break;
    case QvFormatId::Qvi:
    case QvFormatId::Tiff:
    case QvFormatId::Png:
    case QvFormatId::Bmp:
    case QvFormatId::PluginImage:
      break;
    default:
      error = CodecText(QvCodecString::CannotSaveFormat);
      return false;
  }
  if (source.DocumentSaving) source.DocumentSaving();

  if (formatId == QvFormatId::PluginImage) {
    if (!source.ExchangeSaver) {
      error = CodecText(QvCodecString::CannotSaveFormat);
      return false;
    }
    return source.ExchangeSaver(fileName, error);
  }

  TRect area = source.Area.IsEmpty() ? source.Pixels->BoundsRect() : source.Area;
  area = IntersectRect(area, source.Pixels->BoundsRect());
  if (area.IsEmpty() || source.Pixels->IsEmpty() || source.Pixels->Format != PixelFormat24) {
    error = CodecText(QvCodecString::NothingToSave);
    return false;
  }
  if (engineHasFile) return SaveThroughEngine(source, fileName, area, formatId == QvFormatId::Qvi, error);

  // The target is checked (and the file the bytes go into made) before the work of encoding.
  TQvFileOutput output(fileName);
  if (!output.Open()) {
    error = CodecText(QvCodecString::CannotWrite, output.ErrorText());
    return false;
  }
  // The embedded thumbnail shows the picture as it was opened; it is dropped, not carried along.
  RemoveThumbnailProperties(*source.Properties);
  const TQvImageProperties& properties = *source.Properties;
  QString reason;
  if (formatId == QvFormatId::Bmp || jpegLike) {
    // Streamed into the file: the picture needs no second home in memory. A QVI file's header is
    // hidden in place once all of it is written, as the engine's saves do.
    bool writeFailed = false;
    const auto write = [&](const uint8_t* chunk, size_t chunkSize) {
      writeFailed = !output.Write(chunk, chunkSize);
      return !writeFailed;
    };
    const bool written =
        jpegLike ? JpegWrite(*source.Pixels, area, quality, properties.FResolutionX, properties.FResolutionY,
                             BuildMetadataBlobs(properties), write, reason)
                 : BmpWrite(*source.Pixels, area, properties.FResolutionX, properties.FResolutionY, write, reason);
    if (writeFailed) {
      error = CodecText(QvCodecString::CannotWrite, output.ErrorText());
      return false;
    }
    if (!written) {
      error = CodecTextWithDetail(QvCodecString::CannotEncode, reason);
      return false;
    }
    return CommitOutput(output, formatId == QvFormatId::Qvi, error);
  }
  // PNG and TIFF are encoded whole, then written.
  const TQvMetadataBlobs metadata = BuildMetadataBlobs(properties);
  std::vector<uint8_t> bytes;
  bool encoded = false;
  if (formatId == QvFormatId::Png) {
    encoded = PngEncode(*source.Pixels, area, properties.FResolutionX, properties.FResolutionY, metadata, bytes, reason);
  } else {
    encoded = TiffEncode(*source.Pixels, area, properties.FResolutionX, properties.FResolutionY, metadata, bytes, reason);
    if (encoded && metadata.HasExifItems) encoded = WriteTiffExif(properties, bytes, reason);
  }
  if (!encoded || bytes.empty()) {
    error = CodecTextWithDetail(QvCodecString::CannotEncode, reason);
    return false;
  }
  if (!output.Write(bytes.data(), bytes.size()) || !output.Commit()) {
    error = CodecText(QvCodecString::CannotWrite, output.ErrorText());
    return false;
  }
  return true;
}
