// What the graphics editor needs from a scanner component: the list of sources, an acquisition
// that runs while the program goes on, and the three events around it. The editor sees only this;
// the composition root hands it the component.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QObject;

// Transfer mechanisms and the file format the editor asks for, by their classic numbers.
namespace QvXferMech {
inline constexpr int Native = 0;
inline constexpr int Files = 1;
inline constexpr int Files2 = 3;
}  // namespace QvXferMech

class IQvImageAcquisition {
 public:
  virtual ~IQvImageAcquisition() = default;

  // The names of the sources the system sees now, in its order, as the user should read them.
  virtual void GetSourceList(QStringList& List) = 0;
  // Starts an acquisition from the named source (the first one when SourceName is empty); false
  // when it could not be started. The images arrive later through OnImageReady.
  virtual bool Acquire(const QString& SourceName) = 0;
  // Whether an acquisition runs (between OnDisableMenus and OnEnableMenus).
  virtual bool Acquiring() const = 0;
  // Stops a running acquisition, waits until its worker has ended and removes its transfer file.
  virtual void CancelAcquisition() = 0;

  virtual void SetXferMech(int Value) = 0;
  virtual void SetFileFormat(int Value) = 0;
  virtual void SetReturnHandle(bool Value) = 0;
  virtual void SetLogToFile(bool Value) = 0;
  // The transfer file of the image OnImageReady announces.
  virtual QString Filename() const = 0;

  // One call per acquired image (ImageHandle is null for a file transfer: the file is Filename()),
  // and the start and end of an acquisition. All of them on the user-interface thread.
  std::function<void(QObject* Sender, void* ImageHandle)> OnImageReady;
  std::function<void(QObject* Sender)> OnDisableMenus;
  std::function<void(QObject* Sender)> OnEnableMenus;
};
