// Feeds arbitrary bytes to both readers of the exchange file, as if they were the file.
//
// Plug-in side: the host buffer takes width, height and mode from the bytes' own header (so the
// copy gets past the comparison), its plane count and row padding from the input's size, and is
// allocated to end right after its last pixel, so any write past a row shows up.
// Editor side: parse, look for the trailer and read every pixel into a 24-bit image.

#include <cstdint>
#include <cstring>
#include <vector>

#include "ExternalPhotoshopFilter.h"
#include "PhotoshopDataInfo.h"

namespace {

// Keeps host buffers small enough for fast runs; the header checks themselves see every value.
constexpr std::int64_t MaximumHostBytes = std::int64_t(1) << 20;

void FuzzPluginSide(const std::uint8_t* data, std::size_t size) {
  if (size < ExchangePixelOffset) {
    THostBuffer none{nullptr, 0, 0, 0, 3, 3};
    (void)CopyExchangeResult(data, size, none);
    return;
  }
  const TPhotoshopDataInfo header = DecodeDataInfo(data + ExchangeHeaderOffset);
  if (header.Width <= 0 || header.Height <= 0) {
    THostBuffer none{nullptr, 0, header.Width, header.Height, 3, header.ImageMode};
    (void)CopyExchangeResult(data, size, none);
    return;
  }
  const std::int32_t planes = 3 + std::int32_t(size % 2);
  const std::int64_t padding = std::int64_t(size % 5);
  const std::int64_t rowBytes = std::int64_t(header.Width) * planes + padding;  // below 2^34
  if (rowBytes > MaximumHostBytes || header.Height > MaximumHostBytes) return;
  const std::int64_t bytes = rowBytes * (std::int64_t(header.Height) - 1) + std::int64_t(header.Width) * planes;
  if (bytes > MaximumHostBytes) return;
  std::vector<std::uint8_t> host(std::size_t(bytes), 0x5A);
  const THostBuffer out{host.data(), rowBytes, header.Width, header.Height, planes, header.ImageMode};
  (void)CopyExchangeResult(data, size, out);
}

void FuzzEditorSide(const std::uint8_t* data, std::size_t size) {
  TExchangeView view;
  std::string error;
  if (ParseExchangeFile(data, size, view, &error) != TExchangeParse::Ok) return;
  TExchangeTrailer trailer;
  if (LocateExchangeTrailer(data, size, view, trailer, &error) && trailer.Metadata) {
    volatile std::uint8_t sum = 0;
    for (std::uint64_t i = 0; i < trailer.Size; ++i) sum = std::uint8_t(sum + trailer.Metadata[i]);
  }
  // A parsed header fits the file, so stride x height stays near the input's size.
  const std::int64_t stride = ExchangeStride24(view.Header.Width);
  if (stride * view.Header.Height > MaximumHostBytes) return;
  std::vector<std::uint8_t> image(std::size_t(stride * view.Header.Height));
  ExchangeToBGR24(view, image.data(), stride);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A copy of exactly the input's size, so a read past the end is caught.
  std::vector<std::uint8_t> file(data, data + size);
  FuzzPluginSide(file.data(), file.size());
  FuzzEditorSide(file.data(), file.size());
  return 0;
}
