#include "QvTestSupport.h"

#include "PhotoshopDataInfo.h"

#include <QFile>

#include <cstring>
#include <string>

namespace QvTest {

std::vector<uint8_t> PixelBytes(const TQvPixels& P, const TRect& Rect) {
  std::vector<uint8_t> Bytes;
  const TRect R = IntersectRect(Rect, P.BoundsRect());
  if (P.IsEmpty() || R.IsEmpty()) return Bytes;
  const size_t Row = size_t(R.Width()) * P.BytesPerPixel;
  Bytes.reserve(Row * size_t(R.Height()));
  for (int32_t Y = R.Top; Y < R.Bottom; ++Y) {
    const uint8_t* Line = P.PixelAt(R.Left, Y);
    Bytes.insert(Bytes.end(), Line, Line + Row);
  }
  return Bytes;
}

std::vector<uint8_t> PixelBytes(const TQvPixels& P) { return PixelBytes(P, P.BoundsRect()); }

std::unique_ptr<TQvPixelBuffer> CopyPixels(const TQvPixels& P) {
  auto Copy = std::make_unique<TQvPixelBuffer>();
  if (!P.IsEmpty() && Copy->Allocate(P.Format, P.BoundsRect())) Copy->CopyFrom(P);
  return Copy;
}

TDocumentSnapshot TDocumentSnapshot::Take(const TQvGraphicsDocument& Doc) {
  TDocumentSnapshot S;
  if (const TQvPixels* Image = Doc.Pixels()) {
    S.Bounds = Image->BoundsRect();
    S.Image = PixelBytes(*Image);
  }
  S.Backup = PixelBytes(Doc.Backup());
  if (const TQvPixels* Original = Doc.OriginalPixels()) {
    S.OriginalBounds = Original->BoundsRect();
    S.Original = PixelBytes(*Original);
  }
  return S;
}

namespace {

std::string Text(const TRect& R) {
  return "(" + std::to_string(R.Left) + ", " + std::to_string(R.Top) + ", " + std::to_string(R.Right) + ", " +
         std::to_string(R.Bottom) + ")";
}

bool Inside(const std::vector<TRect>& Rects, int32_t X, int32_t Y) {
  for (const TRect& R : Rects)
    if (X >= R.Left && X < R.Right && Y >= R.Top && Y < R.Bottom) return true;
  return false;
}

// Which part of the document differs between A and B, or nothing.
std::string Difference(const TDocumentSnapshot& A, const TDocumentSnapshot& B) {
  if (A.Bounds != B.Bounds) return "image bounds " + Text(A.Bounds) + " vs " + Text(B.Bounds);
  if (A.Image != B.Image) return "image pixels";
  if (A.Backup != B.Backup) return "backup pixels";
  if (A.OriginalBounds != B.OriginalBounds) return "original bounds";
  if (A.Original != B.Original) return "original pixels";
  return {};
}

}  // namespace

::testing::AssertionResult UnchangedOutside(const TQvPixels& Before, const TQvPixels& After,
                                            const std::vector<TRect>& Rects) {
  if (Before.BoundsRect() != After.BoundsRect() || Before.Format != After.Format)
    return ::testing::AssertionFailure() << "bounds " << Text(Before.BoundsRect()) << " became "
                                         << Text(After.BoundsRect());
  const TRect B = Before.BoundsRect();
  for (int32_t Y = B.Top; Y < B.Bottom; ++Y)
    for (int32_t X = B.Left; X < B.Right; ++X) {
      if (Inside(Rects, X, Y)) continue;
      const uint8_t* P = Before.PixelAt(X, Y);
      const uint8_t* Q = After.PixelAt(X, Y);
      for (int I = 0; I < Before.BytesPerPixel; ++I)
        if (P[I] != Q[I])
          return ::testing::AssertionFailure() << "pixel (" << X << ", " << Y << ") changed outside the rectangles";
    }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult ApplyUndoRedoIsBitExact(TQvGraphicsDocument& Doc, const std::function<void()>& Apply) {
  const int Steps = Doc.History.Position();
  const TDocumentSnapshot Before = TDocumentSnapshot::Take(Doc);
  Apply();
  if (Doc.History.Position() != Steps + 1)
    return ::testing::AssertionFailure() << "the change made " << (Doc.History.Position() - Steps)
                                         << " undo steps instead of one";
  const TDocumentSnapshot After = TDocumentSnapshot::Take(Doc);
  for (int Round = 1; Round <= 2; ++Round) {
    Doc.History.Undo();
    if (const std::string D = Difference(Before, TDocumentSnapshot::Take(Doc)); !D.empty())
      return ::testing::AssertionFailure() << "undo " << Round << " left the " << D << " unlike before";
    Doc.History.Redo();
    if (const std::string D = Difference(After, TDocumentSnapshot::Take(Doc)); !D.empty())
      return ::testing::AssertionFailure() << "redo " << Round << " left the " << D << " unlike after the change";
  }
  return ::testing::AssertionSuccess();
}

}  // namespace QvTest

namespace QvTest {
bool WriteExchangeRequest(const QString& Path, int Width, int Height) {
  const int RowBytes = Width * 4 + 2;
  std::string Bytes(36 + std::size_t(RowBytes) * std::size_t(Height), '\0');
  std::memcpy(Bytes.data(), "PSPF", 4);
  TPhotoshopDataInfo Header;
  Header.HeaderSize = 32;
  Header.ImageMode = 3;
  Header.Width = Width;
  Header.Height = Height;
  Header.RowBytes = RowBytes;
  Header.Planes = 4;
  EncodeDataInfo(Header, reinterpret_cast<std::uint8_t*>(Bytes.data()) + 4);
  for (std::size_t I = 36; I < Bytes.size(); ++I) Bytes[I] = char(I * 7);
  QFile File(Path);
  return File.open(QIODevice::WriteOnly) && File.write(Bytes.data(), qint64(Bytes.size())) == qint64(Bytes.size());
}
}  // namespace QvTest
