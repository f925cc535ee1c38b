// The playback engine on a real X display (label x11, run under Xvfb): it moves the server's
// pointer through XTest, pauses while another window has the focus and continues the move from
// where it was, and Esc stops it without leaving the button pressed.
#include "RealPointer.h"

#include "QvApplication.h"
#include "QvDemoPlayback.h"
#include "QvDemoScript.h"
#include "QvForms.h"

#include <QGuiApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <memory>

namespace {

// A window of another program: a second X connection with a window of its own that can take
// the keyboard focus away from ours.
class TOtherProgram {
 public:
  TOtherProgram() {
    FDisplay = XOpenDisplay(nullptr);
    if (!FDisplay) return;
    FWindow = XCreateSimpleWindow(FDisplay, DefaultRootWindow(FDisplay), 900, 700, 100, 100, 0, 0, 0);
    XMapWindow(FDisplay, FWindow);
    XSync(FDisplay, False);
  }
  ~TOtherProgram() {
    if (!FDisplay) return;
    XDestroyWindow(FDisplay, FWindow);
    XCloseDisplay(FDisplay);
  }
  void TakeFocus() {
    XSetInputFocus(FDisplay, FWindow, RevertToPointerRoot, CurrentTime);
    XSync(FDisplay, False);
  }
  // The buttons the server has down now.
  unsigned Buttons() {
    Window Root = 0, Child = 0;
    int RootX = 0, RootY = 0, X = 0, Y = 0;
    unsigned Mask = 0;
    XQueryPointer(FDisplay, DefaultRootWindow(FDisplay), &Root, &Child, &RootX, &RootY, &X, &Y, &Mask);
    return Mask & (Button1Mask | Button2Mask | Button3Mask);
  }
  void PressKey(KeySym Key) {
    const KeyCode Code = XKeysymToKeycode(FDisplay, Key);
    XTestFakeKeyEvent(FDisplay, Code, True, CurrentTime);
    XTestFakeKeyEvent(FDisplay, Code, False, CurrentTime);
    XSync(FDisplay, False);
  }
  bool Ok() const { return FDisplay != nullptr; }

 private:
  Display* FDisplay = nullptr;
  Window FWindow = 0;
};

class DemoPlaybackX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Pointer.Ok() || !Other.Ok()) GTEST_SKIP() << "no X display with XTest";
    App = std::make_unique<TQvApplication>();
    App->CreateForm(Main);
    Main->setGeometry(0, 0, 800, 600);
    Main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Main));
    Activate();
    P = std::make_unique<TQvDemoPlayback>();
    P->OnEnd = [this](TQvDemoPlayback*) { Ended = true; };
    P->OnStopQuery = [this](TQvDemoPlayback*, bool& Stop) {
      ++StopQuestions;
      Stop = true;
    };
  }
  void TearDown() override {
    P.reset();
    App.reset();
  }

  void Activate() {
    Main->activateWindow();
    ASSERT_TRUE(Wait([] { return QGuiApplication::applicationState() == Qt::ApplicationActive; }));
  }
  void Play(const QByteArrayList& Lines) {
    TQvDemoScript Script;
    QByteArrayList File{"[Script]"};
    File += Lines;
    Script.LoadFromStrings(File);
    P->SetScript(Script);
    ASSERT_TRUE(P->Play(0));
  }
  static bool Wait(const std::function<bool()>& Done, int Ms = 20000) { return QTest::qWaitFor(Done, Ms); }

  TRealPointer Pointer;
  TOtherProgram Other;
  std::unique_ptr<TQvApplication> App;
  TQvForm* Main = nullptr;
  std::unique_ptr<TQvDemoPlayback> P;
  bool Ended = false;
  int StopQuestions = 0;
};

TEST_F(DemoPlaybackX11, SwitchingAwayDuringAMovePausesItAndComingBackContinuesIt) {
  // 600 pixels at speed 5 take 2.4 s of the playback's clock: 1.2 s at twice the speed.
  P->SetTimeScale(2);
  Play({"MouseTo 100, 100", "MouseMove 700, 100"});
  ASSERT_TRUE(Wait([&] { return P->Line() == 1 && Pointer.Position().x() > 250; }));

  Other.TakeFocus();
  ASSERT_TRUE(Wait([&] { return P->State() == TQvDemoPlayback::StateSuspended; }));
  // The last motion sent before the pause may still be on its way to the server.
  const std::int64_t Settle = P->TickCount();
  ASSERT_TRUE(Wait([&] { return P->TickCount() - Settle > 200; }));
  const QPoint Held = Pointer.Position();
  EXPECT_LT(Held.x(), 700);
  // Longer away than the rest of the move would take: counted, it would end the move at once.
  const std::int64_t Away = P->TickCount();
  ASSERT_TRUE(Wait([&] { return P->TickCount() - Away > 3000; }));
  EXPECT_EQ(Pointer.Position(), Held) << "nothing moves while the program is in the background";
  EXPECT_EQ(P->State(), TQvDemoPlayback::StateSuspended);

  Activate();
  ASSERT_TRUE(Wait([&] { return P->State() == TQvDemoPlayback::StatePlaying; }));
  ASSERT_TRUE(Wait([&] { return Pointer.Position() != Held; }));
  const QPoint Next = Pointer.Position();
  EXPECT_GT(Next.x(), Held.x());
  EXPECT_LT(Next.x(), 690) << "the move goes on from where it was";
  EXPECT_EQ(Next.y(), 100);
  ASSERT_TRUE(Wait([&] { return Ended; }));
  EXPECT_EQ(Pointer.Position(), QPoint(700, 100));
  EXPECT_EQ(P->SuspendCount(), 0);
}

TEST_F(DemoPlaybackX11, EscStopsADragAndTheButtonIsNotLeftPressed) {
  Play({"MouseTo 100, 300", "MouseDown", "MouseMove 600, 300", "Pause 10"});
  ASSERT_TRUE(Wait([&] { return P->Line() == 2 && Pointer.Position().x() > 150; }));
  EXPECT_EQ(Other.Buttons(), unsigned(Button1Mask)) << "the script holds the button";

  Other.PressKey(XK_Escape);
  ASSERT_TRUE(Wait([&] { return P->State() == TQvDemoPlayback::StateStopped; }));
  EXPECT_EQ(StopQuestions, 1);
  ASSERT_TRUE(Wait([&] { return Other.Buttons() == 0; }));
  const QPoint StoppedAt = Pointer.Position();
  EXPECT_LT(StoppedAt.x(), 600);
  ASSERT_TRUE(Wait([&] { return !P->Action(); })) << "the next step frees the action";
  EXPECT_FALSE(Ended);
  EXPECT_EQ(Other.Buttons(), 0u);
}

}  // namespace
