#include "FilterHost.h"

namespace {

constexpr std::int16_t memFullErr = -108;
constexpr std::int16_t hostRefusedErr = -30102;  // the host cannot deliver what was asked for
// A filter that keeps asking after this many rounds is stuck.
constexpr int MaximumContinueRounds = 1 << 16;

bool IsEmpty(const HostRect& r) { return r.bottom <= r.top || r.right <= r.left; }

}  // namespace

TFilterHost* TFilterHost::FActive = nullptr;

TFilterHost::TFilterHost(const THostImage& Image) : FSource(Image), FDestination(Image) {
  FActive = this;
  const auto width = std::int16_t(Image.Width);
  const auto height = std::int16_t(Image.Height);
  FRecord.serialNumber = 0;
  FRecord.imageSize = {height, width};
  FRecord.planes = std::int16_t(Image.Planes);
  FRecord.filterRect = {0, 0, height, width};
  FRecord.background = {0xFFFF, 0xFFFF, 0xFFFF};
  FRecord.maxSpace = 1 << 30;
  FRecord.bufferSpace = 1 << 30;
  FRecord.hostSig = 0x4F435648;  // 'OCVH'
  FRecord.imageMode = plugInModeRGBColor;
  FRecord.imageHRes = 72 << 16;
  FRecord.imageVRes = 72 << 16;
  FRecord.wholeSize = {height, width};
  FRecord.monitor.gamma = 0x00023333;  // 2.2
  FPlatform.hwnd = 0;
  FRecord.platformData = &FPlatform;
  FAbout.platformData = &FPlatform;
  FRecord.processEvent = &ProcessEventEntry;
  FRecord.advanceState = &AdvanceStateEntry;
}

TFilterHost::~TFilterHost() {
  if (FActive == this) FActive = nullptr;
}

void TFilterHost::SetAdvanceState(bool Provide) { FRecord.advanceState = Provide ? &AdvanceStateEntry : nullptr; }
void TFilterHost::SetProcessEvent(bool Provide) { FRecord.processEvent = Provide ? &ProcessEventEntry : nullptr; }

std::int16_t TFilterHost::AdvanceStateEntry() { return FActive ? FActive->AdvanceState() : memFullErr; }

void TFilterHost::ProcessEventEntry(void*) {
  if (FActive) ++FActive->ProcessEventCalls;
}

std::int16_t TFilterHost::AdvanceState() {
  ++AdvanceStateCalls;
  const auto deliver = [](const HostRect& r, std::int16_t lo, std::int16_t hi, THostImage& image, void*& data,
                              std::int32_t& rowBytes) -> std::int16_t {
    if (IsEmpty(r)) {
      data = nullptr;
      rowBytes = 0;
      return noErr;
    }
    // Only whole interleaved pixels inside the image can be handed out as a window.
    if (r.top < 0 || r.left < 0 || r.bottom > image.Height || r.right > image.Width || lo != 0 ||
        hi != image.Planes - 1)
      return hostRefusedErr;
    data = image.Pixels.data() + std::size_t(r.top) * std::size_t(image.RowBytes) +
           std::size_t(r.left) * std::size_t(image.Planes);
    rowBytes = std::int32_t(image.RowBytes);
    return noErr;
  };
  if (!IsEmpty(FRecord.inRect) && RefuseIn) return memFullErr;
  if (!IsEmpty(FRecord.outRect) && RefuseOut) return memFullErr;
  if (const auto error = deliver(FRecord.inRect, FRecord.inLoPlane, FRecord.inHiPlane, FSource, FRecord.inData,
                                 FRecord.inRowBytes);
      error != noErr)
    return error;
  if (const auto error = deliver(FRecord.outRect, FRecord.outLoPlane, FRecord.outHiPlane, FDestination,
                                 FRecord.outData, FRecord.outRowBytes);
      error != noErr)
    return error;
  FRecord.maskData = nullptr;  // this host has no selection masks
  FRecord.maskRowBytes = 0;
  return noErr;
}

bool TFilterHost::HasRequests() const {
  return !IsEmpty(FRecord.inRect) || !IsEmpty(FRecord.outRect) || !IsEmpty(FRecord.maskRect);
}

std::int16_t TFilterHost::Call(TEntry Entry, std::int16_t Selector) {
  FActive = this;
  std::int16_t result = noErr;
  void* record = Selector == filterSelectorAbout ? static_cast<void*>(&FAbout) : static_cast<void*>(&FRecord);
  Entry(Selector, record, &FData, &result);
  return result;
}

std::int16_t TFilterHost::Run(TEntry Entry) {
  for (std::int16_t selector : {filterSelectorParameters, filterSelectorPrepare, filterSelectorStart}) {
    if (const auto result = Call(Entry, selector); result != noErr) return result;
  }
  for (int round = 0; HasRequests(); ++round) {
    if (round == MaximumContinueRounds) return hostRefusedErr;
    if (const auto error = AdvanceState(); error != noErr) return error;
    if (const auto result = Call(Entry, filterSelectorContinue); result != noErr) return result;
  }
  return Call(Entry, filterSelectorFinish);
}
