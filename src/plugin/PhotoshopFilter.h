// The filter object behind the plug-in's entry point: one virtual operation per selector, and
// the requests by which a filter obtains the host's source pixels and destination buffer.
#pragma once

#include <cstdint>
#include <string>

#include "HostRecords.h"
#include "PhotoshopDataInfo.h"

class TPhotoshopFilter {
public:
  // Becomes the module's current filter.
  TPhotoshopFilter();
  virtual ~TPhotoshopFilter();

  TPhotoshopFilter(const TPhotoshopFilter&) = delete;
  TPhotoshopFilter& operator=(const TPhotoshopFilter&) = delete;

  virtual std::int16_t About(AboutRecord* Record);
  virtual std::int16_t Parameters(FilterRecord* Record);
  virtual std::int16_t Prepare(FilterRecord* Record);
  virtual std::int16_t Start(FilterRecord* Record);
  virtual std::int16_t Continue(FilterRecord* Record);
  virtual std::int16_t Finish(FilterRecord* Record);
  // Shows FText under FCaption. There are no host windows to own a box here, so the text goes
  // to standard error; ParentWindow is the host's value, kept for the interface.
  virtual void ShowAbout(std::intptr_t ParentWindow);
  // Called once after construction by whoever creates the filter.
  virtual void Initialize();

  // Asks the host for the whole filter area, every plane, as source (resp. destination). On
  // success fills Info and Data; fails when the host has no advanceState or it reports an error.
  bool RequestInData(FilterRecord* Record, TPhotoshopDataInfo& Info, void*& Data);
  bool RequestOutData(FilterRecord* Record, TPhotoshopDataInfo& Info, void*& Data);
  // Clears every request rectangle, so that the host asks for nothing more.
  static void ClearRects(FilterRecord* Record);

  const std::string& Caption() const { return FCaption; }
  const std::string& Text() const { return FText; }

protected:
  // An error for the user: "Error: " and Message on standard error.
  virtual void ShowError(FilterRecord* Record, const std::string& Message);

  std::string FCaption;
  std::string FText;
};

// The module's one filter object, or nullptr.
TPhotoshopFilter* CurrentFilter();

// What the exported entry point does: stores -30100 in Result, then runs selector 0 to 5 on the
// current filter. Never lets an exception out; one is reported and ends in -23.
void DispatchSelector(std::int16_t Selector, void* Record, std::intptr_t* Data, std::int16_t* Result) noexcept;
