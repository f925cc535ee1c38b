#include "PhotoshopFilter.h"

#include <cstdio>
#include <exception>

namespace {

TPhotoshopFilter* GCurrentFilter = nullptr;

const HostRect EmptyRect{0, 0, 0, 0};

void FillInfo(const FilterRecord* record, std::int32_t rowBytes, TPhotoshopDataInfo& info) {
  info.HeaderSize = ExchangeHeaderSize;
  info.ImageMode = record->imageMode;
  info.Left = record->filterRect.left;
  info.Top = record->filterRect.top;
  info.Width = std::int32_t(record->filterRect.right) - record->filterRect.left;
  info.Height = std::int32_t(record->filterRect.bottom) - record->filterRect.top;
  info.RowBytes = rowBytes;
  info.Planes = record->planes;
}

void WriteStandardError(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

TPhotoshopFilter::TPhotoshopFilter() : FCaption("About") { GCurrentFilter = this; }

TPhotoshopFilter::~TPhotoshopFilter() {
  if (GCurrentFilter == this) GCurrentFilter = nullptr;
}

std::int16_t TPhotoshopFilter::About(AboutRecord* Record) {
  std::intptr_t window = 0;
  if (Record && Record->platformData) window = static_cast<const HostPlatformData*>(Record->platformData)->hwnd;
  ShowAbout(window);
  return noErr;
}

std::int16_t TPhotoshopFilter::Parameters(FilterRecord*) { return noErr; }
std::int16_t TPhotoshopFilter::Prepare(FilterRecord*) { return noErr; }
std::int16_t TPhotoshopFilter::Start(FilterRecord*) { return noErr; }
std::int16_t TPhotoshopFilter::Continue(FilterRecord*) { return noErr; }
std::int16_t TPhotoshopFilter::Finish(FilterRecord*) { return noErr; }

void TPhotoshopFilter::ShowAbout(std::intptr_t) { WriteStandardError(FCaption + "\n" + FText + "\n"); }

void TPhotoshopFilter::Initialize() {}

void TPhotoshopFilter::ShowError(FilterRecord*, const std::string& Message) {
  WriteStandardError("Error: " + Message + "\n");
}

bool TPhotoshopFilter::RequestInData(FilterRecord* Record, TPhotoshopDataInfo& Info, void*& Data) {
  Record->maskRect = EmptyRect;
  Record->outRect = EmptyRect;
  Record->inRect = Record->filterRect;
  Record->inLoPlane = 0;
  Record->inHiPlane = std::int16_t(Record->planes - 1);
  if (!Record->advanceState || Record->advanceState() != noErr) return false;
  FillInfo(Record, Record->inRowBytes, Info);
  Data = Record->inData;
  return true;
}

bool TPhotoshopFilter::RequestOutData(FilterRecord* Record, TPhotoshopDataInfo& Info, void*& Data) {
  Record->maskRect = EmptyRect;
  Record->inRect = EmptyRect;
  Record->outRect = Record->filterRect;
  Record->outLoPlane = 0;
  Record->outHiPlane = std::int16_t(Record->planes - 1);
  if (!Record->advanceState || Record->advanceState() != noErr) return false;
  FillInfo(Record, Record->outRowBytes, Info);
  Data = Record->outData;
  return true;
}

void TPhotoshopFilter::ClearRects(FilterRecord* Record) {
  Record->maskRect = EmptyRect;
  Record->inRect = EmptyRect;
  Record->outRect = EmptyRect;
}

TPhotoshopFilter* CurrentFilter() { return GCurrentFilter; }

void DispatchSelector(std::int16_t Selector, void* Record, std::intptr_t*, std::int16_t* Result) noexcept {
  if (!Result) return;
  *Result = filterBadParameters;
  TPhotoshopFilter* filter = GCurrentFilter;
  if (!filter || !Record) return;
  try {
    auto* filterRecord = static_cast<FilterRecord*>(Record);
    switch (Selector) {
      case filterSelectorAbout: *Result = filter->About(static_cast<AboutRecord*>(Record)); break;
      case filterSelectorParameters: *Result = filter->Parameters(filterRecord); break;
      case filterSelectorPrepare: *Result = filter->Prepare(filterRecord); break;
      case filterSelectorStart: *Result = filter->Start(filterRecord); break;
      case filterSelectorContinue: *Result = filter->Continue(filterRecord); break;
      case filterSelectorFinish: *Result = filter->Finish(filterRecord); break;
      default: break;
    }
  } catch (const std::exception& error) {
    WriteStandardError(std::string("Error: ") + error.what() + "\n");
    *Result = openErr;
  } catch (...) {
    WriteStandardError("Error: unexpected failure in the filter.\n");
    *Result = openErr;
  }
}
