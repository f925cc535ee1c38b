// The placement arithmetic, the units and the fields' rules, without any widget.
#include "QvPrintFields.h"
#include "QvPrintPlacement.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

// A4 at 254 dpi (one pixel = 0.1 mm) with margins of 10 mm left, 15 mm top, 20 mm right and
// 25 mm bottom: every conversion is exact.
TQvPageGeometry A4WithMargins() {
  TQvPageGeometry G;
  G.PhysicalWidth = 2100;
  G.PhysicalHeight = 2970;
  G.OffsetX = 100;
  G.OffsetY = 150;
  G.PrintableWidth = 1800;
  G.PrintableHeight = 2570;
  G.PrintableWidthHiMetric = 18000;
  G.PrintableHeightHiMetric = 25700;
  return G;
}

TQvPrintPlacement Placed(int W, int H, double Dpi) {
  TQvPrintPlacement P;
  P.SetGeometry(A4WithMargins());
  P.SetImage(W, H, Dpi, Dpi);
  return P;
}

}  // namespace

TEST(PrintPlacement, PageCornersFollowTheSheetNotTheOffset) {
  const TQvPrintPlacement P = Placed(1200, 900, 300);
  EXPECT_EQ(P.PageCorner(), QPoint(21000, 29700));
  EXPECT_EQ(P.PrintableOrigin(), QPoint(1000, 1500));
  EXPECT_EQ(P.PrintableEnd(), QPoint(19000, 27200));
}

TEST(PrintPlacement, NaturalSizeFromResolution) {
  struct Case {
    int W, H;
    double DpiX, DpiY;
    int ExpectW, ExpectH;
  } Cases[] = {
      {1200, 900, 300, 300, 10160, 7620},
      {720, 360, 0, -5, 25400, 12700},      // no resolution: 72 dpi
      {300, 300, 300, 150, 2540, 5080},     // each axis its own resolution
      {1, 1, 100000, 100000, 0, 0},         // rounds to nothing: never divided by
      {0, 0, 300, 300, 0, 0},
      {2000000, 1000000, 1, 1, 1000000, 500000},  // beyond 10 m: scaled down, proportions kept
  };
  for (const Case& C : Cases) {
    TQvPrintPlacement P = Placed(C.W, C.H, 0);
    P.SetImage(C.W, C.H, C.DpiX, C.DpiY);
    EXPECT_EQ(P.FImageWidth, C.ExpectW) << C.W << "x" << C.H;
    EXPECT_EQ(P.FImageHeight, C.ExpectH) << C.W << "x" << C.H;
    EXPECT_EQ(P.FWidth, P.FImageWidth);
    EXPECT_EQ(P.FHeight, P.FImageHeight);
    EXPECT_TRUE(std::isfinite(P.Scale()));
    // A zero natural size must survive every operation that divides by it.
    P.SetWidthKeepingProportions(500);
    P.SetHeightKeepingProportions(500);
    P.SetScale(50);
    P.ScaleToFit();
    P.CenterImage();
  }
}

TEST(PrintPlacement, CenterImageCentresOnTheSheet) {
  TQvPrintPlacement P = Placed(1200, 900, 300);
  P.CenterImage();
  EXPECT_EQ(P.FLeft, (21000 - 10160) / 2);
  EXPECT_EQ(P.FTop, (29700 - 7620) / 2);
  EXPECT_TRUE(P.FitsPrintableArea());
}

TEST(PrintPlacement, ScaleToFitUsesTheWiderMarginOnBothSides) {
  struct Case {
    int W, H;
    QRect Expected;  // left, top, width, height in 0.01 mm
  } Cases[] = {
      // Box 20..190 mm across (right margin 20 mm mirrored), 25..272 mm down (bottom 25 mm mirrored).
      {1200, 900, QRect(2000, 14850 - 6375, 17000, 12750)},
      {900, 1200, QRect(2000, 14850 - 11333, 17000, 22667)},
      {1, 1, QRect(2000, 14850 - 8500, 17000, 17000)},  // 8 x 8: 0.08 mm
      {30000, 100, QRect(2000, 14850 - 28, 17000, 57)},
  };
  for (const Case& C : Cases) {
    TQvPrintPlacement P = Placed(C.W, C.H, 300);
    P.ScaleToFit();
    EXPECT_EQ(QRect(P.FLeft, P.FTop, P.FWidth, P.FHeight), C.Expected) << C.W << "x" << C.H;
    EXPECT_TRUE(P.FitsPrintableArea());
  }
}

TEST(PrintPlacement, PrintableAreaChecks) {
  struct Case {
    QRect Placement;
    bool Fits, Larger;
  } Cases[] = {
      {QRect(1000, 1500, 18000, 25700), true, false},
      {QRect(999, 1500, 18000, 25700), false, false},
      {QRect(-1000, 5000, 5000, 5000), false, false},
      {QRect(1000, 1500, 18001, 100), true, false},  // less than a pixel over
      {QRect(1000, 1500, 18010, 100), false, true},
      {QRect(5000, 5000, 100, 25800), false, true},
  };
  for (const Case& C : Cases) {
    TQvPrintPlacement P = Placed(100, 100, 100);
    P.SetLeft(C.Placement.x());
    P.SetTop(C.Placement.y());
    P.SetWidth(C.Placement.width());
    P.SetHeight(C.Placement.height());
    EXPECT_EQ(P.FitsPrintableArea(), C.Fits) << C.Placement.x() << "," << C.Placement.width();
    EXPECT_EQ(P.LargerThanPrintableArea(), C.Larger) << C.Placement.x() << "," << C.Placement.width();
  }
  TQvPrintPlacement P = Placed(100, 100, 100);
  P.SetLeft(-3000);
  P.MoveToPrintableOrigin();
  EXPECT_EQ(QPoint(P.FLeft, P.FTop), QPoint(1000, 1500));
}

TEST(PrintPlacement, ScaleAndProportions) {
  TQvPrintPlacement P = Placed(1200, 900, 300);
  P.SetScale(50);
  EXPECT_EQ(P.FWidth, 5080);
  EXPECT_EQ(P.FHeight, 3810);
  EXPECT_DOUBLE_EQ(P.Scale(), 50);
  P.SetScale(0);  // held at 1 %
  EXPECT_EQ(P.FWidth, 102);
  P.SetScale(1e9);  // held at 10000 %, and at 10 m
  EXPECT_EQ(P.FWidth, 1000000);
  EXPECT_EQ(P.FHeight, 762000);
  P.SetWidthKeepingProportions(10000);
  EXPECT_EQ(P.FHeight, 7500);
  P.SetHeightKeepingProportions(3);  // 3 * 10160 / 7620 = 4.0
  EXPECT_EQ(P.FWidth, 4);
  P.SetWidthKeepingProportions(2000000000);
  EXPECT_EQ(P.FWidth, MaxPrintLength);
  EXPECT_EQ(P.FHeight, 750000);
  // A portrait image shows the height's ratio.
  TQvPrintPlacement Q = Placed(900, 1200, 300);
  Q.SetWidth(Q.FImageWidth);
  Q.SetHeight(Q.FImageHeight / 3);
  EXPECT_NEAR(Q.Scale(), 33.33, 0.01);
}

TEST(PrintUnits, Display) {
  struct Case {
    int Value, Unit;
    const char* C;
    const char* German;
  } Cases[] = {
      {10160, puCentimetre, "10.16", "10,16"}, {10160, puMillimetre, "101.6", "101,6"},
      {10160, puInch, "4", "4"},               {10160, puPoint, "288", "288"},
      {7620, puCentimetre, "7.62", "7,62"},    {1, puCentimetre, "0.001", "0,001"},
      {12345, puInch, "4.86", "4,86"},         {-1000, puCentimetre, "-1", "-1"},
      {0, puInch, "0", "0"},                   {1, puInch, "0", "0"},
      {1000000, puMillimetre, "10000", "10000"},
  };
  for (const Case& C : Cases) {
    EXPECT_EQ(FormatPrintLength(C.Value, C.Unit, QLocale::c()), QLatin1String(C.C)) << C.Value << " unit " << C.Unit;
    EXPECT_EQ(FormatPrintLength(C.Value, C.Unit, QLocale(QLocale::German)), QLatin1String(C.German));
  }
  EXPECT_EQ(FormatPrintScale(100, QLocale::c()), QStringLiteral("100%"));
  EXPECT_EQ(FormatPrintScale(100.0 / 3, QLocale::c()), QStringLiteral("33.33%"));
  EXPECT_EQ(FormatPrintScale(12.5, QLocale(QLocale::German)), QStringLiteral("12,5%"));
  EXPECT_EQ(FormatPrintScale(0.5, QLocale::c()), QStringLiteral("0.5%"));
}

TEST(PrintUnits, Parsing) {
  const QLocale German(QLocale::German);
  struct Case {
    const char* Text;
    int Unit;
    QLocale Locale;
    std::optional<int> Expected;
  } Cases[] = {
      {"1.5", puMillimetre, QLocale::c(), 150},
      {"0.125", puMillimetre, QLocale::c(), 12},  // 12.5: halves to even
      {"0.375", puMillimetre, QLocale::c(), 38},  // 37.5
      {"4", puInch, QLocale::c(), 10160},
      {"72", puPoint, QLocale::c(), 2540},
      {"1", puPoint, QLocale::c(), 35},
      {"-2", puCentimetre, QLocale::c(), -2000},
      {"1,5", puCentimetre, German, 1500},
      {"1.5", puCentimetre, German, std::nullopt},  // not the user's decimal separator
      {"1,000", puCentimetre, QLocale::c(), std::nullopt},
      {"abc", puCentimetre, QLocale::c(), std::nullopt},
      {"", puCentimetre, QLocale::c(), std::nullopt},
      {"99999", puCentimetre, QLocale::c(), MaxPrintLength},  // held within 10 m
      {"-1e300", puInch, QLocale::c(), -MaxPrintLength},
      {"inf", puInch, QLocale::c(), std::nullopt},
  };
  for (const Case& C : Cases)
    EXPECT_EQ(ParsePrintLength(QLatin1String(C.Text), C.Unit, C.Locale), C.Expected) << C.Text;
}

TEST(PrintUnits, DefaultFromMeasurementSystem) {
  EXPECT_EQ(DefaultPrintUnit(QLocale::MetricSystem), puCentimetre);
  EXPECT_EQ(DefaultPrintUnit(QLocale::ImperialUSSystem), puInch);
  EXPECT_EQ(DefaultPrintUnit(QLocale::ImperialUKSystem), puInch);
}

TEST(PrintFields, TypedCharacters) {
  using F = TQvPrintField;
  struct Case {
    F Field;
    char Key;
    const char* Text;
    int Caret, SelectionEnd;
    bool Accepted;
    const char* Insert;
  } Cases[] = {
      {F::Width, '5', "", 0, 0, true, "5"},
      {F::Width, 'a', "1", 1, 1, false, "a"},
      {F::Width, ' ', "1", 1, 1, false, " "},
      {F::Width, '\b', "1", 1, 1, true, "\b"},
      {F::Width, ',', "1", 1, 1, true, "."},   // the locale's separator replaces either
      {F::Width, '.', "", 0, 0, false, "."},   // not at the first position
      {F::Width, '-', "", 0, 0, false, "-"},   // sizes have no sign
      {F::Left, '-', "5", 0, 0, true, "-"},
      {F::Top, '-', "5", 1, 1, false, "-"},
      {F::Scale, '%', "50", 2, 2, true, "%"},
      {F::Scale, '%', "", 0, 0, false, "%"},
      {F::Scale, '%', "50%", 3, 3, false, "%"},
      {F::Scale, '%', "50", 1, 1, false, "%"},  // the selection must end at the end
      {F::Scale, '%', "50", 0, 2, true, "%"},
      {F::Height, '%', "50", 2, 2, false, "%"},
      {F::Scale, '7', "50%", 3, 3, false, "7"},  // behind the sign
      {F::Scale, '7', "50%", 1, 1, true, "7"},   // before it
  };
  for (const Case& C : Cases) {
    QString Insert;
    const TQvPrintFieldState State{QLatin1String(C.Text), C.Caret, C.SelectionEnd};
    EXPECT_EQ(AcceptPrintKey(C.Field, QLatin1Char(C.Key), State, Insert, QLocale::c()), C.Accepted)
        << C.Key << " into \"" << C.Text << "\"";
    if (C.Accepted) {
      EXPECT_EQ(Insert, QLatin1String(C.Insert)) << C.Key;
    }
  }
  QString Insert;
  EXPECT_TRUE(AcceptPrintKey(TQvPrintField::Left, QLatin1Char('.'), {QStringLiteral("1"), 1, 1}, Insert,
                             QLocale(QLocale::German)));
  EXPECT_EQ(Insert, QStringLiteral(","));
}

TEST(PrintFields, LeavingAField) {
  using F = TQvPrintField;
  struct Case {
    F Field;
    const char* Text;
    int Unit;
    const char* Expected;
  } Cases[] = {
      {F::Width, "12.", puCentimetre, "12"},
      {F::Width, "12.50", puCentimetre, "12.5"},
      {F::Width, "abc", puCentimetre, "0"},
      {F::Width, "5%", puCentimetre, "5"},
      {F::Left, "-3.", puMillimetre, "-3"},
      {F::Width, "99999", puCentimetre, "1000"},  // held at 10 m
      {F::Width, "99999", puInch, "393.700787401575"},
      {F::Scale, "50", puCentimetre, "50%"},
      {F::Scale, "50%%", puCentimetre, "50%"},
      {F::Scale, "x", puCentimetre, "1%"},        // never below 1 %
      {F::Scale, "0", puCentimetre, "1%"},
      {F::Scale, "123456", puCentimetre, "10000%"},
      {F::Height, "0.1234567890123456789", puCentimetre, "0.123456789012346"},
  };
  for (const Case& C : Cases)
    EXPECT_EQ(NormalizePrintField(C.Field, QLatin1String(C.Text), C.Unit, QLocale::c()), QLatin1String(C.Expected))
        << C.Text;
  EXPECT_EQ(NormalizePrintField(F::Width, QStringLiteral("12,"), puCentimetre, QLocale(QLocale::German)),
            QStringLiteral("12"));
}
