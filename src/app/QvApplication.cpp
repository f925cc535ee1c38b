#include "QvApplication.h"
#include "QvSignals.h"

#include "QvSDF.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <memory>

TQvApplication* Application = nullptr;

// The resources live in a static library, so they are registered by hand.
static void InitResources() { Q_INIT_RESOURCE(ocuvane); }

namespace {

// The platform application. An exception that escapes an event handler is shown in an error box
// instead of ending the process.
class TQvPlatformApplication : public QApplication {
 public:
  using QApplication::QApplication;

  bool notify(QObject* Receiver, QEvent* Event) override {
    try {
      return QApplication::notify(Receiver, Event);
    } catch (const std::exception& E) {
      if (Application) Application->ShowException(E);
    } catch (...) {
      if (Application) Application->ShowException(QStringLiteral("Unknown error"));
    }
    return false;
  }
};

}  // namespace

TQvApplication::TQvApplication() {
  InitResources();
  Application = this;
  if (QCoreApplication::instance()) {
    FExecutablePath = QCoreApplication::applicationFilePath();
    HookIdle();
  }
}

TQvApplication::~TQvApplication() {
  DestroyComponents();
  if (Application == this) Application = nullptr;
  delete FOwnedPlatformApplication;
}

void TQvApplication::Initialize(int& argc, char** argv) {
  if (!QCoreApplication::instance()) FOwnedPlatformApplication = new TQvPlatformApplication(argc, argv);
  if (FExecutablePath.isEmpty()) FExecutablePath = QCoreApplication::applicationFilePath();
  HookIdle();
}

void TQvApplication::HookIdle() {
  if (FIdleHooked) return;
  QAbstractEventDispatcher* Dispatcher = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread());
  if (!Dispatcher) return;
  connect(Dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TQvApplication::DoIdle);
  FIdleHooked = true;
}

// ---- registry ----

QObject* TQvApplication::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount()) return nullptr;
  return FComponents[static_cast<std::size_t>(Index)].Component.data();
}

int TQvApplication::ReserveSlot() {
  const int Ticket = ++FNextTicket;
  FComponents.push_back({nullptr, Ticket});
  return Ticket;
}

void TQvApplication::ReleaseSlot(int Ticket) {
  std::erase_if(FComponents, [Ticket](const TRegistryEntry& E) { return E.Ticket == Ticket; });
}

void TQvApplication::FillSlot(int Ticket, QObject* Component, bool AsForm) {
  for (TRegistryEntry& E : FComponents) {
    if (E.Ticket == Ticket) {
      E.Component = Component;
      E.Ticket = 0;
      break;
    }
  }
  if (AsForm && !FMainForm) {
    if (QWidget* Form = qobject_cast<QWidget*>(Component)) FMainForm = Form;
  }
}

void TQvApplication::RemoveComponent(QObject* Component) {
  if (!Component) return;
  std::erase_if(FComponents, [Component](const TRegistryEntry& E) { return E.Component.data() == Component; });
}

void TQvApplication::DestroyComponents() {
  while (!FComponents.empty()) {
    QPointer<QObject> Last = FComponents.back().Component;
    FComponents.pop_back();
    delete Last.data();
  }
  FPostedCalls.Clear();
}

// ---- settings ----

QString TQvApplication::GetSettingsFileName() const {
  const QFileInfo Exe(FExecutablePath);
  const QString Base = Exe.completeBaseName().isEmpty() ? Exe.fileName() : Exe.completeBaseName();
  const QString Folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  if (!Folder.isEmpty()) return Folder + QLatin1Char('/') + Base + QLatin1Char('/') + Base + QStringLiteral(".cfg");
  return Exe.absolutePath() + QLatin1Char('/') + Base + QStringLiteral(".cfg");
}

void TQvApplication::LoadSettings() {
  std::unique_ptr<TQvSDFReader> Reader;
  {
    auto File = std::make_unique<QFile>(GetSettingsFileName());
    if (File->exists() && File->open(QIODevice::ReadOnly)) {
      try {
        Reader = std::make_unique<TQvSDFReader>(File.release(), true);
      } catch (const std::exception& E) {
        qWarning("Settings file not read: %s", E.what());
      }
    }
  }
  // Components created while this runs join the pass, so walk by index.
  for (int I = 0; I < ComponentCount(); ++I) {
    IQvSettings* Settings = dynamic_cast<IQvSettings*>(Components(I));
    if (!Settings) continue;
    if (Reader) {
      // A component that failed inside its node must not hide the nodes of the ones after it.
      Reader->ReturnToTopLevel();
      try {
        Settings->LoadSettings(*Reader);
      } catch (...) {
        // A component whose settings cannot be read keeps its defaults.
      }
    }
    Settings->Initialize();
  }
  Reader.reset();
  for (int I = 0; I < ComponentCount(); ++I) {
    if (IQvSettings* Settings = dynamic_cast<IQvSettings*>(Components(I))) Settings->Start();
  }
}

void TQvApplication::SaveSettings() {
  QBuffer Stream;
  Stream.open(QIODevice::WriteOnly);
  {
    TQvSDFWriter Writer(&Stream, false);
    for (int I = 0; I < ComponentCount(); ++I) {
      if (IQvSettings* Settings = dynamic_cast<IQvSettings*>(Components(I))) Settings->SaveSettings(Writer);
    }
  }
  const QByteArray& Data = Stream.data();
  if (Data.isEmpty()) return;
  const QString FileName = GetSettingsFileName();
  QDir().mkpath(QFileInfo(FileName).absolutePath());
  // Written beside the target and renamed over it, so a failed write keeps the previous settings.
  QSaveFile File(FileName);
  if (!File.open(QIODevice::WriteOnly) || File.write(Data) != Data.size() || !File.commit())
    qWarning("Settings not saved to %s: %s", qPrintable(FileName), qPrintable(File.errorString()));
}

int TQvApplication::Run() {
  LoadSettings();
  int Code = 0;
  // A signal during start-up (behind an error box about the file given) ends the program here.
  if (FMainForm && !QvTerminationRequested()) {
    FMainForm->show();
    Code = QCoreApplication::exec();
  }
  SaveSettings();
  return Code;
}

// ---- idle handlers and deferred calls ----

void TQvApplication::AddIdleHandler(const TQvMethod& Handler) { FIdleHandlers.Add(Handler); }

void TQvApplication::RemoveIdleHandler(const TQvMethod& Handler) { FIdleHandlers.Remove(Handler); }

void TQvApplication::DoIdle() {
  // A handler may open a modal loop, which blocks and so comes back here; that inner pass is skipped.
  if (FInIdle) return;
  FInIdle = true;
  QString Error;
  for (int I = 0; I < FIdleHandlers.Count(); ++I) {
    const TQvMethod Handler = FIdleHandlers[I];
    try {
      Handler();
    } catch (const std::exception& E) {
      if (Error.isEmpty()) Error = QString::fromLocal8Bit(E.what());
    } catch (...) {
      if (Error.isEmpty()) Error = QStringLiteral("Unknown error");
    }
  }
  FInIdle = false;
  // Not shown from here: the box's own loop would be entered while the event loop is about to wait.
  // A handler that fails on every pass gets one box at a time, not a growing stack of them.
  if (!Error.isEmpty() && !FIdleErrorShowing) {
    FIdleErrorShowing = true;
    QTimer::singleShot(0, this, [this, Error] {
      ShowException(Error);
      FIdleErrorShowing = false;
    });
  }
}

void TQvApplication::PostCall(const TQvMethod& Handler) {
  if (!FMainForm) return;
  FPostedCalls.Add(Handler);
  if (FPostedCalls.Count() == 1) QCoreApplication::postEvent(FMainForm, new QEvent(QvPostedCallEvent));
}

void TQvApplication::ProcessPostedCall() {
  if (FPostedCalls.IsEmpty()) return;
  const TQvMethod Call = FPostedCalls[0];
  std::exception_ptr Failure;
  try {
    Call();
  } catch (...) {
    Failure = std::current_exception();
  }
  if (!FPostedCalls.IsEmpty()) FPostedCalls.Delete(0);
  if (!FPostedCalls.IsEmpty() && FMainForm) QCoreApplication::postEvent(FMainForm, new QEvent(QvPostedCallEvent));
  if (Failure) std::rethrow_exception(Failure);
}

// ---- title and message boxes ----

void TQvApplication::SetTitle(const QString& Text) {
  FTitle = Text;
  if (OnTitleChange) OnTitleChange(this);
}

int TQvApplication::MessageBox(const QString& Text, int Flags) { return MessageBox(Text, FTitle, Flags); }

int TQvApplication::MessageBox(const QString& Text, const QString& Caption, int Flags) {
  using namespace QvMB;
  if (FMessageBoxHandler) return FMessageBoxHandler(Text, Caption, Flags);
  if (QvTerminationRequested()) return QvTerminationAnswer(Flags);

  QWidget* Owner = QApplication::activeWindow();
  if (!Owner) Owner = FMainForm;
  QMessageBox Box(Owner);
  Box.setText(Text);
  Box.setWindowTitle(Caption);
  switch (Flags & MB_ICONMASK) {
    case MB_ICONERROR: Box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: Box.setIcon(QMessageBox::Question); break;
    case MB_ICONWARNING: Box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: Box.setIcon(QMessageBox::Information); break;
    default: break;
  }
  struct TButton {
    QMessageBox::StandardButton Button;
    int Result;
  };
  std::vector<TButton> Buttons;
  switch (Flags & MB_TYPEMASK) {
    case MB_OKCANCEL: Buttons = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}}; break;
    case MB_ABORTRETRYIGNORE:
      Buttons = {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
      break;
    case MB_YESNOCANCEL:
      Buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
      break;
    case MB_YESNO: Buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}}; break;
    case MB_RETRYCANCEL: Buttons = {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}}; break;
    default: Buttons = {{QMessageBox::Ok, IDOK}}; break;
  }
  for (const TButton& B : Buttons) Box.addButton(B.Button);
  const std::size_t Default = static_cast<std::size_t>((Flags & MB_DEFMASK) >> 8);
  if (Default < Buttons.size()) Box.setDefaultButton(Buttons[Default].Button);
  Box.exec();
  const QMessageBox::StandardButton Clicked = Box.standardButton(Box.clickedButton());
  for (const TButton& B : Buttons)
    if (B.Button == Clicked) return B.Result;
  // Closed without a button: the answer of Escape.
  for (const TButton& B : Buttons)
    if (B.Result == IDCANCEL) return IDCANCEL;
  return Buttons.size() == 1 ? Buttons.front().Result : (Flags & MB_TYPEMASK) == MB_YESNO ? IDNO : IDCANCEL;
}

void TQvApplication::ShowException(const std::exception& E) { ShowException(QString::fromLocal8Bit(E.what())); }

void TQvApplication::ShowException(const QString& Message) {
  MessageBox(Message, FTitle, QvMB::MB_OK | QvMB::MB_ICONERROR);
}

QWidget* TQvApplication::MainForm() const { return FMainForm.data(); }

// ---- paths ----

QString TQvApplication::ExecutableFolder() const {
  return QFileInfo(FExecutablePath).absolutePath() + QLatin1Char('/');
}

QString TQvApplication::DataFolder(const QString& Name) const {
  const QString Beside = ExecutableFolder() + Name;
  if (QFileInfo(Beside).isDir()) return Beside + QLatin1Char('/');
  return QDir::cleanPath(ExecutableFolder() + QStringLiteral("../share/ocuvane/") + Name) + QLatin1Char('/');
}
