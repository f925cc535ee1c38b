// Forms (top-level windows) and frames (embedded option panels) with the settings lifecycle,
// localisation and the idle refresh of their controls.
#pragma once

#include "QvApplication.h"

#include <QEvent>
#include <QWidget>

#include <utility>

// What forms and frames share: Localize after every change of language, UpdateControls at idle,
// and the settings lifecycle.
class TQvFormLifecycle : public IQvSettings {
 public:
  ~TQvFormLifecycle() override = default;

  virtual void Localize() {}
  virtual void UpdateControls() {}
  void LoadSettings(TQvSDFReader& Reader) override;
  void SaveSettings(TQvSDFWriter& Writer) override;
  void Start() override {}
  // Registers Localize with the localizer (called at once) and UpdateControls as an idle handler.
  void Initialize() override;

 protected:
  // Called first by the destructor of every form and frame, while the object is still whole.
  void UnregisterHandlers();
};

// A form over any top-level widget class (QWidget, QMainWindow, QDialog...). Forms made through
// Application->CreateForm are in the registry and initialised by the settings pass; any other form
// is made with CreateInitialized.
template <class TBase>
class TQvFormOf : public TBase, public TQvFormLifecycle {
 public:
  explicit TQvFormOf(QWidget* Parent = nullptr) : TBase(Parent) {}
  ~TQvFormOf() override {
    UnregisterHandlers();
    if (Application) Application->RemoveComponent(this);
  }

 protected:
  bool event(QEvent* Event) override {
    if (Event->type() == QvPostedCallEvent) {
      if (Application) {
        try {
          Application->ProcessPostedCall();
        } catch (const std::exception& E) {
          Application->ShowException(E);
        } catch (...) {
          Application->ShowException(QStringLiteral("Unknown error"));
        }
      }
      return true;
    }
    return TBase::event(Event);
  }
};

using TQvForm = TQvFormOf<QWidget>;

// An embedded panel of controls (a tool's option frame, the tool panel's button bar).
class TQvFrame : public QWidget, public TQvFormLifecycle {
  Q_OBJECT

 public:
  explicit TQvFrame(QWidget* Parent = nullptr);
  ~TQvFrame() override;

  // Sets FControlsEnabled, then the inherited registration.
  void Initialize() override;
  // Enables or disables every control inside the frame, nested panels included; nothing when the
  // value is the current one.
  void SetControlsEnabled(bool Value);
  bool ControlsEnabled() const { return FControlsEnabled; }

 protected:
  bool FControlsEnabled = false;
};

// Creates a form or frame that the application does not own (a dialog, an option frame) and
// initialises it as the last step of its construction.
template <class T, class... A>
T* CreateInitialized(A&&... Args) {
  T* Object = new T(std::forward<A>(Args)...);
  try {
    Object->Initialize();
  } catch (...) {
    delete Object;
    throw;
  }
  return Object;
}
