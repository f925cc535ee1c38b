#include "QvGraphicsView.h"

#include "QvGraphicsEditor.h"

#include <QKeyEvent>

const TQvZoomRatio ZoomSteps[ZoomStepCount] = {{1, 16}, {1, 12}, {1, 8}, {1, 7}, {1, 6}, {1, 5}, {1, 4},
                                               {1, 3},  {1, 2},  {3, 4}, {1, 1}, {3, 2}, {2, 1}, {3, 1},
                                               {4, 1},  {5, 1},  {6, 1}, {7, 1}, {8, 1}, {12, 1}, {16, 1}};

int QvVirtualKey(int, bool) { return 0; }
int QvVirtualKey(const QKeyEvent& Event) { return QvVirtualKey(Event.key(), Event.modifiers() & Qt::KeypadModifier); }
TQvShiftState QvShiftState(Qt::KeyboardModifiers, Qt::MouseButtons) { return 0; }
int ZoomThousandths(int, int) { return 1000; }
int ZoomInStep(int, int) { return 10; }
int ZoomOutStep(int, int) { return 10; }
TQvZoomRatio BestFitRatio(int, int, int, int) { return {1, 1}; }
bool AutoFitIsActualSize(int, int, int, int) { return true; }

TQvGraphicDocumentView::TQvGraphicDocumentView(TQvGraphicsDocument* ADocument) : FDocument(ADocument) { InitFlags(); }
TQvGraphicDocumentView::~TQvGraphicDocumentView() = default;
void TQvGraphicDocumentView::InitFlags() { Flags = ViewObjectVisible | ViewObjectFrame | ViewObjectPaintable; }
void TQvGraphicDocumentView::PaintFrame(TQvViewCanvas&) {}
void TQvGraphicDocumentView::InvalidateCache(const TRect&) {}
void TQvGraphicDocumentView::ResetCache() {}
void TQvGraphicDocumentView::PrepareCache(int, int) {}
const TQvPixels* TQvGraphicDocumentView::Level(int) { return nullptr; }
void TQvGraphicDocumentView::RefreshLevel(int) {}

TQvGraphicsView::TQvGraphicsView(TQvGraphicsDocument* ADocument, QWidget* Parent)
    : TQvScrollViewControl(Parent), FDocument(ADocument) {
  auto Picture = std::make_unique<TQvGraphicDocumentView>(ADocument);
  FDocumentView = Picture.get();
  Objects().Add(std::move(Picture));
}
TQvGraphicsView::~TQvGraphicsView() = default;
TQvGraphicsEditor* TQvGraphicsView::Editor() const { return GraphicsEditor; }
void TQvGraphicsView::SetZoomExtents(int Numerator, int Denominator) {
  MapMode().DeviceExtent = QPoint(Numerator, Numerator);
  MapMode().LogicalExtent = QPoint(Denominator, Denominator);
}
void TQvGraphicsView::SetFocus() {}
void TQvGraphicsView::UpdateCursor() {}
TPoint TQvGraphicsView::GetMousePos() const { return {}; }
void TQvGraphicsView::ShowPointStatus(const TPoint&) {}
void TQvGraphicsView::DoMouseDown(TQvMouseButton, TQvShiftState, const TPoint&) {}
void TQvGraphicsView::DoMouseMove(TQvShiftState, const TPoint&) {}
void TQvGraphicsView::DoMouseUp(TQvMouseButton, TQvShiftState, const TPoint&) {}
bool TQvGraphicsView::DoMouseWheel(TQvShiftState, int, const TPoint&) { return false; }
bool TQvGraphicsView::DoKeyDown(int, TQvShiftState) { return false; }
bool TQvGraphicsView::DoKeyUp(int, TQvShiftState) { return false; }
void TQvGraphicsView::DoMouseEnter() {}
void TQvGraphicsView::DoMouseLeave() {}
int TQvGraphicsView::QueryCursor(TQvShiftState, const TPoint&) { return 0; }
std::vector<TQvGraphicsToolControl*> TQvGraphicsView::ToolControls() const { return {}; }
void TQvGraphicsView::DocumentChanged(TQvDocument*) { UpdateScrollRange(); }
void TQvGraphicsView::DocumentClosed(TQvDocument*) {}
TRect TQvGraphicsView::ImageToWindow(const TRect& Rect) const { return LogicalToDevice(Rect); }
void TQvGraphicsView::ImageBoundsChanged(const TRect& Bounds) { FDocumentView->SetBounds(Bounds); }
bool TQvGraphicsView::event(QEvent* Event) { return TQvScrollViewControl::event(Event); }
bool TQvGraphicsView::viewportEvent(QEvent* Event) { return TQvScrollViewControl::viewportEvent(Event); }
void TQvGraphicsView::mousePressEvent(QMouseEvent* Event) { TQvScrollViewControl::mousePressEvent(Event); }
void TQvGraphicsView::mouseMoveEvent(QMouseEvent* Event) { TQvScrollViewControl::mouseMoveEvent(Event); }
void TQvGraphicsView::mouseReleaseEvent(QMouseEvent* Event) { TQvScrollViewControl::mouseReleaseEvent(Event); }
void TQvGraphicsView::keyPressEvent(QKeyEvent* Event) { TQvScrollViewControl::keyPressEvent(Event); }
void TQvGraphicsView::keyReleaseEvent(QKeyEvent* Event) { TQvScrollViewControl::keyReleaseEvent(Event); }
bool TQvGraphicsView::focusNextPrevChild(bool Next) { return TQvScrollViewControl::focusNextPrevChild(Next); }
void TQvGraphicsView::RecordLine(const QString&) {}
QString TQvGraphicsView::PositionText(const TPoint&) const { return {}; }
void TQvGraphicsView::ApplyCursor(int) {}
