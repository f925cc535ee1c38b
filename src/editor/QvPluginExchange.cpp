#include "QvPluginExchange.h"

#include "PhotoshopDataInfo.h"
#include "QvCodecStrings.h"
#include "QvGraphicsDocument.h"
#include "QvGraphicsFormats.h"
#include "QvFileOutput.h"
#include "QvLTBitmap.h"
#include "QvMemory.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>

#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

// Made once with libjpeg (optimised Huffman coding, quality 75, no JFIF segment, 1 × 1 sampling) from an
// 8 × 8 image of one colour, then with its two quantisation tables merged into one DQT segment and its
// four Huffman tables into one DHT segment: DQT, SOF0 (8 × 8, three components), DHT, SOS, the entropy-
// coded data and EOI. Anything that follows an APP1 segment with these bytes is a decodable baseline
// JPEG, so the codec layer reads the metadata in front of them exactly as in a photo.
const std::uint8_t ExchangeJpegTail[ExchangeJpegTailSize] = {
    0xFF, 0xDB, 0x00, 0x84, 0x00, 0x08, 0x06, 0x06, 0x07, 0x06, 0x05, 0x08, 0x07, 0x07, 0x07, 0x09,
    0x09, 0x08, 0x0A, 0x0C, 0x14, 0x0D, 0x0C, 0x0B, 0x0B, 0x0C, 0x19, 0x12, 0x13, 0x0F, 0x14, 0x1D,
    0x1A, 0x1F, 0x1E, 0x1D, 0x1A, 0x1C, 0x1C, 0x20, 0x24, 0x2E, 0x27, 0x20, 0x22, 0x2C, 0x23, 0x1C,
    0x1C, 0x28, 0x37, 0x29, 0x2C, 0x30, 0x31, 0x34, 0x34, 0x34, 0x1F, 0x27, 0x39, 0x3D, 0x38, 0x32,
    0x3C, 0x2E, 0x33, 0x34, 0x32, 0x01, 0x09, 0x09, 0x09, 0x0C, 0x0B, 0x0C, 0x18, 0x0D, 0x0D, 0x18,
    0x32, 0x21, 0x1C, 0x21, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32,
    0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32,
    0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32,
    0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0xFF, 0xC0, 0x00, 0x11, 0x08, 0x00, 0x08, 0x00, 0x08, 0x03,
    0x01, 0x11, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01, 0xFF, 0xC4, 0x00, 0x4B, 0x00, 0x01, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x10,
    0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x05, 0x06, 0x11, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xDA, 0x00, 0x0C, 0x03, 0x01, 0x00, 0x02, 0x11, 0x03,
    0x11, 0x00, 0x3F, 0x00, 0x7A, 0x08, 0x23, 0xFF, 0xD9,
};

namespace {

QString ExchangeError(const QString& Detail) {
  return CodecTextWithDetail(QvCodecString::ExchangeFailed, Detail);
}

QString FromStd(const std::string& Text) { return QString::fromStdString(Text); }

// The whole file. False with a reason when it cannot be read, with an empty reason when its bytes
// cannot be held in memory.
bool ReadExchangeBytes(const QString& FileName, std::vector<std::uint8_t>& Bytes, QString& Reason) {
  QFile File(FileName);
  if (!File.open(QIODevice::ReadOnly)) {
    Reason = File.errorString();
    return false;
  }
  const qint64 Size = File.size();
  if (Size < 0 || std::uint64_t(Size) > std::uint64_t(std::numeric_limits<std::ptrdiff_t>::max())) return false;
  try {
    Bytes.resize(std::size_t(Size));
  } catch (const std::bad_alloc&) {
    return false;
  }
  qint64 Done = 0;
  while (Done < Size) {
    const qint64 Got = File.read(reinterpret_cast<char*>(Bytes.data()) + Done, Size - Done);
    if (Got <= 0) break;
    Done += Got;
  }
  // A file that shrank while it was read is judged by what it held.
  if (Done < Size) {
    if (File.error() != QFileDevice::NoError) {
      Reason = File.errorString();
      return false;
    }
    Bytes.resize(std::size_t(Done));
  }
  return true;
}

}  // namespace

std::vector<std::uint8_t> WrapExifInJpeg(const std::uint8_t* Payload, std::uint64_t Size) {
  if ((Size > 0 && !Payload) || Size > MaxWrappedExifSize) return {};
  static constexpr std::uint8_t Head[] = {0xFF, 0xD8, 0xFF, 0xE1};
  static constexpr std::uint8_t Identifier[] = {'E', 'x', 'i', 'f', 0, 0};
  const std::uint64_t SegmentLength = Size + 8;  // the length bytes, the identifier, the payload
  std::vector<std::uint8_t> Stream;
  Stream.reserve(sizeof Head + 2 + sizeof Identifier + std::size_t(Size) + ExchangeJpegTailSize);
  Stream.insert(Stream.end(), std::begin(Head), std::end(Head));
  Stream.push_back(std::uint8_t(SegmentLength >> 8));
  Stream.push_back(std::uint8_t(SegmentLength));
  Stream.insert(Stream.end(), std::begin(Identifier), std::end(Identifier));
  if (Size > 0) Stream.insert(Stream.end(), Payload, Payload + Size);
  Stream.insert(Stream.end(), std::begin(ExchangeJpegTail), std::end(ExchangeJpegTail));
  return Stream;
}

bool ReadExchangeMetadata(const std::uint8_t* Payload, std::uint64_t Size, TQvImageProperties& Properties) {
  const std::vector<std::uint8_t> Stream = WrapExifInJpeg(Payload, Size);
  if (Stream.empty()) return false;
  TQvLTBitmap Image;
  TQvImageProperties Read;
  TQvLoadTarget Target;
  Target.Image = &Image;
  Target.Properties = &Read;
  std::int32_t FormatId = -1;
  QString Error;
  if (!LoadImageBytes(Target, Stream.data(), Stream.size(), FormatId, Error) || FormatId != QvFormatId::Jpeg)
    return false;
  Properties.Assign(Read);
  Properties.FResolutionX = Read.FResolutionX;
  Properties.FResolutionY = Read.FResolutionY;
  return true;
}

TQvExchangeLoad LoadExchange(const QString& FileName, TQvGraphicsDocument* Document, QString& Error) {
  Error.clear();
  // The probe opens read-only and creates nothing, so any photo the user opens passes through here
  // untouched, missing and read-only files included.
  if (!Document || !HasExchangeMagic(QFile::encodeName(FileName).toStdString()))
    return TQvExchangeLoad::NotExchangeFile;
  // Read into memory rather than mapped: a file cut short behind the editor's back then cannot
  // fault, and every check below works on exactly the bytes that were there.
  std::vector<std::uint8_t> Bytes;
  QString Reason;
  if (!ReadExchangeBytes(FileName, Bytes, Reason)) {
    Error = Reason.isEmpty() ? CodecText(QvCodecString::NoMemory) : ExchangeError(Reason);
    return TQvExchangeLoad::Failed;
  }
  const std::uint8_t* Data = Bytes.data();
  const std::uint64_t Size = Bytes.size();
  // Only RGB is a session's request; another image mode goes to the codecs like any other file.
  if (Size >= ExchangePixelOffset && DecodeDataInfo(Data + ExchangeHeaderOffset).ImageMode != ExchangeRGBMode)
    return TQvExchangeLoad::NotExchangeFile;

  TExchangeView View;
  std::string Problem;
  switch (ParseExchangeFile(Data, Size, View, &Problem)) {
    case TExchangeParse::NotExchange: return TQvExchangeLoad::NotExchangeFile;
    case TExchangeParse::Invalid: Error = ExchangeError(FromStd(Problem)); return TQvExchangeLoad::Failed;
    case TExchangeParse::Ok: break;
  }
  // A trailer whose length cannot be true is ignored like one that does not decode: the pixels
  // are what the session is for.
  TExchangeTrailer Trailer;
  if (!LocateExchangeTrailer(Data, Size, View, Trailer, &Problem)) Trailer = TExchangeTrailer{};

  const std::uint64_t Needed = QvDocumentImageBytes(View.Header.Width, View.Header.Height);
  auto Image = std::make_unique<TQvLTBitmap>();
  if (!QvMemoryFits(Needed) || !Image->Allocate(View.Header.Width, View.Header.Height, PixelFormat24) ||
      !Image->Pixels()) {
    Error = NeedsMemoryText(Needed);
    return TQvExchangeLoad::Failed;
  }
  TQvPixels& Pixels = *Image->Pixels();
  ExchangeToBGR24(View, Pixels.Bits, Pixels.Stride);

  auto Properties = std::make_unique<TQvGraphicsDocumentProperties>();
  // Metadata that does not decode (or does not fit one JPEG segment) is left out; the pixels are
  // what the session is for.
  if (Trailer.Metadata) ReadExchangeMetadata(Trailer.Metadata, Trailer.Size, *Properties);
  Bytes = {};

  if (!Document->AdoptLoadedImage(Image, Properties)) {
    Error = CodecText(QvCodecString::NoMemory);
    return TQvExchangeLoad::Failed;
  }
  return TQvExchangeLoad::Loaded;
}

bool SaveExchange(const QString& FileName, TQvGraphicsDocument* Document, QString& Error) {
  Error.clear();
  const TQvPixels* Pixels = Document ? Document->Pixels() : nullptr;
  if (!Pixels || Pixels->IsEmpty() || Pixels->Format != PixelFormat24) {
    Error = CodecText(QvCodecString::NothingToSave);
    return false;
  }
  const std::int64_t Stride = ExchangeStride24(Pixels->Width);
  if (Stride > std::numeric_limits<std::int32_t>::max()) {
    Error = CodecText(QvCodecString::TooLarge);
    return false;
  }
  TPhotoshopDataInfo Header;
  Header.HeaderSize = ExchangeHeaderSize;
  Header.ImageMode = ExchangeRGBMode;
  Header.Width = Pixels->Width;
  Header.Height = Pixels->Height;
  Header.RowBytes = std::int32_t(Stride);
  Header.Planes = 3;
  const std::uint64_t FileSize = ExchangeFileSize(Header);

  // The new content goes into an unnamed file beside the old one that replaces it only complete:
  // the plug-in opens the file again only after the editor has ended, and a killed editor leaves
  // the old file and nothing else.
  TQvFileOutput Output(FileName);
  if (!Output.Open()) {
    Error = CodecText(QvCodecString::CannotWrite, Output.ErrorText());
    return false;
  }
  void* Mapped = MAP_FAILED;
  if (FileSize <= std::uint64_t(std::numeric_limits<off_t>::max()) && ::ftruncate(Output.Descriptor(), off_t(FileSize)) == 0)
    Mapped = ::mmap(nullptr, size_t(FileSize), PROT_READ | PROT_WRITE, MAP_SHARED, Output.Descriptor(), 0);
  if (Mapped == MAP_FAILED) {
    Error = CodecText(QvCodecString::CannotWrite, QString::fromLocal8Bit(std::strerror(errno)));
    return false;
  }
  auto* View = static_cast<std::uint8_t*>(Mapped);
  std::memcpy(View, ExchangeMagic, sizeof ExchangeMagic);
  EncodeDataInfo(Header, View + ExchangeHeaderOffset);
  // Row padding stays as the resize left it: zero.
  for (std::int64_t Y = 0; Y < Header.Height; ++Y) {
    const std::uint8_t* Source = Pixels->Bits + Y * std::int64_t(Pixels->Stride);
    std::uint8_t* Target = View + ExchangePixelOffset + std::uint64_t(Y) * std::uint64_t(Stride);
    for (std::int64_t X = 0; X < Header.Width; ++X, Source += 3, Target += 3) {
      Target[0] = Source[2];
      Target[1] = Source[1];
      Target[2] = Source[0];
    }
  }
  ::munmap(Mapped, size_t(FileSize));
  if (!Output.Commit()) {
    Error = CodecText(QvCodecString::CannotWrite, Output.ErrorText());
    return false;
  }
  return true;
}

void InstallExchangeFormat(TQvGraphicsFormats& Formats) {
  Formats.ExchangeLoader = [](TQvGraphicsDocument* Doc, const QString& FileName, QString& Error) {
    return LoadExchange(FileName, Doc, Error);
  };
  Formats.ExchangeSaver = [](TQvGraphicsDocument* Doc, const QString& FileName, QString& Error) {
    return SaveExchange(FileName, Doc, Error);
  };
}
