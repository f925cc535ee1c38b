// The whole session with the real programs on an X display: ocuvane-filterhost runs the real
// OcuvanePlugin.8bf, which starts the real editor (named by a key file under a private
// XDG_CONFIG_HOME). The test then works the editor from outside as a user would, through the X
// server: a click on the image with the red-eye tool and the window's close box answered with
// Return (Yes, save), or the close box alone on an untouched image (no result: the host keeps its
// image). Runs under Xvfb (label x11).

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <vector>

#include "NetPbm.h"
#include "PluginTestSupport.h"

// After GoogleTest: Xlib's macros (None, Bool, Status) would otherwise rename its identifiers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#undef Bool
#undef Status

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto Patience = std::chrono::seconds(60);
const char* const EditorTitle = "Ocuvane Plug-in";

// Waits for the X server or a child between polls; the display is another process, so there is
// nothing to block on.
void Pause() {
  const timespec Interval{0, 20 * 1000 * 1000};
  ::nanosleep(&Interval, nullptr);
}

// The host process, in a process group of its own so that the editor it started goes with it.
class THostRun {
public:
  THostRun(const std::vector<std::string>& Arguments, const std::vector<std::string>& Environment,
           const std::string& Output) {
    std::vector<char*> Argv, Envp;
    for (const std::string& A : Arguments) Argv.push_back(const_cast<char*>(A.c_str()));
    Argv.push_back(nullptr);
    for (const std::string& E : Environment) Envp.push_back(const_cast<char*>(E.c_str()));
    Envp.push_back(nullptr);
    posix_spawn_file_actions_t Actions;
    posix_spawn_file_actions_init(&Actions);
    posix_spawn_file_actions_addopen(&Actions, 1, Output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&Actions, 1, 2);
    posix_spawnattr_t Attributes;
    posix_spawnattr_init(&Attributes);
    posix_spawnattr_setflags(&Attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&Attributes, 0);
    if (posix_spawn(&FPid, Argv[0], &Actions, &Attributes, Argv.data(), Envp.data()) != 0) FPid = -1;
    posix_spawn_file_actions_destroy(&Actions);
    posix_spawnattr_destroy(&Attributes);
  }
  ~THostRun() {
    if (FPid > 0 && !FDone) {
      ::kill(-FPid, SIGKILL);
      ::waitpid(FPid, nullptr, 0);
    }
  }
  bool Started() const { return FPid > 0; }
  // True once the host has ended; Status is its exit status (or -1 for a signal).
  bool Ended() {
    if (FDone) return true;
    int Raw = 0;
    if (::waitpid(FPid, &Raw, WNOHANG) != FPid) return false;
    FDone = true;
    FStatus = WIFEXITED(Raw) ? WEXITSTATUS(Raw) : -1;
    return true;
  }
  bool WaitEnd() {
    for (const auto Start = Clock::now(); Clock::now() - Start < Patience; Pause())
      if (Ended()) return true;
    return false;
  }
  int ExitStatus() const { return FStatus; }
  void Signal(int Number) const { ::kill(FPid, Number); }

private:
  pid_t FPid = -1;
  bool FDone = false;
  int FStatus = -1;
};

std::string WindowName(Display* X, Window W) {
  std::string Name;
  Atom Type = None;
  int Format = 0;
  unsigned long Count = 0, After = 0;
  unsigned char* Data = nullptr;
  const Atom NetName = XInternAtom(X, "_NET_WM_NAME", False);
  if (XGetWindowProperty(X, W, NetName, 0, 1024, False, AnyPropertyType, &Type, &Format, &Count, &After, &Data) ==
          Success &&
      Data) {
    Name.assign(reinterpret_cast<char*>(Data), Count);
    XFree(Data);
  }
  return Name;
}

// The viewable top-level windows called Title, in stacking order.
std::vector<Window> WindowsNamed(Display* X, const char* Title) {
  std::vector<Window> Found;
  Window Root = 0, Parent = 0, *Children = nullptr;
  unsigned int Count = 0;
  if (!XQueryTree(X, DefaultRootWindow(X), &Root, &Parent, &Children, &Count)) return Found;
  for (unsigned int I = 0; I < Count; ++I) {
    XWindowAttributes Attributes;
    if (XGetWindowAttributes(X, Children[I], &Attributes) && Attributes.map_state == IsViewable &&
        WindowName(X, Children[I]) == Title)
      Found.push_back(Children[I]);
  }
  if (Children) XFree(Children);
  return Found;
}

// Waits until Found holds, or the host ends, or patience runs out.
bool WaitFor(THostRun& Host, const std::function<bool()>& Found) {
  for (const auto Start = Clock::now(); Clock::now() - Start < Patience; Pause()) {
    if (Found()) return true;
    if (Host.Ended()) return false;
  }
  return false;
}

// What the close box of a window manager sends.
void RequestClose(Display* X, Window W) {
  XEvent Event{};
  Event.xclient.type = ClientMessage;
  Event.xclient.window = W;
  Event.xclient.message_type = XInternAtom(X, "WM_PROTOCOLS", False);
  Event.xclient.format = 32;
  Event.xclient.data.l[0] = long(XInternAtom(X, "WM_DELETE_WINDOW", False));
  Event.xclient.data.l[1] = CurrentTime;
  XSendEvent(X, W, False, NoEventMask, &Event);
  XFlush(X);
}

void ClickAt(Display* X, int ScreenX, int ScreenY) {
  XTestFakeMotionEvent(X, -1, ScreenX, ScreenY, CurrentTime);
  XTestFakeButtonEvent(X, 1, True, CurrentTime);
  XTestFakeButtonEvent(X, 1, False, CurrentTime);
  XFlush(X);
}

// Key on window W, with Alt held when asked (a button's mnemonic).
void PressKey(Display* X, Window W, KeySym Key, bool Alt = false) {
  XSetInputFocus(X, W, RevertToParent, CurrentTime);
  const KeyCode Code = XKeysymToKeycode(X, Key), AltCode = XKeysymToKeycode(X, XK_Alt_L);
  if (Alt) XTestFakeKeyEvent(X, AltCode, True, CurrentTime);
  XTestFakeKeyEvent(X, Code, True, CurrentTime);
  XTestFakeKeyEvent(X, Code, False, CurrentTime);
  if (Alt) XTestFakeKeyEvent(X, AltCode, False, CurrentTime);
  XFlush(X);
}

// A 240 × 160 image of pure red, the colour the red-eye tool darkens wherever it is clicked.
THostImage RedImage(std::int32_t Planes) {
  THostImage Image;
  Image.Width = 240;
  Image.Height = 160;
  Image.Planes = Planes;
  Image.RowBytes = 240 * Planes;
  for (int I = 0; I < 240 * 160; ++I) {
    const std::uint8_t Pixel[4] = {255, 0, 0, std::uint8_t(I)};
    Image.Pixels.insert(Image.Pixels.end(), Pixel, Pixel + Planes);
  }
  return Image;
}

class RealEditor : public testing::Test {
protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
    FDisplay = XOpenDisplay(nullptr);
    ASSERT_TRUE(FDisplay) << "cannot open the X display";
    int Event = 0, Error = 0, Major = 0, Minor = 0;
    ASSERT_TRUE(XTestQueryExtension(FDisplay, &Event, &Error, &Major, &Minor)) << "no XTest";
    WriteWholeFile(FFolder / "config/Quillmere/Photo Plugins/Ocuvane", std::string(OCUVANE_EDITOR) + "\n");
    std::filesystem::create_directories(FFolder / "tmp");
    std::filesystem::create_directories(FFolder / "nothing");
    WriteWholeFile(FFolder / "lsan.supp", "leak:libdbus-1.so\n");
    // Qt's own runtime folder would otherwise land in TMPDIR, which must end up empty.
    std::filesystem::create_directories(FFolder / "runtime");
    std::filesystem::permissions(FFolder / "runtime", std::filesystem::perms::owner_all);
  }
  void TearDown() override {
    if (FDisplay) XCloseDisplay(FDisplay);
  }

  std::vector<std::string> Environment() const {
    std::vector<std::string> Env = {"XDG_CONFIG_HOME=" + FFolder / "config", "XDG_CONFIG_DIRS=" + FFolder / "nothing",
                                    "TMPDIR=" + FFolder / "tmp", "HOME=" + FFolder.Path(), "XDG_RUNTIME_DIR=" + FFolder / "runtime",
                                    "QT_QPA_PLATFORM=xcb"};
    for (const char* Name : {"DISPLAY", "XAUTHORITY", "PATH", "LANG", "ASAN_OPTIONS", "UBSAN_OPTIONS"})
      if (const char* Value = std::getenv(Name)) Env.push_back(std::string(Name) + "=" + Value);
    // In a sanitizer build the leak check decides the editor's exit code; what the desktop bus
    // library keeps at exit is not the editor's and must not turn a saved result into a failure.
    std::string Leaks = "LSAN_OPTIONS=suppressions=" + FFolder / "lsan.supp";
    if (const char* Value = std::getenv("LSAN_OPTIONS")) Leaks += std::string(":") + Value;
    Env.push_back(Leaks);
    return Env;
  }

  std::unique_ptr<THostRun> StartHost(const THostImage& Image) {
    std::string Error;
    EXPECT_TRUE(WriteNetPbm(FFolder / "in.pam", Image, Error)) << Error;
    auto Host = std::make_unique<THostRun>(
        std::vector<std::string>{OCUVANE_FILTER_HOST, FFolder / "in.pam", FFolder / "out.pam", "--plugin",
                                 OCUVANE_PLUGIN_MODULE},
        Environment(), FFolder / "host.log");
    EXPECT_TRUE(Host->Started());
    return Host;
  }

  // Clicks the middle of the editor's window, which lands on the image (shown whole and centred),
  // where the red-eye tool corrects the red around it; then the close box, which the editor
  // handles after the click and answers with its save question. The question's window.
  Window RetouchAndClose(THostRun& Host, Window Main) {
    XRaiseWindow(FDisplay, Main);
    XWindowAttributes Attributes;
    EXPECT_TRUE(XGetWindowAttributes(FDisplay, Main, &Attributes));
    int Left = 0, Top = 0;
    Window Child = 0;
    XTranslateCoordinates(FDisplay, Main, DefaultRootWindow(FDisplay), 0, 0, &Left, &Top, &Child);
    ClickAt(FDisplay, Left + Attributes.width / 2, Top + Attributes.height / 2);
    RequestClose(FDisplay, Main);
    std::vector<Window> Question;
    EXPECT_TRUE(WaitFor(Host, [&] {
      Question.clear();
      for (Window W : WindowsNamed(FDisplay, EditorTitle))
        if (W != Main) Question.push_back(W);
      return !Question.empty();
    })) << "the save question did not appear: " << ReadWholeFile(FFolder / "host.log");
    return Question.empty() ? 0 : Question.front();
  }

  // The editor's main window once it is on the screen in plug-in mode.
  Window WaitForEditor(THostRun& Host) {
    std::vector<Window> Found;
    EXPECT_TRUE(WaitFor(Host, [&] { return !(Found = WindowsNamed(FDisplay, EditorTitle)).empty(); }))
        << ReadWholeFile(FFolder / "host.log");
    return Found.empty() ? 0 : Found.front();
  }

  // What is left in the temporary folder: nothing once the session is over.
  std::string TemporaryFiles() const {
    std::string Names;
    for (const auto& Entry : std::filesystem::directory_iterator(FFolder / "tmp"))
      Names += Entry.path().filename().string() + " ";
    return Names;
  }

  TScratchFolder FFolder;
  Display* FDisplay = nullptr;
};

TEST_F(RealEditor, ARetouchedImageComesBackWhenTheUserSaves) {
  const THostImage Source = RedImage(4);
  auto Host = StartHost(Source);
  const Window Main = WaitForEditor(*Host);
  ASSERT_NE(Main, 0u);

  const Window Question = RetouchAndClose(*Host, Main);
  ASSERT_NE(Question, 0u);
  PressKey(FDisplay, Question, XK_Return);  // Yes is the default answer

  ASSERT_TRUE(Host->WaitEnd());
  EXPECT_EQ(0, Host->ExitStatus()) << ReadWholeFile(FFolder / "host.log");
  THostImage Result;
  std::string Error;
  ASSERT_TRUE(ReadNetPbm(FFolder / "out.pam", Result, Error)) << Error;
  ASSERT_EQ(Source.Pixels.size(), Result.Pixels.size());
  std::size_t Darkened = 0;
  for (std::size_t I = 0; I < Source.Pixels.size(); I += 4) {
    EXPECT_EQ(Source.Pixels[I + 3], Result.Pixels[I + 3]) << "the host's transparency stays";
    if (Result.Pixels[I] < 255) ++Darkened;
  }
  EXPECT_GT(Darkened, 0u) << "the correction came back to the host";
  EXPECT_EQ("", TemporaryFiles());
}

TEST_F(RealEditor, ARetouchedImageTheUserDoesNotSaveStaysWithTheEditor) {
  auto Host = StartHost(RedImage(3));
  const Window Main = WaitForEditor(*Host);
  ASSERT_NE(Main, 0u);
  const Window Question = RetouchAndClose(*Host, Main);
  ASSERT_NE(Question, 0u);
  PressKey(FDisplay, Question, XK_n, true);  // No
  ASSERT_TRUE(Host->WaitEnd());
  EXPECT_EQ(1, Host->ExitStatus());
  EXPECT_NE(std::string::npos, ReadWholeFile(FFolder / "host.log").find("-128")) << ReadWholeFile(FFolder / "host.log");
  EXPECT_FALSE(std::filesystem::exists(FFolder / "out.pam")) << "the host keeps its image";
  EXPECT_EQ("", TemporaryFiles());
}

TEST_F(RealEditor, ClosingWithoutAResultLeavesTheHostImage) {
  auto Host = StartHost(RedImage(3));
  const Window Main = WaitForEditor(*Host);
  ASSERT_NE(Main, 0u);
  RequestClose(FDisplay, Main);  // untouched image: no question, no result
  ASSERT_TRUE(Host->WaitEnd());
  EXPECT_EQ(1, Host->ExitStatus());
  EXPECT_NE(std::string::npos, ReadWholeFile(FFolder / "host.log").find("-128")) << ReadWholeFile(FFolder / "host.log");
  EXPECT_FALSE(std::filesystem::exists(FFolder / "out.pam")) << "the host keeps its image";
  EXPECT_EQ("", TemporaryFiles());
}

// An exchange request of 4 × 3 pixels as the plug-in writes it, its fields changed by Change.
std::string Request(const std::function<void(std::vector<std::int32_t>&)>& Change = {}) {
  // Header size, image mode, left, top, width, height, row bytes, planes.
  std::vector<std::int32_t> Fields{32, 3, 0, 0, 4, 3, 12, 3};
  if (Change) Change(Fields);
  std::string Bytes = "PSPF";
  for (std::int32_t Field : Fields)
    for (int I = 0; I < 4; ++I) Bytes += char(std::uint32_t(Field) >> (8 * I));
  return Bytes + std::string(4 * 3 * 3, '\x40');
}

// SIGTERM ends the editor whatever holds it: the error box about a file it was started on, or
// a session in plug-in mode. Nobody answers a box here, so an editor that survives the signal
// never ends.
TEST_F(RealEditor, SigtermEndsTheEditorBehindItsStartupBox) {
  // A trailer claiming nearly 2 GiB of metadata: ignored, the session goes on without it.
  std::string Trailer = Request() + "EXIF" + std::string(4, '\0') + std::string(600, 'x');
  const std::uint32_t Claimed = 0x7FFFFFF0;
  for (int I = 0; I < 4; ++I) Trailer[36 + 36 + 4 + I] = char(Claimed >> (8 * I));
  struct TCase {
    const char* Name;
    std::string Bytes;
    const char* Window;  // the window that shows
    int Status;          // the editor's exit status
  };
  const TCase Cases[] = {
      {"damaged photo", std::string("\xFF\xD8\xFF\xE0") + std::string(200, '\x11'), "Ocuvane", 0},
      {"damaged request", Request([](std::vector<std::int32_t>& F) { F[4] = 0; }), "Ocuvane", 255},
      {"request with an impossible trailer", Trailer, EditorTitle, 255},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    const std::string File = FFolder / "file";
    WriteWholeFile(File, C.Bytes);
    THostRun Editor({OCUVANE_EDITOR, File}, Environment(), FFolder / "editor.log");
    ASSERT_TRUE(Editor.Started());
    EXPECT_TRUE(WaitFor(Editor, [&] { return !WindowsNamed(FDisplay, C.Window).empty(); }))
        << ReadWholeFile(FFolder / "editor.log");
    Editor.Signal(SIGTERM);
    ASSERT_TRUE(Editor.WaitEnd()) << "the editor outlived SIGTERM";
    EXPECT_EQ(C.Status, Editor.ExitStatus()) << ReadWholeFile(FFolder / "editor.log");
  }
}

}  // namespace
