#include "QvScanImage.h"

#include "QvLocalizer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace {

int SamplesPerPixel(int Format) { return Format == TQvScanParameters::RGB ? 3 : 1; }

// Channel byte offsets in a 24-bit pixel.
constexpr int Blue = 0;
constexpr int Green = 1;
constexpr int Red = 2;

void Put16(std::uint8_t* P, std::uint32_t V) {
  P[0] = static_cast<std::uint8_t>(V);
  P[1] = static_cast<std::uint8_t>(V >> 8);
}

void Put32(std::uint8_t* P, std::uint32_t V) {
  for (int I = 0; I < 4; ++I) P[I] = static_cast<std::uint8_t>(V >> (8 * I));
}

bool WriteAll(int Fd, const std::uint8_t* Data, std::size_t Size) {
  while (Size > 0) {
    const ssize_t N = ::write(Fd, Data, Size);
    if (N < 0 && errno == EINTR) continue;
    if (N <= 0) return false;
    Data += N;
    Size -= static_cast<std::size_t>(N);
  }
  return true;
}

}  // namespace

QString TQvScanMessage::Text() const {
  return Id == 0 ? QString() : GetLocalStringFormatted(Id, Default, {Arg});
}

bool TQvScanImage::Fail(TQvScanMessage& Error, int Id, const QString& Default, const QString& Arg) {
  Error = {Id, Default, Arg};
  FInFrame = false;
  return false;
}

bool TQvScanImage::BeginFrame(const TQvScanParameters& P, TQvScanMessage& Error) {
  if (FComplete || FInFrame) return Fail(Error, 5530, QStringLiteral("The scanner sent an unexpected frame."));
  if (P.Format < TQvScanParameters::Gray || P.Format > TQvScanParameters::Blue)
    return Fail(Error, 5531, QStringLiteral("The scanner delivers a kind of image this program cannot read (%s)."),
                QString::number(P.Format));
  if (P.Depth != 1 && P.Depth != 8 && P.Depth != 16)
    return Fail(Error, 5532, QStringLiteral("The scanner delivers %s bits per sample, which this program cannot read."),
                QString::number(P.Depth));
  if (P.Depth == 1 && P.Format != TQvScanParameters::Gray)
    return Fail(Error, 5533, QStringLiteral("Colour line art cannot be read; please choose colour or grey."));
  if (P.PixelsPerLine < 1 || P.PixelsPerLine > MaxSide || P.Lines == 0 || P.Lines < -1 || P.Lines > MaxSide)
    return Fail(Error, 5534, QStringLiteral("The scanner reports an impossible image size."));
  const std::int64_t Needed = (P.PixelsPerLine * SamplesPerPixel(P.Format) * P.Depth + 7) / 8;
  if (P.BytesPerLine < Needed || P.BytesPerLine > 8 * Needed + 4096)
    return Fail(Error, 5534, QStringLiteral("The scanner reports an impossible image size."));

  const bool Separate = P.Format >= TQvScanParameters::Red;
  if (FWidth == 0) {
    FWidth = P.PixelsPerLine;
    FSeparateChannels = Separate;
    FHeight = 0;
    if (P.Lines > 0 && !GrowTo(P.Lines, Error)) return false;
  } else {
    // A later frame of a three-pass scan: the same picture, one more channel.
    const unsigned Bit = 1u << (P.Format - TQvScanParameters::Red);
    if (!Separate || !FSeparateChannels || (FChannelsDone & Bit) || P.PixelsPerLine != FWidth ||
        (P.Lines > 0 && P.Lines != FHeight))
      return Fail(Error, 5535, QStringLiteral("The frames of the colour scan do not fit together."));
  }
  FFrame = P;
  FInFrame = true;
  FLinesDone = 0;
  FReceived = 0;
  FLineBytes = Needed;
  FLine.assign(static_cast<std::size_t>(P.BytesPerLine), 0);
  FLineFill = 0;
  return true;
}

bool TQvScanImage::GrowTo(std::int64_t Lines, TQvScanMessage& Error) {
  // Checked in 64 bits before the allocation, against the picture limit and the BMP header's range.
  const std::int64_t Stride = (FWidth * 3 + 3) & ~std::int64_t(3);
  if (Lines > MaxSide || Stride * Lines > MaxBytes)
    return Fail(Error, 5536, QStringLiteral("The scanned image is too large."));
  if (Lines <= FHeight) return true;
  try {
    FPixels.resize(static_cast<std::size_t>(FWidth * 3 * Lines), 0xFF);
  } catch (const std::bad_alloc&) {
    return Fail(Error, 5536, QStringLiteral("The scanned image is too large."));
  }
  FHeight = Lines;
  return true;
}

std::int64_t TQvScanImage::ExpectedBytes() const {
  return FInFrame && FFrame.Lines > 0 ? FFrame.Lines * FFrame.BytesPerLine : -1;
}

void TQvScanImage::ConvertLine(const std::uint8_t* Line, std::int64_t Y) {
  std::uint8_t* Out = FPixels.data() + Y * FWidth * 3;
  const int Depth = FFrame.Depth;
  auto Sample = [Line, Depth](std::int64_t I) -> std::uint8_t {
    if (Depth == 8) return Line[I];
    std::uint16_t V;
    std::memcpy(&V, Line + 2 * I, 2);  // native byte order, as the stack delivers it
    return static_cast<std::uint8_t>(V >> 8);
  };
  switch (FFrame.Format) {
    case TQvScanParameters::Gray:
      for (std::int64_t X = 0; X < FWidth; ++X) {
        std::uint8_t V;
        if (Depth == 1)
          V = (Line[X >> 3] >> (7 - (X & 7))) & 1 ? 0 : 255;  // a set bit is black
        else
          V = Sample(X);
        Out[3 * X + Blue] = Out[3 * X + Green] = Out[3 * X + Red] = V;
      }
      break;
    case TQvScanParameters::RGB:
      for (std::int64_t X = 0; X < FWidth; ++X) {
        Out[3 * X + Red] = Sample(3 * X);
        Out[3 * X + Green] = Sample(3 * X + 1);
        Out[3 * X + Blue] = Sample(3 * X + 2);
      }
      break;
    default: {
      const int Channel = FFrame.Format == TQvScanParameters::Red ? Red
                          : FFrame.Format == TQvScanParameters::Green ? Green
                                                                      : Blue;
      for (std::int64_t X = 0; X < FWidth; ++X) Out[3 * X + Channel] = Sample(X);
    }
  }
}

bool TQvScanImage::AddData(const std::uint8_t* Data, std::size_t Size, TQvScanMessage& Error) {
  if (!FInFrame) return Fail(Error, 5530, QStringLiteral("The scanner sent an unexpected frame."));
  while (Size > 0) {
    const std::size_t Take = std::min(Size, FLine.size() - FLineFill);
    std::memcpy(FLine.data() + FLineFill, Data, Take);
    FLineFill += Take;
    FReceived += static_cast<std::int64_t>(Take);
    Data += Take;
    Size -= Take;
    if (FLineFill < FLine.size()) break;
    FLineFill = 0;
    const bool Known = FFrame.Lines > 0 || (FSeparateChannels && FChannelsDone != 0);
    if (Known && FLinesDone >= FHeight)
      return Fail(Error, 5537, QStringLiteral("The scanner sent more lines than it announced."));
    if (!Known && FLinesDone >= FHeight && !GrowTo(std::max<std::int64_t>(64, FHeight * 2), Error)) return false;
    ConvertLine(FLine.data(), FLinesDone);
    ++FLinesDone;
  }
  return true;
}

bool TQvScanImage::EndFrame(TQvScanMessage& Error) {
  if (!FInFrame) return Fail(Error, 5530, QStringLiteral("The scanner sent an unexpected frame."));
  if (FLinesDone == 0) return Fail(Error, 5538, QStringLiteral("The scanner ended before sending an image."));
  if (FSeparateChannels && FChannelsDone != 0 && FLinesDone != FHeight)
    return Fail(Error, 5535, QStringLiteral("The frames of the colour scan do not fit together."));
  // A shorter frame than announced, or the end of an open-ended one: the complete lines remain.
  FHeight = FLinesDone;
  FPixels.resize(static_cast<std::size_t>(FWidth * 3 * FHeight));
  FInFrame = false;
  if (FFrame.Format >= TQvScanParameters::Red) FChannelsDone |= 1u << (FFrame.Format - TQvScanParameters::Red);
  if (FFrame.LastFrame) {
    if (FSeparateChannels && FChannelsDone != 7)
      return Fail(Error, 5535, QStringLiteral("The frames of the colour scan do not fit together."));
    FComplete = true;
  }
  return true;
}

bool TQvScanImage::WriteBmp(int Fd, double Dpi, TQvScanMessage& Error) const {
  if (!FComplete) {
    Error = {5538, QStringLiteral("The scanner ended before sending an image."), QString()};
    return false;
  }
  const std::int64_t Stride = (FWidth * 3 + 3) & ~std::int64_t(3);
  const std::int64_t ImageSize = Stride * FHeight;  // below MaxBytes, so it fits the header
  const auto PerMetre = static_cast<std::uint32_t>(std::lround(std::clamp(Dpi, 0.0, 1e6) / 0.0254));
  std::uint8_t Header[54] = {'B', 'M'};
  Put32(Header + 2, static_cast<std::uint32_t>(54 + ImageSize));
  Put32(Header + 10, 54);
  Put32(Header + 14, 40);
  Put32(Header + 18, static_cast<std::uint32_t>(FWidth));
  Put32(Header + 22, static_cast<std::uint32_t>(FHeight));  // positive: rows bottom-up
  Put16(Header + 26, 1);
  Put16(Header + 28, 24);
  Put32(Header + 34, static_cast<std::uint32_t>(ImageSize));
  Put32(Header + 38, PerMetre);
  Put32(Header + 42, PerMetre);
  bool Ok = WriteAll(Fd, Header, sizeof Header);
  std::vector<std::uint8_t> Row(static_cast<std::size_t>(Stride), 0);
  for (std::int64_t Y = FHeight - 1; Ok && Y >= 0; --Y) {
    std::memcpy(Row.data(), this->Row(Y), static_cast<std::size_t>(FWidth * 3));
    Ok = WriteAll(Fd, Row.data(), Row.size());
  }
  if (!Ok)
    Error = {5539, QStringLiteral("The scanned image could not be written: %s"),
             QString::fromLocal8Bit(std::strerror(errno))};
  return Ok;
}
