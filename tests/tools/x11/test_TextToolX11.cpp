// The text tool worked with the real pointer and keyboard through the X server (XTest): two lines
// typed into the memo, a rectangle dragged on the photo, inverted colours chosen, a corner handle
// pulled across the opposite corner, Enter, then the picture saved as PNG and opened again.
#include "../RedEyeFixture.h"

#include "MainForm.h"
#include "QvGraphicsView.h"
#include "QvImageCodecs.h"
#include "QvTestSupport.h"
#include "QvTextTool.h"

#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

// After GoogleTest and Qt: Xlib's macros would otherwise rename their identifiers.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#undef Bool
#undef Status
#undef None

namespace {

class TRealInput {
 public:
  TRealInput() : FDisplay(XOpenDisplay(nullptr)) {}
  ~TRealInput() {
    if (FDisplay) XCloseDisplay(FDisplay);
  }
  bool Open() const { return FDisplay != nullptr; }

  void MoveTo(const QPoint& Screen) {
    XTestFakeMotionEvent(FDisplay, -1, Screen.x(), Screen.y(), 0);
    Flush();
  }
  void Button(int Number, bool Down) {
    XTestFakeButtonEvent(FDisplay, unsigned(Number), Down, 0);
    Flush();
  }
  void Click(const QPoint& Screen) {
    MoveTo(Screen);
    Button(1, true);
    Button(1, false);
  }
  // Pressed at From, moved there in steps (each one handled before the next), released at To.
  void Drag(const QPoint& From, const QPoint& To) {
    MoveTo(From);
    Button(1, true);
    for (int Step = 1; Step <= 8; ++Step) MoveTo(From + (To - From) * Step / 8);
    Button(1, false);
  }
  void Key(KeySym Sym, bool Shift = false) {
    const KeyCode ShiftCode = XKeysymToKeycode(FDisplay, XK_Shift_L);
    const KeyCode Code = XKeysymToKeycode(FDisplay, Sym);
    if (Shift) XTestFakeKeyEvent(FDisplay, ShiftCode, 1, 0);
    XTestFakeKeyEvent(FDisplay, Code, 1, 0);
    XTestFakeKeyEvent(FDisplay, Code, 0, 0);
    if (Shift) XTestFakeKeyEvent(FDisplay, ShiftCode, 0, 0);
    Flush();
  }
  void Type(const QString& Text) {
    for (const QChar C : Text) {
      if (C == QLatin1Char('\n'))
        Key(XK_Return);
      else
        Key(KeySym(C.toLower().unicode()), C.isUpper());
    }
  }

 private:
  // Lets the application handle what the server sends back before the next step.
  void Flush() {
    XSync(FDisplay, 0);
    QCoreApplication::processEvents();
  }
  Display* FDisplay;
};

class TextX11World : public RedEyeWorld {
 protected:
  void SetUp() override {
    RedEyeWorld::SetUp();
    App->CreateModule(TextTool);
    ASSERT_TRUE(TextTool && TextTool->Frame());
    TextTool->Localize();
  }
  void TearDown() override {
    RedEyeWorld::TearDown();
    TextTool = nullptr;
  }
  QPoint Screen(const TPoint& Image) const {
    const TPoint Device = View->LogicalToDevice(Image);
    return View->viewport()->mapToGlobal(QPoint(Device.X, Device.Y));
  }
  static QPoint Centre(QWidget* W) { return W->mapToGlobal(W->rect().center()); }
};

TEST_F(TextX11World, TypedTextDraggedMirroredInvertedCommittedAndSavedAsPng) {
  TRealInput Input;
  ASSERT_TRUE(Input.Open()) << "no X display";
  Open(SamplePath());
  ASSERT_TRUE(QTest::qWaitForWindowExposed(MainForm));
  GraphicsEditor->SetActiveTool(TextTool);
  TQvTextFrame* Frame = TextTool->Frame();
  QTRY_VERIFY(Frame->TextMemo->isVisible());
  const auto Original = QvTest::CopyPixels(*Doc->Pixels());
  const std::vector<uint8_t> OriginalBytes = QvTest::PixelBytes(*Original);

  Input.Click(Centre(Frame->TextMemo));
  QTRY_VERIFY(Frame->TextMemo->hasFocus());
  Input.Type(QStringLiteral("Ab\nCd"));
  QTRY_COMPARE(TextTool->Text(), QStringLiteral("Ab\nCd"));

  Input.Drag(Screen({20, 20}), Screen({160, 90}));
  QTRY_VERIFY(TextTool->RectControl() && TextTool->RectControl()->FState == TQvTextToolControl::Present);
  EXPECT_FALSE(TextTool->FFlipH);

  Input.Click(Centre(Frame->ColorRadioButtons[1]));
  QTRY_COMPARE(TextTool->Settings().ColorMode, TextColorInverted);

  // The bottom-right handle pulled across the top-left corner.
  const TRect Before = TextTool->RectControl()->FRect;
  Input.Drag(Screen({Before.Right - 1, Before.Bottom - 1}), Screen({Before.Left - 40, Before.Top - 10}));
  QTRY_VERIFY(TextTool->FFlipH && TextTool->FFlipV);
  QTRY_VERIFY(TextTool->RectControl() && TextTool->RectControl()->FState == TQvTextToolControl::Present);
  const TRect Mirrored = TextTool->RectControl()->FRect;
  EXPECT_LT(Mirrored.Left, Before.Left);

  const int Steps = Doc->History.Count();
  Input.Key(XK_Return);
  QTRY_COMPARE(Doc->History.Count(), Steps + 1);
  EXPECT_EQ(TextTool->RectControl(), nullptr);

  // What the image got is the text mirrored both ways over the inverse of the photo.
  TQvPixelBuffer& Expected = *Original;
  ASSERT_EQ(DrawTextInto(Expected, SplitTextLines(TextTool->Text()), TextTool->Settings(), Mirrored, true, true),
            TTextMaskStatus::Built);
  EXPECT_EQ(QvTest::PixelBytes(Expected), QvTest::PixelBytes(*Doc->Pixels()));

  const QString Png = Dir.filePath(QStringLiteral("with-text.png"));
  ASSERT_TRUE(Doc->SaveToFile(Png, QvFormatId::Png));
  const std::vector<uint8_t> Saved = QvTest::PixelBytes(*Doc->Pixels());
  TQvDocument* Reopened = nullptr;
  ASSERT_TRUE(GraphicsEditor->OpenFile(Png, Reopened, false));
  auto* Again = qobject_cast<TQvGraphicsDocument*>(Reopened);
  ASSERT_TRUE(Again && Again->Pixels());
  EXPECT_EQ(QvTest::PixelBytes(*Again->Pixels()), Saved);
  EXPECT_NE(QvTest::PixelBytes(*Again->Pixels()), OriginalBytes);
}

}  // namespace
