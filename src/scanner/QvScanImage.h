// A scanned picture put together from the frames and byte runs the scanner delivers, as 24-bit
// rows (blue, green, red), and written as a BMP file. No widgets and no scanner calls: the session
// feeds it, tests feed it by hand.
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

// What the scanner says about one frame. The numbers are the stack's own and not trusted: every one
// is checked before anything is allocated.
struct TQvScanParameters {
  enum TFormat : int { Gray = 0, RGB = 1, Red = 2, Green = 3, Blue = 4 };
  int Format = Gray;
  bool LastFrame = true;
  std::int64_t BytesPerLine = 0;
  std::int64_t PixelsPerLine = 0;
  std::int64_t Lines = 0;  // -1: not known until the data ends (hand-held scanners)
  int Depth = 8;           // bits per sample: 1 (line art), 8 or 16 (native byte order)
};

// A message for the user, made on the worker thread and put into words on the user-interface thread
// (the language files are read there only). Id 0: no message.
struct TQvScanMessage {
  int Id = 0;
  QString Default;  // "%s" takes Arg
  QString Arg;
  QString Text() const;
  bool IsSet() const { return Id != 0; }
};

class TQvScanImage {
 public:
  // Limits that keep a wrong or hostile answer from asking for absurd memory: the BMP header holds
  // 32-bit sizes, and one picture stays below 1 GiB.
  static constexpr std::int64_t MaxSide = 1 << 17;
  static constexpr std::int64_t MaxBytes = std::int64_t(1) << 30;

  // Starts a frame. A colour picture is one RGB frame or three single-channel frames (any order)
  // of the same size. False with a message for what cannot be read.
  bool BeginFrame(const TQvScanParameters& Parameters, TQvScanMessage& Error);
  // Bytes of the current frame, in any run lengths. False when the frame holds more than it said.
  bool AddData(const std::uint8_t* Data, std::size_t Size, TQvScanMessage& Error);
  // Ends the current frame. A frame with fewer lines than announced keeps the complete lines it got;
  // one without any complete line is an error.
  bool EndFrame(TQvScanMessage& Error);
  // Whether the last frame has ended, so the picture is whole.
  bool Complete() const { return FComplete; }
  // Bytes expected for the current frame, -1 when its height is not known (for progress).
  std::int64_t ExpectedBytes() const;
  std::int64_t ReceivedBytes() const { return FReceived; }

  std::int64_t Width() const { return FWidth; }
  std::int64_t Height() const { return FHeight; }
  // Row Y: Width() pixels, three bytes each (blue, green, red), no padding.
  const std::uint8_t* Row(std::int64_t Y) const { return FPixels.data() + Y * FWidth * 3; }

  // The picture as a bottom-up 24-bit BMP with the resolution in dots per inch. False with a
  // message when it is not complete or the writer failed (the caller removes the file).
  bool WriteBmp(int Fd, double Dpi, TQvScanMessage& Error) const;

 private:
  bool Fail(TQvScanMessage& Error, int Id, const QString& Default, const QString& Arg = QString());
  void ConvertLine(const std::uint8_t* Line, std::int64_t Y);
  bool GrowTo(std::int64_t Lines, TQvScanMessage& Error);

  TQvScanParameters FFrame;
  bool FInFrame = false;
  bool FComplete = false;
  bool FSeparateChannels = false;  // three single-channel frames
  unsigned FChannelsDone = 0;      // bits 0..2: red, green, blue frames received
  std::int64_t FWidth = 0;
  std::int64_t FHeight = 0;       // lines allocated (or final height once complete)
  std::int64_t FLinesDone = 0;    // complete lines of the current frame
  std::int64_t FReceived = 0;     // bytes of the current frame
  std::int64_t FLineBytes = 0;    // meaningful bytes at the start of each delivered line
  std::vector<std::uint8_t> FLine;  // the line being filled
  std::size_t FLineFill = 0;
  std::vector<std::uint8_t> FPixels;
};
