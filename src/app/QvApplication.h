// The application object: the component registry and its settings pass, the idle loop, deferred
// calls, the application title and message boxes. One instance per process, reachable as Application.
#pragma once

#include "QvMethodList.h"

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QString>

#include <exception>
#include <functional>
#include <new>
#include <utility>
#include <vector>

class QApplication;
class QWidget;
class TQvSDFReader;
class TQvSDFWriter;

// The lifecycle of every module, form and frame: connected to the localizer and the idle loop,
// settings read and written, started once every component is initialised.
class IQvSettings {
 public:
  virtual ~IQvSettings() = default;
  virtual void Initialize() = 0;
  virtual void LoadSettings(TQvSDFReader& Reader) = 0;
  virtual void SaveSettings(TQvSDFWriter& Writer) = 0;
  virtual void Start() = 0;
};

// The event that carries one deferred call to the main window.
inline constexpr QEvent::Type QvPostedCallEvent = static_cast<QEvent::Type>(1124);

// Message-box flags and results keep their classic numbers, so callers can store and compare them.
namespace QvMB {
inline constexpr int MB_OK = 0x0;
inline constexpr int MB_OKCANCEL = 0x1;
inline constexpr int MB_ABORTRETRYIGNORE = 0x2;
inline constexpr int MB_YESNOCANCEL = 0x3;
inline constexpr int MB_YESNO = 0x4;
inline constexpr int MB_RETRYCANCEL = 0x5;
inline constexpr int MB_TYPEMASK = 0xF;
inline constexpr int MB_ICONERROR = 0x10;
inline constexpr int MB_ICONQUESTION = 0x20;
inline constexpr int MB_ICONWARNING = 0x30;
inline constexpr int MB_ICONINFORMATION = 0x40;
inline constexpr int MB_ICONMASK = 0xF0;
inline constexpr int MB_DEFBUTTON1 = 0x000;
inline constexpr int MB_DEFBUTTON2 = 0x100;
inline constexpr int MB_DEFBUTTON3 = 0x200;
inline constexpr int MB_DEFMASK = 0xF00;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
}  // namespace QvMB

class TQvApplication : public QObject {
  Q_OBJECT

 public:
  // Makes this the process's Application. Hooks the idle pass at once when the platform
  // application already exists, otherwise in Initialize.
  TQvApplication();
  ~TQvApplication() override;

  // Creates the platform application (unless one exists) and hooks the idle pass.
  void Initialize(int& argc, char** argv);

  // Creates a component owned by the application: Reference is set before the constructor runs
  // (so code the constructor calls can already reach the object through its global reference) and
  // reset to nullptr if the constructor throws; the exception is passed on. The component takes its
  // registry place before anything its constructor creates. The first widget created through
  // CreateForm becomes the main window.
  template <class T, class... A>
  void CreateForm(T*& Reference, A&&... Args) {
    CreateComponent(Reference, true, std::forward<A>(Args)...);
  }
  template <class T, class... A>
  void CreateModule(T*& Reference, A&&... Args) {
    CreateComponent(Reference, false, std::forward<A>(Args)...);
  }
  template <class T, class... A>
  T* CreateModule(A&&... Args) {
    T* Reference = nullptr;
    CreateComponent(Reference, false, std::forward<A>(Args)...);
    return Reference;
  }

  // Loads the settings, shows the main window, runs the event loop until it closes, saves.
  // Returns the event loop's exit code.
  int Run();
  // Reads every component's node of the settings file, initialises every component, then starts them.
  void LoadSettings();
  // Writes every component's node; an empty result leaves the file alone. The file is replaced
  // atomically, so a failed write keeps the old one.
  void SaveSettings();
  // $XDG_CONFIG_HOME/B/B.cfg for the executable B; B.cfg beside the executable when there is no
  // configuration folder.
  QString GetSettingsFileName() const;

  // The registry, in creation order. An entry may be nullptr while its component is being built.
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  QObject* Components(int Index) const;
  // Takes a component out of the registry (its destructor calls this); nothing if it is not in it.
  void RemoveComponent(QObject* Component);
  // Destroys the components in reverse creation order.
  void DestroyComponents();

  void AddIdleHandler(const TQvMethod& Handler);
  // Removes the last registration equal to Handler; nothing if absent.
  void RemoveIdleHandler(const TQvMethod& Handler);
  const TQvMethodList& IdleHandlers() const { return FIdleHandlers; }
  // Runs every idle handler once. The event loop calls it each time it is about to wait.
  void DoIdle();

  // Queues Handler to run after the current event; ignored while there is no main window.
  void PostCall(const TQvMethod& Handler);
  // Runs the first queued call. A call that throws is still taken off the queue, and the rest of the
  // queue stays scheduled, before the exception is passed on.
  void ProcessPostedCall();
  int PostedCallCount() const { return FPostedCalls.Count(); }

  QString GetTitle() const { return FTitle; }
  void SetTitle(const QString& Text);
  std::function<void(QObject* Sender)> OnTitleChange;

  // A modal message box owned by the active window (or the main window), with classic flags and
  // results (QvMB). The two-argument form uses the application title as caption.
  int MessageBox(const QString& Text, const QString& Caption, int Flags);
  int MessageBox(const QString& Text, int Flags);
  // Replaces the message box (tests answer it without a modal loop); an empty function restores it.
  using TMessageBoxHandler = std::function<int(const QString& Text, const QString& Caption, int Flags)>;
  void SetMessageBoxHandler(TMessageBoxHandler Handler) { FMessageBoxHandler = std::move(Handler); }
  // Shows an exception that reached the event loop or the composition: its message in an error box.
  void ShowException(const std::exception& E);
  void ShowException(const QString& Message);

  QWidget* MainForm() const;

  // The running executable; tests may point it elsewhere (settings and data folders follow it).
  QString ExecutablePath() const { return FExecutablePath; }
  void SetExecutablePath(const QString& Path) { FExecutablePath = Path; }
  // The executable's folder with a trailing "/".
  QString ExecutableFolder() const;
  // "<executable folder>/Name/" when it exists, else "<executable folder>/../share/ocuvane/Name/".
  QString DataFolder(const QString& Name) const;

 private:
  template <class T, class... A>
  void CreateComponent(T*& Reference, bool AsForm, A&&... Args) {
    const int Ticket = ReserveSlot();
    void* Memory = ::operator new(sizeof(T));
    Reference = static_cast<T*>(Memory);
    T* Object = nullptr;
    try {
      Object = new (Memory) T(std::forward<A>(Args)...);
    } catch (...) {
      Reference = nullptr;
      ::operator delete(Memory);
      ReleaseSlot(Ticket);
      throw;
    }
    FillSlot(Ticket, Object, AsForm);
  }
  // A registry place for a component about to be built; returns its ticket.
  int ReserveSlot();
  void ReleaseSlot(int Ticket);
  void FillSlot(int Ticket, QObject* Component, bool AsForm);
  void HookIdle();

  struct TRegistryEntry {
    QPointer<QObject> Component;
    int Ticket = 0;  // non-zero while the component's constructor runs
  };
  std::vector<TRegistryEntry> FComponents;
  int FNextTicket = 0;
  TQvMethodList FIdleHandlers;
  TQvMethodList FPostedCalls;
  bool FInIdle = false;
  bool FIdleErrorShowing = false;
  bool FIdleHooked = false;
  QString FTitle;
  QString FExecutablePath;
  QPointer<QWidget> FMainForm;
  TMessageBoxHandler FMessageBoxHandler;
  QApplication* FOwnedPlatformApplication = nullptr;
};

// The process's application object (nullptr before it is created).
extern TQvApplication* Application;
