#pragma once
// The image document: the current image the tools change, the original image as it was opened,
// the committed backup copy of the current image, the file's property items and the lossless JPEG
// engine. It carries the change protocol of the tools, performs rotations, flips, crops and
// resizes on all its images at once, and relays document events to every tool.

#include "QvEditor.h"
#include "QvImageCodecs.h"
#include "QvLTBitmap.h"
#include "QvTypes.h"

#include <QWidget>

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class IVJPEG;
class TQvCommandState;
class TQvGraphicsDocument;

// The turns and flips the document performs on all its images at once. The numbers are the codes
// that undo states and the rotate tool keep.
enum class TQvImageOperation : uint8_t { None = 0, RotateLeft = 1, RotateRight = 2, FlipHorizontal = 3, FlipVertical = 4 };

// The operation that takes the image back (a flip is its own inverse).
TQvImageOperation InverseOperation(TQvImageOperation Operation);
// Where Rect (image coordinates of an image of Width × Height) lies after Operation.
TRect MapRectThrough(TQvImageOperation Operation, const TRect& Rect, int32_t Width, int32_t Height);

// What a tool hears from the document. The graphics tool implements it; the document finds the
// tools by walking the application's components in registry order.
class IQvGraphicsToolEvents {
 public:
  virtual ~IQvGraphicsToolEvents() = default;
  // Commits the tool's pending change; called when another change begins or the document ends it.
  virtual void EndChange() {}
  virtual void DocumentOpened(TQvGraphicsDocument* /*Document*/) {}
  virtual void DocumentClosing(TQvGraphicsDocument* /*Document*/) {}
  virtual void DocumentSaving(TQvGraphicsDocument* /*Document*/) {}
  virtual void BeforeUndo(TQvCommandState* /*State*/) {}
  virtual void AfterUndo(TQvCommandState* /*State*/) {}
  virtual void BeforeRedo(TQvCommandState* /*State*/) {}
  virtual void AfterRedo(TQvCommandState* /*State*/) {}
  virtual void ImageChanged(TQvGraphicsDocument* /*Document*/, IQvGraphicsToolEvents* /*Tool*/,
                            const TRect& /*Rect*/) {}
};

// What the document needs from its image view (the view widget implements it).
class IQvGraphicsDocumentView {
 public:
  virtual ~IQvGraphicsDocumentView() = default;
  // The pixels of Rect (image coordinates) changed: repaint them, grown by a pixel on every side
  // to cover rounding, without erasing first.
  virtual void InvalidateImage(const TRect& Rect) = 0;
  // The image now has these bounds: recompute the scroll range, repaint, show the size.
  virtual void ImageBoundsChanged(const TRect& Bounds) = 0;
};

// The property items of the last file read, with its resolution in dots per inch.
class TQvGraphicsDocumentProperties : public TQvImageProperties {};

class TQvGraphicsDocument : public TQvDocument {
  Q_OBJECT

 public:
  // Makes the document's view; set by the graphics editor. Without it a document has no view.
  static std::function<QWidget*(TQvGraphicsDocument*)> ViewFactory;
  // Makes the lossless engine object; without it (or when it returns nullptr) FEngine is nullptr
  // and every file goes through the decoders. The editor and the command-line program set it.
  static std::function<std::unique_ptr<IVJPEG>()> EngineFactory;
  // At most this many changed rectangles are kept; beyond it the two whose union wastes least
  // are merged.
  static constexpr size_t MaxChangedRects = 32;
  // Whether documents keep the original image for comparing. A program that never compares
  // (the command-line tool) clears it before opening anything: the original then stays empty and
  // OriginalPixels() is nullptr.
  static bool KeepsOriginal;
  // Whether the tools' pixel changes are kept as undo steps. A program that never undoes (the
  // command-line tool) clears it: a change then costs no before and after copies of its pixels.
  static bool KeepsHistory;

  explicit TQvGraphicsDocument(TQvEditor* AEditor = nullptr);
  ~TQvGraphicsDocument() override;

  void CreateView(QWidget*& View) override;
  void BeforeClose() override;
  void BeforeSave() override;
  void AfterOpen() override;

  // ---- change protocol ----
  // Ends a change under way (its tool commits), then starts one for Tool.
  void BeginModification(IQvGraphicsToolEvents* Tool);
  // Ends the change. With the document itself as Sender, the modifying tool commits first.
  void EndModification(const QObject* Sender);
  void ClearModification();
  // Adds Rect (image coordinates) to the changed rectangle, or replaces it, and repaints Rect.
  // Rect also joins the changed rectangles of the image (ChangedRects).
  void AddChangedRect(const TRect& Rect, bool Replace);
  void InvalidateImageRect(const TRect& Rect);
  // The change under way: its rectangle, whether there is one and whose it is.
  const TRect& ChangedRect() const { return FChangedRect; }
  bool Modifying() const { return FModifying; }
  IQvGraphicsToolEvents* ModifyingTool() const { return FModifyingTool; }

  // ---- what changed since the file was read or last written by the engine ----
  // Rectangles of the current image (its coordinates, inside its bounds, none overlapping another
  // and none empty) that hold every pixel a tool, an undo or a redo changed since the load or the
  // last save through the engine. The engine recompresses only the blocks they meet, so this may
  // hold more than what changed, never less. Carried through rotations, flips and crops; a resize
  // or a replaced image makes it the whole image.
  const std::vector<TRect>& ChangedRects() const { return FChangedRects; }
  // After a load, and after the engine wrote the image (its source is then the saved file).
  void ClearChangedRects() { FChangedRects.clear(); }

  // ---- pixels ----
  TQvPixels* Pixels() const { return FImage->Pixels(); }
  // The original with every turn and mirror done to the document since it was kept apart (those
  // wait until it is next looked at); nullptr while there is no original, or none can be had in
  // that form for want of memory (asked again, it tries again).
  TQvPixels* OriginalPixels() const { return Original().Pixels(); }
  // The committed copy of the current image: tools read the image as it was before their change
  // here, and command states take their "before" pixels from it.
  // A commit that was put off (DeferBackupCommit) is copied in first.
  const TQvPixelBuffer& Backup() const;
  // Makes the backup equal to the current image (bounds, format and pixels): a view of its pixels
  // when its block can still be shared, else a copy. False (backup unchanged) when neither can be had.
  bool SyncBackup();
  // The backup catches up with the current image after a commit, an undo or a redo: only Rect
  // (clipped to the image) is copied while both have the same layout, otherwise all of it.
  void CommitBackup(const TRect& Rect);
  // As CommitBackup, but the copy waits until the backup is next read. Only for commits that no
  // undo step follows: a program that saves and exits right after its last change then never
  // copies the pixels it changed (a whole toned picture is 72 MB at 24 megapixels).
  void DeferBackupCommit(const TRect& Rect);

  // ---- geometry: all images, the area and the engine together ----
  // Each returns false and changes nothing when the current image cannot be had in its new form.
  bool RotateLeft() { return Transform(TQvImageOperation::RotateLeft); }
  bool RotateRight() { return Transform(TQvImageOperation::RotateRight); }
  bool FlipHorizontal() { return Transform(TQvImageOperation::FlipHorizontal); }
  bool FlipVertical() { return Transform(TQvImageOperation::FlipVertical); }
  // Any of the four above by its code; false for None.
  bool Transform(TQvImageOperation Operation);
  // Keeps Rect ∩ bounds; nothing at all happens when that is empty. The engine is cut to exactly
  // that rectangle; one whose corner is off its block grid is re-encoded there at the save rather
  // than shifted onto the grid.
  bool Crop(const TRect& Rect);
  bool Resize(int32_t AWidth, int32_t AHeight, bool ScaleArea, bool ResizeOriginal);

  // What a lossless save stands on at a moment: the engine's pending turn and cut and the
  // changed rectangles. A state that puts whole images back (the undo of a crop or a resize)
  // takes it before its change and gives it back after SetImages, so the engine is again where
  // it was instead of taking the restored pictures for resized ones.
  struct TLosslessState {
    std::any Engine;
    std::vector<TRect> ChangedRects;
    int32_t Width = 0, Height = 0;
  };
  TLosslessState GetLosslessState() const;
  // False (nothing changed) when the images are not of the state's size or the engine has taken
  // another source since (a save through it): the whole picture then stays marked as changed.
  bool SetLosslessState(const TLosslessState& State);

  // Whole-image exchange for crop and resize command states.
  void GetImages(TQvPixelBuffer& Current, TQvPixelBuffer* Original) const;
  bool SetImages(const TQvPixels& Current, const TQvPixels* Original);

  // ---- area ----
  void GetAreaOrBounds(TRect& Rect) const;
  void SetArea(const TRect& Rect);
  void ClearArea() { FArea = TRect{}; }
  bool HasArea() const { return !FArea.IsEmpty(); }
  const TRect& Area() const { return FArea; }

  // A new bitmap of the whole current image fitted into MaxSize × MaxSize; nullptr when empty.
  std::unique_ptr<TQvLTBitmap> CreateThumbnail(int32_t MaxSize) const;
  void UpdateViewAndStatus();

  // ---- relays to every tool ----
  void NotifyBeforeUndo();
  void NotifyAfterUndo();
  void NotifyBeforeRedo();
  void NotifyAfterRedo();
  // A command state was made, undone or redone: Rect of the image changed (it joins ChangedRects).
  // With PixelsWritten false the rectangle only tells the tools (the document's own turn, crop or
  // resize already accounted for what it did).
  void NotifyImageChanged(IQvGraphicsToolEvents* Tool, const TRect& Rect, bool PixelsWritten = true);

  int32_t Width() const { return FImage->Width(); }
  int32_t Height() const { return FImage->Height(); }
  TQvLTBitmap& Image() const { return *FImage; }
  // The original as OriginalPixels describes it (an empty bitmap while none can be had).
  TQvLTBitmap& Original() const;
  TQvGraphicsDocumentProperties& Properties() const { return *FProperties; }
  IVJPEG* Engine() const { return FEngine.get(); }

  // Puts a freshly loaded image and its properties in place: the original (when kept) and the
  // backup start as copy-on-write views of it (copies where its memory cannot be shared), the area
  // and any change are cleared. False (document unchanged) when they cannot be had.
  bool AdoptLoadedImage(std::unique_ptr<TQvLTBitmap>& Image,
                        std::unique_ptr<TQvGraphicsDocumentProperties>& Properties);

 private:
  TRect FChangedRect;
  bool FModifying = false;
  IQvGraphicsToolEvents* FModifyingTool = nullptr;
  // Whether the backup has the current image's bounds and format (a rectangle can be copied in).
  bool BackupFitsImage() const;
  // Mutable so that reading the backup can first bring in a commit put off until then.
  mutable TQvPixelBuffer FBackup;
  // Where the backup lags behind the current image because its commit was put off (empty: nowhere).
  mutable TRect FStaleBackup;
  // The original holds exactly the current image's pixels (nothing changed them since the open,
  // only turns, flips and crops done to both): those can then make the original a view of the
  // new current image instead of doing the work twice.
  bool FOriginalIsImage = false;
  // Turns and mirrors of an original kept apart from the image, not done yet: so many quarter
  // turns clockwise, then a mirror left to right. A turn and its undo then cost the original
  // nothing; the first look at the original does what is left (SettleOriginal).
  mutable int FOriginalTurns = 0;
  mutable bool FOriginalMirror = false;
  // False (the original as it was, the turns still waiting) when the turned copy cannot be had.
  bool SettleOriginal() const;
  void ForgetOriginalTurns() const;

  template <class F>
  void ForEachTool(F&& Call);
  void EngineSetRegion(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom);
  bool EngineLoaded() const;
  // Rect ∩ the image joins the changed rectangles.
  void AddToChangedRects(const TRect& Rect);
  // Every changed rectangle through F (old rectangle to new, in the new image's coordinates).
  template <class F>
  void MapChangedRects(F&& Map);
  void MarkWholeImageChanged();

  TRect FArea;  // empty: the whole image
  std::vector<TRect> FChangedRects;
  std::unique_ptr<IVJPEG> FEngine;
  std::unique_ptr<TQvLTBitmap> FImage;
  std::unique_ptr<TQvLTBitmap> FOriginal;
  std::unique_ptr<TQvGraphicsDocumentProperties> FProperties;
};
