// The records and constants of the image host's filter plug-in interface, written out for this
// program: the members below are the published ones, in their published order and types, up to
// advanceState, the last member the plug-in touches. A host allocates a longer record; the
// plug-in never looks past advanceState, so the prefix is all that has to line up.
//
// No explicit packing: natural alignment reproduces the published offsets on a 32-bit build
// (checked below) and gives the same layout to a host and a plug-in built with one compiler.
#pragma once

#include <cstddef>
#include <cstdint>

// Selectors passed as the first argument of the entry point.
inline constexpr std::int16_t filterSelectorAbout = 0;
inline constexpr std::int16_t filterSelectorParameters = 1;
inline constexpr std::int16_t filterSelectorPrepare = 2;
inline constexpr std::int16_t filterSelectorStart = 3;
inline constexpr std::int16_t filterSelectorContinue = 4;
inline constexpr std::int16_t filterSelectorFinish = 5;

// Result codes the plug-in reports.
inline constexpr std::int16_t noErr = 0;
inline constexpr std::int16_t openErr = -23;
inline constexpr std::int16_t userCanceledErr = -128;
inline constexpr std::int16_t filterBadParameters = -30100;

// Image mode of an RGB colour document.
inline constexpr std::int16_t plugInModeRGBColor = 3;

struct HostPoint {
  std::int16_t v;
  std::int16_t h;
};

// A rectangle in host image coordinates; right and bottom are exclusive.
struct HostRect {
  std::int16_t top;
  std::int16_t left;
  std::int16_t bottom;
  std::int16_t right;
};

struct HostRGBColor {
  std::uint16_t red;
  std::uint16_t green;
  std::uint16_t blue;
};

// Monitor description; all values are 16.16 fixed point.
struct HostMonitor {
  std::int32_t gamma;
  std::int32_t redX, redY;
  std::int32_t greenX, greenY;
  std::int32_t blueX, blueY;
  std::int32_t whiteX, whiteY;
  std::int32_t ambient;
};

// What platformData points to; on this platform the "window handle" is an opaque host value.
struct HostPlatformData {
  std::intptr_t hwnd;
};

using HostBoolean = std::uint8_t;
using HostOSErr = std::int16_t;
using HostHandle = char**;
using TestAbortProc = HostBoolean (*)();
using ProgressProc = void (*)(std::int32_t done, std::int32_t total);
using HostProc = void (*)(std::int16_t selector, std::intptr_t* data);
using ProcessEventProc = void (*)(void* event);
using DisplayPixelsProc = HostOSErr (*)(const void* source, const HostRect* srcRect, std::int32_t dstRow,
                                        std::int32_t dstCol, void* platformContext);
using AdvanceStateProc = HostOSErr (*)();

struct FilterRecord {
  std::int32_t serialNumber;
  TestAbortProc abortProc;
  ProgressProc progressProc;
  HostHandle parameters;
  HostPoint imageSize;
  std::int16_t planes;  // interleaved planes, i.e. bytes per pixel
  HostRect filterRect;
  HostRGBColor background;
  HostRGBColor foreground;
  std::int32_t maxSpace;
  std::int32_t bufferSpace;
  HostRect inRect;
  std::int16_t inLoPlane;
  std::int16_t inHiPlane;
  HostRect outRect;
  std::int16_t outLoPlane;
  std::int16_t outHiPlane;
  void* inData;
  std::int32_t inRowBytes;
  void* outData;
  std::int32_t outRowBytes;
  HostBoolean isFloating;
  HostBoolean haveMask;
  HostBoolean autoMask;
  HostRect maskRect;
  void* maskData;
  std::int32_t maskRowBytes;
  std::uint8_t backColor[4];
  std::uint8_t foreColor[4];
  std::uint32_t hostSig;
  HostProc hostProc;
  std::int16_t imageMode;
  std::int32_t imageHRes;
  std::int32_t imageVRes;
  HostPoint floatCoord;
  HostPoint wholeSize;
  HostMonitor monitor;
  void* platformData;  // HostPlatformData*
  void* bufferProcs;
  void* resourceProcs;
  ProcessEventProc processEvent;
  DisplayPixelsProc displayPixels;
  void* handleProcs;
  HostBoolean supportsDummyChannels;
  HostBoolean supportsAlternateLayouts;
  std::int16_t wantLayout;
  std::int16_t filterCase;
  std::int16_t dummyPlaneValue;
  void* premiereHook;
  AdvanceStateProc advanceState;
};

struct AboutRecord {
  void* platformData;  // HostPlatformData*
};

#if INTPTR_MAX == INT32_MAX
static_assert(offsetof(FilterRecord, planes) == 20);
static_assert(offsetof(FilterRecord, filterRect) == 22);
static_assert(offsetof(FilterRecord, inRect) == 52);
static_assert(offsetof(FilterRecord, inLoPlane) == 60);
static_assert(offsetof(FilterRecord, inHiPlane) == 62);
static_assert(offsetof(FilterRecord, outRect) == 64);
static_assert(offsetof(FilterRecord, outLoPlane) == 72);
static_assert(offsetof(FilterRecord, outHiPlane) == 74);
static_assert(offsetof(FilterRecord, inData) == 76);
static_assert(offsetof(FilterRecord, inRowBytes) == 80);
static_assert(offsetof(FilterRecord, outData) == 84);
static_assert(offsetof(FilterRecord, outRowBytes) == 88);
static_assert(offsetof(FilterRecord, maskRect) == 96);
static_assert(offsetof(FilterRecord, imageMode) == 128);
static_assert(offsetof(FilterRecord, platformData) == 188);
static_assert(offsetof(FilterRecord, processEvent) == 200);
static_assert(offsetof(FilterRecord, advanceState) == 224);
#elif INTPTR_MAX == INT64_MAX
// The same member order under LP64 alignment.
static_assert(offsetof(FilterRecord, planes) == 36);
static_assert(offsetof(FilterRecord, inRect) == 68);
static_assert(offsetof(FilterRecord, inData) == 96);
static_assert(offsetof(FilterRecord, outData) == 112);
static_assert(offsetof(FilterRecord, maskRect) == 128);
static_assert(offsetof(FilterRecord, imageMode) == 168);
static_assert(offsetof(FilterRecord, platformData) == 232);
static_assert(offsetof(FilterRecord, processEvent) == 256);
static_assert(offsetof(FilterRecord, advanceState) == 296);
#endif
