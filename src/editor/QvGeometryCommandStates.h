#pragma once
// Undo states for changes that alter the image's size or orientation, where a before/after copy of
// one rectangle cannot stand for the change:
//   TQvOperationCommandState  a turn or flip: only the operation is kept, and undo runs its inverse;
//   TQvImageCopyCommandState  a crop or resize: full copies of both images and the area from before
//                             the change; redo performs the change again.
// Both end their Undo and Redo with the base's, so every tool hears ImageChanged; their rectangle
// (the area or bounds before the change) need not lie inside the image that results.

#include "QvGraphicsTool.h"

// While it lives, the pointer shows that the program is busy (a no-op without a window system).
class TQvBusyCursor {
 public:
  TQvBusyCursor();
  ~TQvBusyCursor();
  TQvBusyCursor(const TQvBusyCursor&) = delete;
  TQvBusyCursor& operator=(const TQvBusyCursor&) = delete;

 private:
  bool FSet = false;
};

class TQvOperationCommandState : public TQvCustomGraphicsCommandState {
 public:
  // Made before or after the operation itself runs; the rectangle is the document's area or
  // bounds now (GetAreaOrBounds).
  TQvOperationCommandState(TQvGraphicsTool* Tool, TQvGraphicsDocument* Document, TQvImageOperation Operation);

  // The inverse operation, AfterTransform, then the base.
  void Undo() override;
  // The operation again, AfterTransform, then the base.
  void Redo() override;

  TQvImageOperation FOperation;

 protected:
  // After the document has been turned, before the tools hear of it (a tool's preview reloads here).
  virtual void AfterTransform() {}
};

class TQvImageCopyCommandState : public TQvCustomGraphicsCommandState {
 public:
  // Copies the current and the original image and the area (GetAreaOrBounds) now: make it before
  // the document changes. Rect is the state's rectangle (the crop rectangle, the resized area).
  TQvImageCopyCommandState(TQvGraphicsTool* Tool, TQvGraphicsDocument* Document, const TRect& Rect);

  // Both images and the area as they were, then the base.
  void Undo() override;
  // Perform, then the base.
  void Redo() override;

  TQvPixelBuffer FBeforeOriginal;
  TQvPixelBuffer FBefore;
  TRect FArea;
  // The lossless engine's state from before, given back with the images.
  TQvGraphicsDocument::TLosslessState FLossless;

 protected:
  // The change itself, done again on redo (the document's Crop or Resize).
  virtual void Perform(TQvGraphicsDocument& Document) = 0;
};
