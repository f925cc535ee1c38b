// A small image host: holds a source image and a destination buffer, fills a filter record,
// answers advanceState, counts processEvent calls and drives a filter through its selectors.
// ocuvane-filterhost runs OcuvanePlugin.8bf with it; the tests run the filter object in-process.
#pragma once

#include <cstdint>
#include <vector>

#include "HostRecords.h"
#include "NetPbm.h"

class TFilterHost {
public:
  using TEntry = void (*)(std::int16_t selector, void* record, std::intptr_t* data, std::int16_t* result);

  // The destination starts as a copy of the source, as the filter asks. The filter area is the
  // whole image; the record lives as long as the host.
  explicit TFilterHost(const THostImage& Image);
  ~TFilterHost();

  TFilterHost(const TFilterHost&) = delete;
  TFilterHost& operator=(const TFilterHost&) = delete;

  FilterRecord& Record() { return FRecord; }
  std::vector<std::uint8_t>& Source() { return FSource.Pixels; }
  const THostImage& Destination() const { return FDestination; }

  // One selector with the right record (the about record for selector 0).
  std::int16_t Call(TEntry Entry, std::int16_t Selector);
  // A whole run in the host's order: Parameters, Prepare, Start, Continue while anything is
  // requested, Finish. Stops at the first non-zero result and returns it.
  std::int16_t Run(TEntry Entry);

  bool HasRequests() const;

  // Knobs for tests: refuse a source or destination request; leave callbacks out.
  bool RefuseIn = false;
  bool RefuseOut = false;
  void SetAdvanceState(bool Provide);
  void SetProcessEvent(bool Provide);

  int ProcessEventCalls = 0;
  int AdvanceStateCalls = 0;

private:
  static std::int16_t AdvanceStateEntry();
  static void ProcessEventEntry(void* event);
  std::int16_t AdvanceState();

  static TFilterHost* FActive;  // the callbacks take no context; one host is active at a time

  THostImage FSource;
  THostImage FDestination;
  FilterRecord FRecord{};
  AboutRecord FAbout{};
  HostPlatformData FPlatform{};
  std::intptr_t FData = 0;
};
