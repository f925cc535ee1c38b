// The filter that hands the host's pixels to the editor, running as a separate process, through
// an exchange file, and copies the editor's result back into the host's destination buffer.
#pragma once

#include <cstdint>
#include <string>

#include "PhotoshopFilter.h"

class TExternalPhotoshopFilter : public TPhotoshopFilter {
public:
  TExternalPhotoshopFilter(const std::string& ApplicationPath, const std::string& AboutText,
                           const std::string& AboutCaption);

  // Sets the editor's path; the first call also fixes FDirectory, the part of Path before its
  // last "/" (empty when there is none).
  void SetApplication(const std::string& Path);

  // One whole session: writes the exchange file, runs the editor and waits for it, copies the
  // result back. Returns 0, -23 (the filter could not run) or -128 (no result applied). Always
  // ends with ClearRects, and the exchange file is gone when it returns.
  std::int16_t Start(FilterRecord* Record) override;

  const std::string& Application() const { return FApplication; }
  const std::string& Directory() const { return FDirectory; }

protected:
  std::string FDirectory;
  std::string FApplication;

private:
  std::int16_t RunSession(FilterRecord* Record);
};

// The host's destination buffer as the copy-back sees it.
struct THostBuffer {
  std::uint8_t* Data = nullptr;
  std::int64_t RowBytes = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::int32_t Planes = 0;
  std::int32_t ImageMode = 0;
};

enum class TCopyBack {
  Copied,
  NoMagic,   // not an exchange file: the editor left nothing usable
  Mismatch,  // the header does not fit the file, or the image differs from the host's
};

// Copies the editor's result, an exchange file held in memory, into Out. Reads nothing outside
// [File, File + Size) and writes only the Width x Planes pixel bytes of each of Out's rows; with
// a different plane count only the first three bytes of each pixel are written. Out must have
// at least three planes and RowBytes >= Width x Planes.
TCopyBack CopyExchangeResult(const std::uint8_t* File, std::uint64_t Size, const THostBuffer& Out);
