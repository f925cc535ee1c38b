// A stand-in for the scanner stack with one grey scanner that breaks down half-way through its
// picture: 40 lines announced, an I/O error after 20 of them, as an unplugged device would.
#include <sane/sane.h>
#include <sane/saneopts.h>

#include <cstring>

namespace {

constexpr SANE_Int Width = 64;
constexpr SANE_Int Lines = 40;
constexpr SANE_Int FailAfterLines = 20;

SANE_Device Device = {"fake:0", "Fake", "Breaking scanner", "flatbed scanner"};
const SANE_Device* DeviceList[] = {&Device, nullptr};
SANE_Option_Descriptor CountOption = {SANE_NAME_NUM_OPTIONS, "", "", SANE_TYPE_INT, SANE_UNIT_NONE,
                                      sizeof(SANE_Word), SANE_CAP_SOFT_DETECT, SANE_CONSTRAINT_NONE, {nullptr}};
int Handle = 0;
SANE_Int LinesSent = 0;
bool Scanning = false;

}  // namespace

extern "C" {

__attribute__((visibility("default"))) SANE_Status sane_init(SANE_Int* Version, SANE_Auth_Callback) {
  if (Version) *Version = SANE_VERSION_CODE(1, 0, 0);
  return SANE_STATUS_GOOD;
}
__attribute__((visibility("default"))) void sane_exit() {}
__attribute__((visibility("default"))) SANE_Status sane_get_devices(const SANE_Device*** List, SANE_Bool) {
  *List = DeviceList;
  return SANE_STATUS_GOOD;
}
__attribute__((visibility("default"))) SANE_Status sane_open(SANE_String_Const Name, SANE_Handle* H) {
  if (std::strcmp(Name, Device.name) != 0) return SANE_STATUS_INVAL;
  *H = &Handle;
  return SANE_STATUS_GOOD;
}
__attribute__((visibility("default"))) void sane_close(SANE_Handle) {}
__attribute__((visibility("default"))) const SANE_Option_Descriptor* sane_get_option_descriptor(SANE_Handle,
                                                                                               SANE_Int Option) {
  return Option == 0 ? &CountOption : nullptr;
}
__attribute__((visibility("default"))) SANE_Status sane_control_option(SANE_Handle, SANE_Int Option,
                                                                      SANE_Action Action, void* Value, SANE_Int*) {
  if (Option != 0 || Action != SANE_ACTION_GET_VALUE) return SANE_STATUS_INVAL;
  *static_cast<SANE_Int*>(Value) = 1;
  return SANE_STATUS_GOOD;
}
__attribute__((visibility("default"))) SANE_Status sane_get_parameters(SANE_Handle, SANE_Parameters* P) {
  *P = SANE_Parameters{SANE_FRAME_GRAY, SANE_TRUE, Width, Width, Lines, 8};
  return SANE_STATUS_GOOD;
}
__attribute__((visibility("default"))) SANE_Status sane_start(SANE_Handle) {
  LinesSent = 0;
  Scanning = true;
  return SANE_STATUS_GOOD;
}
__attribute__((visibility("default"))) SANE_Status sane_read(SANE_Handle, SANE_Byte* Data, SANE_Int Max,
                                                            SANE_Int* Length) {
  *Length = 0;
  if (!Scanning) return SANE_STATUS_CANCELLED;
  if (LinesSent >= FailAfterLines) return SANE_STATUS_IO_ERROR;
  if (Max < Width) return SANE_STATUS_INVAL;
  std::memset(Data, 0x80, Width);
  *Length = Width;
  ++LinesSent;
  return SANE_STATUS_GOOD;
}
__attribute__((visibility("default"))) void sane_cancel(SANE_Handle) { Scanning = false; }
__attribute__((visibility("default"))) SANE_String_Const sane_strstatus(SANE_Status Status) {
  return Status == SANE_STATUS_IO_ERROR ? "Error during device I/O" : "Other status";
}
}
