// What the tool tests repeat: snapshots of a document's images, "nothing changed outside these
// rectangles", a recorder that collects script lines, and the check that an undo step undoes and
// redoes bit for bit.
#pragma once

#include "QvEditor.h"
#include "QvGraphicsDocument.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace QvTest {

// Pixels of Rect in P as bytes, row by row (the part of Rect inside P).
std::vector<uint8_t> PixelBytes(const TQvPixels& P, const TRect& Rect);
std::vector<uint8_t> PixelBytes(const TQvPixels& P);
// A private copy of P (same bounds and format).
std::unique_ptr<TQvPixelBuffer> CopyPixels(const TQvPixels& P);

// The current image, the backup and the original of a document at one moment.
struct TDocumentSnapshot {
  TRect Bounds;
  TRect OriginalBounds;
  std::vector<uint8_t> Image;
  std::vector<uint8_t> Backup;
  std::vector<uint8_t> Original;

  static TDocumentSnapshot Take(const TQvGraphicsDocument& Doc);
  friend bool operator==(const TDocumentSnapshot&, const TDocumentSnapshot&) = default;
};

// Every pixel of After outside Rects equals the pixel of Before (same bounds required); the
// failure names the first pixel that differs.
::testing::AssertionResult UnchangedOutside(const TQvPixels& Before, const TQvPixels& After,
                                            const std::vector<TRect>& Rects);

// Writes a 4-plane exchange request of Width x Height to Path, as the plug-in writes it (rows
// padded by 2 bytes, pixel bytes following a pattern); false when the file cannot be written.
bool WriteExchangeRequest(const QString& Path, int Width = 6, int Height = 4);

// Collects the lines a module records; Messages says whether it asks for "Message" lines.
class TLineRecorder : public TQvDemoRecorder {
 public:
  explicit TLineRecorder(bool Messages = true) : FMessages(Messages) {}
  void RecordLine(const QString& Line) override { Lines << Line; }
  bool RecordMessages() const override { return FMessages; }
  QStringList Lines;

 private:
  bool FMessages;
};

// Apply must add exactly one undo step to Doc. Then undo must give back the document exactly as
// before (image, backup, original), redo exactly as after Apply, and a second undo/redo the same.
::testing::AssertionResult ApplyUndoRedoIsBitExact(TQvGraphicsDocument& Doc, const std::function<void()>& Apply);

}  // namespace QvTest
