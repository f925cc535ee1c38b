// The scanner stack, loaded at run time. Only the types come from the stack's header; nothing is
// linked, so the program runs without it and the Import submenu simply stays empty.
#pragma once

#include <sane/sane.h>

#include <QString>

class TQvSaneLibrary {
 public:
  // Path: the library to load; empty means the environment variable OCUVANE_SANE_LIBRARY, and
  // without it "libsane.so.1" from the system's search path.
  explicit TQvSaneLibrary(const QString& Path = QString());
  ~TQvSaneLibrary();
  TQvSaneLibrary(const TQvSaneLibrary&) = delete;
  TQvSaneLibrary& operator=(const TQvSaneLibrary&) = delete;

  // Loads the library and takes every entry point; false (and nothing loaded) when one is missing.
  bool Load();
  bool Loaded() const { return FHandle != nullptr; }
  const QString& Path() const { return FPath; }
  // Why the last Load failed.
  const QString& LoadError() const { return FError; }

  // The entry points, valid after a successful Load.
  SANE_Status (*Init)(SANE_Int* Version, SANE_Auth_Callback Authorize) = nullptr;
  void (*Exit)() = nullptr;
  SANE_Status (*GetDevices)(const SANE_Device*** List, SANE_Bool LocalOnly) = nullptr;
  SANE_Status (*Open)(SANE_String_Const Name, SANE_Handle* Handle) = nullptr;
  void (*Close)(SANE_Handle Handle) = nullptr;
  const SANE_Option_Descriptor* (*GetOptionDescriptor)(SANE_Handle Handle, SANE_Int Option) = nullptr;
  SANE_Status (*ControlOption)(SANE_Handle Handle, SANE_Int Option, SANE_Action Action, void* Value,
                               SANE_Int* Info) = nullptr;
  SANE_Status (*GetParameters)(SANE_Handle Handle, SANE_Parameters* Parameters) = nullptr;
  SANE_Status (*Start)(SANE_Handle Handle) = nullptr;
  SANE_Status (*Read)(SANE_Handle Handle, SANE_Byte* Data, SANE_Int MaxLength, SANE_Int* Length) = nullptr;
  void (*Cancel)(SANE_Handle Handle) = nullptr;
  SANE_String_Const (*StrStatus)(SANE_Status Status) = nullptr;

  // The stack's own words for Status, or the number when it has none.
  QString StatusText(SANE_Status Status) const;

 private:
  QString FPath;
  QString FError;
  void* FHandle = nullptr;
};
