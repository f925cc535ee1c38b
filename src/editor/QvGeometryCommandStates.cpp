#include "QvGeometryCommandStates.h"

#include <QApplication>
#include <QCursor>

TQvBusyCursor::TQvBusyCursor() {
  if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    FSet = true;
  }
}

TQvBusyCursor::~TQvBusyCursor() {
  if (FSet) QApplication::restoreOverrideCursor();
}

namespace {

TRect AreaOrBounds(const TQvGraphicsDocument* Document) {
  TRect R;
  if (Document) Document->GetAreaOrBounds(R);
  return R;
}

}  // namespace

// ---- operation ----

TQvOperationCommandState::TQvOperationCommandState(TQvGraphicsTool* Tool, TQvGraphicsDocument* Document,
                                                   TQvImageOperation Operation)
    : TQvCustomGraphicsCommandState(Tool, Document, AreaOrBounds(Document), false), FOperation(Operation) {}

void TQvOperationCommandState::Undo() {
  {
    const TQvBusyCursor Busy;
    if (FDocument) FDocument->Transform(InverseOperation(FOperation));
    AfterTransform();
  }
  TQvCustomGraphicsCommandState::Undo();
}

void TQvOperationCommandState::Redo() {
  {
    const TQvBusyCursor Busy;
    if (FDocument) FDocument->Transform(FOperation);
    AfterTransform();
  }
  TQvCustomGraphicsCommandState::Redo();
}

// ---- whole images ----

TQvImageCopyCommandState::TQvImageCopyCommandState(TQvGraphicsTool* Tool, TQvGraphicsDocument* Document,
                                                   const TRect& Rect)
    : TQvCustomGraphicsCommandState(Tool, Document, Rect, false), FArea(AreaOrBounds(Document)) {
  if (FDocument) {
    FDocument->GetImages(FBefore, &FBeforeOriginal);
    FLossless = FDocument->GetLosslessState();
  }
}

void TQvImageCopyCommandState::Undo() {
  if (FDocument && FDocument->SetImages(FBefore, FBeforeOriginal.IsEmpty() ? nullptr : &FBeforeOriginal)) {
    FDocument->SetArea(FArea);
    // A crop undone still saves as a copy of the source rather than as a re-encoded picture.
    FDocument->SetLosslessState(FLossless);
  }
  TQvCustomGraphicsCommandState::Undo();
}

void TQvImageCopyCommandState::Redo() {
  {
    const TQvBusyCursor Busy;
    if (FDocument) Perform(*FDocument);
  }
  TQvCustomGraphicsCommandState::Redo();
}
