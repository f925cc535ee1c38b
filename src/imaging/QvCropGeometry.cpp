#include "QvCropGeometry.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {

int32_t Clamp32(int64_t V) {
  if (V > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (V < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return int32_t(V);
}

// N / D rounded to nearest, halves to even, for D > 0 and N of either sign.
int64_t RoundDiv(int64_t N, int64_t D) {
  int64_t Q = N / D;
  int64_t R = N % D;
  if (R < 0) {  // floor division, so that the remainder is 0 .. D − 1
    Q -= 1;
    R += D;
  }
  if (2 * R > D || (2 * R == D && (Q & 1) != 0)) Q += 1;
  return Q;
}

// A whole number 0..MaxTerm with nothing else around it.
std::optional<int32_t> ParseTerm(const QString& Text) {
  const QString T = Text.trimmed();
  if (T.isEmpty()) return std::nullopt;
  for (const QChar C : T)
    if (C < QLatin1Char('0') || C > QLatin1Char('9')) return std::nullopt;
  bool Ok = false;
  const qint64 V = T.toLongLong(&Ok);
  if (!Ok || V > TCropRatio::MaxTerm) return std::nullopt;
  return int32_t(V);
}

}  // namespace

int32_t RatioGcd(int32_t A, int32_t B) {
  while (A != 0 && B != 0) {
    if (A < B)
      B %= A;
    else
      A %= B;
  }
  return A + B;
}

TCropRatio ReducedRatio(int32_t W, int32_t H) {
  if (W < 0 || H < 0) return {};
  const int32_t G = RatioGcd(W, H);
  if (G == 0) return {};
  return TCropRatio{W / G, H / G};
}

std::optional<TCropRatio> ParseRatio(const QString& Text) {
  qsizetype P = Text.indexOf(QLatin1Char('x'), 0, Qt::CaseInsensitive);
  if (P < 0) P = Text.indexOf(QLatin1Char(':'));
  if (P < 0) return std::nullopt;
  const std::optional<int32_t> W = ParseTerm(Text.left(P));
  const std::optional<int32_t> H = ParseTerm(Text.mid(P + 1));
  if (!W || !H) return std::nullopt;
  return ReducedRatio(*W, *H);
}

const QStringList& PrintFormats() {
  static const QStringList Formats = {
      QStringLiteral("3x4"),   QStringLiteral("4x3"),   QStringLiteral("4x6"),   QStringLiteral("6x4"),
      QStringLiteral("5x5"),   QStringLiteral("6x9"),   QStringLiteral("9x6"),   QStringLiteral("9x12"),
      QStringLiteral("9x13"),  QStringLiteral("12x9"),  QStringLiteral("10x15"), QStringLiteral("15x10"),
      QStringLiteral("13x18"), QStringLiteral("18x13"), QStringLiteral("15x20"), QStringLiteral("20x15"),
      QStringLiteral("20x30"), QStringLiteral("30x20"), QStringLiteral("30x40"), QStringLiteral("40x30")};
  return Formats;
}

const QStringList& ScreenFormats() {
  static const QStringList Formats = {QStringLiteral("4x3"),  QStringLiteral("5x3"),  QStringLiteral("5x4"),
                                      QStringLiteral("12x7"), QStringLiteral("16x9"), QStringLiteral("16x10")};
  return Formats;
}

QString ScreenRatioText(int32_t Width, int32_t Height) {
  const int32_t G = RatioGcd(Width, Height);
  if (G <= 0) return QStringLiteral("0:0");
  return QString::number(Width / G) + QLatin1Char(':') + QString::number(Height / G);
}

TRect ApplyRatio(int32_t Code, const TRect& Rect, const TCropRatio& Ratio) {
  if (Ratio.IsFree()) return Rect;
  const int64_t RW = Ratio.Width;
  const int64_t RH = Ratio.Height;
  const int64_t W = int64_t(Rect.Right) - Rect.Left;
  const int64_t H = int64_t(Rect.Bottom) - Rect.Top;
  TRect R = Rect;
  switch (Code) {
    case CropHitTop:
    case CropHitTopRight:
    case CropHitBottom:
      R.Right = Clamp32(R.Left + RoundDiv(H * RW, RH));
      break;
    case CropHitRight:
    case CropHitTopLeft:
      R.Top = Clamp32(R.Bottom - RoundDiv(W * RH, RW));
      break;
    case CropHitBottomRight:
      R.Bottom = Clamp32(R.Top + RoundDiv(W * RH, RW));
      break;
    case CropHitBottomLeft:
      R.Left = Clamp32(R.Right - RoundDiv(H * RW, RH));
      break;
    case CropHitLeft:
      // Whole ratio steps: the division comes first and truncates toward zero.
      R.Top = Clamp32(R.Bottom - (W / RW) * RH);
      break;
    default:
      break;
  }
  return R;
}

bool RectOutside(const TRect& Rect, const TRect& Area) {
  return Rect.Left < Area.Left || Rect.Top < Area.Top || Rect.Right > Area.Right || Rect.Bottom > Area.Bottom;
}

TRect DrawCropRect(const TPoint& Anchor, const TPoint& Point, const TCropRatio& Ratio, const TRect& Area,
                   const TRect& Current) {
  const int32_t AX = Anchor.X;
  const int32_t AY = Anchor.Y;
  const int32_t X = Point.X;
  const int32_t Y = Point.Y;
  TRect Result = Current;
  // On the anchor's row or column the pointer spans nothing; the last rectangle stays.
  if (X != AX && Y != AY) {
    TRect Spanned;
    int32_t Code;
    if (X > AX && Y > AY) {
      Spanned = TRect{AX, AY, X, Y};
      Code = CropHitBottomRight;
    } else if (X > AX) {
      Spanned = TRect{AX, Y, X, AY};
      Code = CropHitTopRight;
    } else if (Y > AY) {
      Spanned = TRect{X, AY, AX, Y};
      Code = CropHitBottomLeft;
    } else {
      Spanned = TRect{X, Y, AX, AY};
      Code = CropHitTopLeft;
    }
    Spanned = ApplyRatio(Code, Spanned, Ratio);
    if (!RectOutside(Spanned, Area)) Result = Spanned;
  }
  return IntersectRect(Result, Area);
}

TRect DragCropRect(int32_t Hit, const TRect& Start, int32_t DX, int32_t DY, const TCropRatio& Ratio,
                   const TRect& Area, const TRect& Current) {
  if (Hit == CropHitInside) {
    const int32_t W = Start.Width();
    const int32_t H = Start.Height();
    // A rectangle wider than the area (it cannot be, but stay defined) sits at the area's left.
    const int64_t Left = std::max<int64_t>(Area.Left, std::min<int64_t>(int64_t(Start.Left) + DX, int64_t(Area.Right) - W));
    const int64_t Top = std::max<int64_t>(Area.Top, std::min<int64_t>(int64_t(Start.Top) + DY, int64_t(Area.Bottom) - H));
    return Bounds(int32_t(Left), int32_t(Top), W, H);
  }
  TRect R = Start;
  const auto Add = [](int32_t& Side, int32_t D) { Side = Clamp32(int64_t(Side) + D); };
  switch (Hit) {
    case CropHitTop: Add(R.Top, DY); break;
    case CropHitTopRight: Add(R.Top, DY); Add(R.Right, DX); break;
    case CropHitRight: Add(R.Right, DX); break;
    case CropHitBottomRight: Add(R.Right, DX); Add(R.Bottom, DY); break;
    case CropHitBottom: Add(R.Bottom, DY); break;
    case CropHitBottomLeft: Add(R.Left, DX); Add(R.Bottom, DY); break;
    case CropHitLeft: Add(R.Left, DX); break;
    case CropHitTopLeft: Add(R.Left, DX); Add(R.Top, DY); break;
    default: return Current;
  }
  R = ApplyRatio(Hit, R, Ratio);
  if (RectOutside(R, Area)) R = Current;
  R = IntersectRect(R, Area);
  return R.IsEmpty() ? Current : R;
}

TRect CropPerformRect(const TRect& Last, const TRect& ImageBounds) { return IntersectRect(Last, ImageBounds); }

TPoint CropHandlePoint(int32_t Code, const TRect& K) {
  const int32_t MX = int32_t((int64_t(K.Left) + K.Right) / 2);
  const int32_t MY = int32_t((int64_t(K.Top) + K.Bottom) / 2);
  switch (Code) {
    case CropHitTop: return {MX, K.Top};
    case CropHitTopRight: return {K.Right, K.Top};
    case CropHitRight: return {K.Right, MY};
    case CropHitBottomRight: return {K.Right, K.Bottom};
    case CropHitBottom: return {MX, K.Bottom};
    case CropHitBottomLeft: return {K.Left, K.Bottom};
    case CropHitLeft: return {K.Left, MY};
    case CropHitTopLeft: return {K.Left, K.Top};
    default: return {MX, MY};
  }
}

TRect CropHandleSquare(int32_t Code, const TRect& K) {
  const TPoint P = CropHandlePoint(Code, K);
  return Bounds(P.X - 4, P.Y - 4, CropHandleSize, CropHandleSize);
}

TRect CropHandleInnerSquare(int32_t Code, const TRect& K) {
  const TPoint P = CropHandlePoint(Code, K);
  return Bounds(P.X - 3, P.Y - 3, CropHandleInner, CropHandleInner);
}

int32_t CropHitTest(const TRect& K, const TPoint& P) {
  static constexpr int32_t Order[8] = {11, 4, 5, 6, 9, 8, 7, 10};
  for (const int32_t Code : Order)
    if (CropHandleSquare(Code, K).Contains(P.X, P.Y)) return Code;
  return K.Contains(P.X, P.Y) ? int32_t(CropHitInside) : int32_t(CropHitOutside);
}

Qt::CursorShape CropHitCursor(int32_t Code) {
  switch (Code) {
    case CropHitInside: return Qt::SizeAllCursor;
    case CropHitTop:
    case CropHitBottom: return Qt::SizeVerCursor;
    case CropHitTopRight:
    case CropHitBottomLeft: return Qt::SizeBDiagCursor;
    case CropHitRight:
    case CropHitLeft: return Qt::SizeHorCursor;
    case CropHitBottomRight:
    case CropHitTopLeft: return Qt::SizeFDiagCursor;
    default: return Qt::ArrowCursor;
  }
}

void CropSurroundBands(const TRect& Area, const TRect& Crop, TRect Bands[4]) {
  Bands[0] = IntersectRect(TRect{Area.Left, Area.Top, Area.Right, Crop.Top}, Area);
  Bands[1] = IntersectRect(TRect{Area.Left, Crop.Top, Crop.Left, Crop.Bottom}, Area);
  Bands[2] = IntersectRect(TRect{Crop.Right, Crop.Top, Area.Right, Crop.Bottom}, Area);
  Bands[3] = IntersectRect(TRect{Area.Left, Crop.Bottom, Area.Right, Area.Bottom}, Area);
}

void DarkenPixels(TQvPixels& Pixels, const TRect& Rect) {
  if (Pixels.IsEmpty()) return;
  const TRect R = IntersectRect(Rect, Pixels.BoundsRect());
  if (R.IsEmpty()) return;
  const int32_t BPP = Pixels.BytesPerPixel;
  if (BPP != 3 && BPP != 4) return;
  // The colour channels only; a fourth byte (alpha or padding) keeps its value.
  static const auto Table = [] {
    std::array<uint8_t, 256> T{};
    for (int I = 0; I < 256; ++I) T[size_t(I)] = DarkenChannel(uint8_t(I));
    return T;
  }();
  for (int32_t Y = R.Top; Y < R.Bottom; ++Y) {
    uint8_t* P = Pixels.PixelAt(R.Left, Y);
    for (int32_t X = R.Left; X < R.Right; ++X, P += BPP) {
      P[ChannelBlue] = Table[P[ChannelBlue]];
      P[ChannelGreen] = Table[P[ChannelGreen]];
      P[ChannelRed] = Table[P[ChannelRed]];
    }
  }
}
