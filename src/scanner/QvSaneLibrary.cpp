#include "QvSaneLibrary.h"

#include <dlfcn.h>

namespace {

template <class F>
bool Take(void* Handle, const char* Name, F& Entry) {
  Entry = reinterpret_cast<F>(::dlsym(Handle, Name));
  return Entry != nullptr;
}

}  // namespace

TQvSaneLibrary::TQvSaneLibrary(const QString& Path) : FPath(Path) {
  if (FPath.isEmpty()) FPath = qEnvironmentVariable("OCUVANE_SANE_LIBRARY");
  if (FPath.isEmpty()) FPath = QStringLiteral("libsane.so.1");
}

TQvSaneLibrary::~TQvSaneLibrary() {
  if (FHandle) ::dlclose(FHandle);
}

bool TQvSaneLibrary::Load() {
  if (FHandle) return true;
  void* Handle = ::dlopen(FPath.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
  if (!Handle) {
    const char* Reason = ::dlerror();
    FError = Reason ? QString::fromLocal8Bit(Reason) : FPath;
    return false;
  }
  const bool Complete = Take(Handle, "sane_init", Init) && Take(Handle, "sane_exit", Exit) &&
                        Take(Handle, "sane_get_devices", GetDevices) && Take(Handle, "sane_open", Open) &&
                        Take(Handle, "sane_close", Close) &&
                        Take(Handle, "sane_get_option_descriptor", GetOptionDescriptor) &&
                        Take(Handle, "sane_control_option", ControlOption) &&
                        Take(Handle, "sane_get_parameters", GetParameters) && Take(Handle, "sane_start", Start) &&
                        Take(Handle, "sane_read", Read) && Take(Handle, "sane_cancel", Cancel) &&
                        Take(Handle, "sane_strstatus", StrStatus);
  if (!Complete) {
    FError = FPath + QStringLiteral(": an entry point is missing");
    ::dlclose(Handle);
    return false;
  }
  FHandle = Handle;
  return true;
}

QString TQvSaneLibrary::StatusText(SANE_Status Status) const {
  const char* Text = StrStatus ? StrStatus(Status) : nullptr;
  return Text && *Text ? QString::fromLocal8Bit(Text) : QString::number(static_cast<int>(Status));
}
