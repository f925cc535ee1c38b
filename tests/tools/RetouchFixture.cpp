#include "RetouchFixture.h"

void RetouchWorld::SetUp() {
  RedEyeWorld::SetUp();
  if (HasFatalFailure()) return;
  App->CreateModule(GlareTool);
  Gleam = GlareTool;
  ASSERT_TRUE(Gleam && Gleam->Frame());
  App->CreateModule(BrightnessContrastTool);
  Tone = BrightnessContrastTool;
  ASSERT_TRUE(Tone && Tone->Frame());
  App->CreateModule(UndoBrushTool);
  Brush = UndoBrushTool;
  ASSERT_TRUE(Brush && Brush->Frame());
  Demo = App->CreateModule<TQvDemonstrationModule>();
  for (TQvPanelTool* T : {static_cast<TQvPanelTool*>(Gleam), static_cast<TQvPanelTool*>(Tone), static_cast<TQvPanelTool*>(Brush)}) {
    T->RegisterDemoItems();
    T->Localize();
  }
}

void RetouchWorld::TearDown() {
  Tone = nullptr;
  Gleam = nullptr;
  Brush = nullptr;
  Demo = nullptr;
  RedEyeWorld::TearDown();
  BrightnessContrastTool = nullptr;
  GlareTool = nullptr;
  UndoBrushTool = nullptr;
}

QString RetouchWorld::MakeImage(const QString& Name, int Width, int Height,
                                const std::function<QRgb(int, int)>& Color) {
  QImage Image(Width, Height, QImage::Format_RGB32);
  for (int Y = 0; Y < Height; ++Y)
    for (int X = 0; X < Width; ++X) Image.setPixel(X, Y, Color(X, Y));
  const QString Path = Dir.filePath(Name);
  EXPECT_TRUE(Image.save(Path, "PNG"));
  return Path;
}

QString RetouchWorld::DarkImage() {
  return MakeImage(QStringLiteral("dark.png"), 160, 120, [](int X, int Y) {
    return qRgb(20 + (X * 3 + Y) % 100, 25 + (X + Y * 2) % 90, 30 + (X * Y) % 80);
  });
}
