#include "QvToolPanel.h"

#include "MainForm.h"
#include "QvFlowLayout.h"
#include "QvLocalizer.h"
#include "QvSDF.h"

#include <QActionEvent>
#include <QDockWidget>
#include <QMenu>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include <stdexcept>

TQvToolPanelModule* ToolPanelModule = nullptr;

namespace {

void PutI32(QByteArray& Bytes, int Offset, std::int32_t Value) {
  const auto U = static_cast<std::uint32_t>(Value);
  for (int I = 0; I < 4; ++I) Bytes[Offset + I] = static_cast<char>((U >> (8 * I)) & 0xFF);
}

std::int32_t GetI32(const QByteArray& Bytes, int Offset) {
  std::uint32_t U = 0;
  for (int I = 0; I < 4; ++I) U |= std::uint32_t(static_cast<unsigned char>(Bytes[Offset + I])) << (8 * I);
  return static_cast<std::int32_t>(U);
}

// Sizes beyond this are not a panel any screen can show.
constexpr std::int32_t MaxExtent = 1 << 20;

bool Plausible(std::int32_t Extent) { return Extent > 0 && Extent <= MaxExtent; }

}  // namespace

// ---- button bar ----

TQvButtonBar::TQvButtonBar(QWidget* Parent) : QWidget(Parent), FLayout(new TQvFlowLayout(this, 1)) {
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void TQvButtonBar::actionEvent(QActionEvent* Event) {
  QAction* Action = Event->action();
  switch (Event->type()) {
    case QEvent::ActionAdded: {
      auto* Button = new QToolButton(this);
      Button->setDefaultAction(Action);
      Button->setAutoRaise(true);
      Button->setIconSize(QSize(16, 16));
      int Index = -1;
      if (Event->before()) Index = static_cast<int>(actions().indexOf(Event->before()));
      FLayout->InsertWidget(Index, Button);
      break;
    }
    case QEvent::ActionRemoved:
      for (int I = 0; I < FLayout->count(); ++I) {
        auto* Button = qobject_cast<QToolButton*>(FLayout->itemAt(I)->widget());
        if (Button && Button->defaultAction() == Action) {
          delete FLayout->takeAt(I);
          delete Button;
          break;
        }
      }
      break;
    default: break;
  }
  QWidget::actionEvent(Event);
}

TQvToolFrame::TQvToolFrame(QWidget* Parent) : TQvFrame(Parent) {
  setObjectName(QStringLiteral("ToolFrame"));
  auto* Layout = new QVBoxLayout(this);
  // The frame stays 6 pixels taller than its bar, however many rows the buttons take.
  Layout->setContentsMargins(0, 3, 0, 3);
  Toolbar = new TQvButtonBar(this);
  Toolbar->setObjectName(QStringLiteral("Toolbar"));
  Layout->addWidget(Toolbar);
}

// ---- position record ----

QByteArray TQvPanelPosition::ToBytes() const {
  QByteArray Bytes(RecordSize, '\0');
  PutI32(Bytes, 0, RecordSize);
  Bytes[4] = Visible ? 1 : 0;
  Bytes[5] = Floating ? 1 : 0;
  if (Floating) {
    PutI32(Bytes, 6, FloatingRect.x());
    PutI32(Bytes, 10, FloatingRect.y());
    PutI32(Bytes, 14, FloatingRect.width());
    PutI32(Bytes, 18, FloatingRect.height());
  } else {
    Bytes[22] = static_cast<char>(DockSide);
    PutI32(Bytes, 23, PositionInRow);
    PutI32(Bytes, 27, Row);
    PutI32(Bytes, 31, DockedWidth);
    PutI32(Bytes, 35, DockedHeight);
    PutI32(Bytes, 39, SplitWidth);
    PutI32(Bytes, 43, SplitHeight);
  }
  return Bytes;
}

bool TQvPanelPosition::FromBytes(const QByteArray& Bytes, TQvPanelPosition& Position) {
  if (Bytes.size() != static_cast<qsizetype>(RecordSize) || GetI32(Bytes, 0) != static_cast<std::int32_t>(RecordSize))
    return false;
  TQvPanelPosition P;
  P.Visible = Bytes[4] != 0;
  P.Floating = Bytes[5] != 0;
  if (P.Floating) {
    P.FloatingRect = QRect(GetI32(Bytes, 6), GetI32(Bytes, 10), GetI32(Bytes, 14), GetI32(Bytes, 18));
  } else {
    P.DockSide = static_cast<std::uint8_t>(Bytes[22]);
    P.PositionInRow = GetI32(Bytes, 23);
    P.Row = GetI32(Bytes, 27);
    P.DockedWidth = GetI32(Bytes, 31);
    P.DockedHeight = GetI32(Bytes, 35);
    P.SplitWidth = GetI32(Bytes, 39);
    P.SplitHeight = GetI32(Bytes, 43);
  }
  Position = P;
  return true;
}

// ---- module ----

TQvToolPanelModule::TQvToolPanelModule() {
  if (!MainForm) throw std::logic_error("The tool panel needs the main window");
  Panel = MainForm->CreateDockablePanel();
  Panel->setObjectName(QStringLiteral("ToolPanel"));
  Panel->setWindowTitle(GetLocalString(176, QStringLiteral("Tools")));
  Panel->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
  Panel->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);

  auto* Contents = new QWidget(Panel);
  auto* Layout = new QVBoxLayout(Contents);
  Layout->setContentsMargins(8, 8, 8, 8);
  Layout->setSpacing(0);
  ToolFrame = CreateInitialized<TQvToolFrame>(Contents);
  Toolbar = ToolFrame->Toolbar;
  Layout->addWidget(ToolFrame);

  FOptionArea = new QScrollArea(Contents);
  FOptionArea->setObjectName(QStringLiteral("OptionArea"));
  FOptionArea->setFrameShape(QFrame::NoFrame);
  FOptionArea->setWidgetResizable(true);
  FOptionHost = new QWidget(FOptionArea);
  FOptionLayout = new QVBoxLayout(FOptionHost);
  FOptionLayout->setContentsMargins(0, 0, 0, 0);
  FOptionLayout->addStretch(1);
  FOptionArea->setWidget(FOptionHost);
  Layout->addWidget(FOptionArea, 1);
  Panel->setWidget(Contents);

  MainForm->addDockWidget(Qt::RightDockWidgetArea, Panel);
  MainForm->resizeDocks({Panel.data()}, {200}, Qt::Horizontal);

  VisibleMenuItem = MainForm->AddMenuItem(GetLocalString(176, QStringLiteral("Tools")), QKeySequence(),
                                          MainForm->ToolbarsMenuItem->menuAction(), MainForm->ViewMenuItem, -1,
                                          [this] { SetPanelVisible(!IsPanelVisible()); });
  VisibleMenuItem->setObjectName(QStringLiteral("ToolPanelVisibleMenuItem"));
  VisibleMenuItem->setCheckable(true);
  VisibleMenuItem->setChecked(true);
}

TQvToolPanelModule::~TQvToolPanelModule() {
  if (ToolPanelModule == this) ToolPanelModule = nullptr;
  // The option frames and the tool frame belong to the module even though they sit in the panel.
  for (const QPointer<QWidget>& Frame : FOptionFrames) delete Frame.data();
  delete ToolFrame.data();
}

QWidget* TQvToolPanelModule::OptionHost() const { return FOptionHost; }

void TQvToolPanelModule::PlaceOptionFrame(QWidget* Frame) {
  // Above the closing stretch, so every frame keeps its own height and the space below stays empty.
  FOptionLayout->insertWidget(FOptionLayout->count() - 1, Frame);
  FOptionFrames.emplace_back(Frame);
}

bool TQvToolPanelModule::IsPanelVisible() const {
  // Not isVisible(): that is false for every panel while the main window itself is hidden.
  return Panel && !Panel->isHidden();
}

void TQvToolPanelModule::SetPanelVisible(bool Value) {
  if (Panel) Panel->setVisible(Value);
}

void TQvToolPanelModule::SetPanelWidth(int Value) {
  if (!Panel || !MainForm || Value < Panel->minimumWidth()) return;
  Panel->setMinimumWidth(Value);
  Panel->setMaximumWidth(Value);
  MainForm->resizeDocks({Panel.data()}, {Value}, Qt::Horizontal);
}

void TQvToolPanelModule::Localize() {
  const QString Caption = GetLocalString(176, QStringLiteral("Tools"));
  if (Panel) Panel->setWindowTitle(Caption);
  if (VisibleMenuItem) VisibleMenuItem->setText(Caption);
}

void TQvToolPanelModule::UpdateControls() {
  if (VisibleMenuItem) VisibleMenuItem->setChecked(IsPanelVisible());
}

// ---- position and settings ----

TQvPanelPosition TQvToolPanelModule::GetPanelPosition() const {
  TQvPanelPosition P;
  if (!Panel || !MainForm) return P;
  P.Visible = IsPanelVisible();
  P.Floating = Panel->isFloating();
  if (P.Floating) {
    P.FloatingRect = Panel->geometry();
    return P;
  }
  const Qt::DockWidgetArea Area = MainForm->dockWidgetArea(Panel);
  switch (Area) {
    case Qt::TopDockWidgetArea: P.DockSide = TQvPanelPosition::Top; break;
    case Qt::BottomDockWidgetArea: P.DockSide = TQvPanelPosition::Bottom; break;
    case Qt::LeftDockWidgetArea: P.DockSide = TQvPanelPosition::Left; break;
    default: P.DockSide = TQvPanelPosition::Right; break;
  }
  // The panel's place among the other panels of its side, counted along the side.
  const bool Vertical = P.DockSide == TQvPanelPosition::Left || P.DockSide == TQvPanelPosition::Right;
  for (QDockWidget* Other : MainForm->findChildren<QDockWidget*>()) {
    if (Other == Panel || Other->isFloating() || Other->isHidden() || MainForm->dockWidgetArea(Other) != Area) continue;
    if (Vertical ? Other->y() < Panel->y() : Other->x() < Panel->x()) ++P.PositionInRow;
  }
  P.DockedWidth = P.SplitWidth = Panel->width();
  P.DockedHeight = P.SplitHeight = Panel->height();
  return P;
}

void TQvToolPanelModule::SetPanelPosition(const TQvPanelPosition& Position) {
  if (!Panel || !MainForm) return;
  if (Position.Floating) {
    Panel->setFloating(true);
    const QRect& R = Position.FloatingRect;
    if (Plausible(R.width()) && Plausible(R.height()) && std::abs(R.x()) <= MaxExtent && std::abs(R.y()) <= MaxExtent)
      Panel->setGeometry(R);
  } else {
    Qt::DockWidgetArea Area = Qt::NoDockWidgetArea;
    switch (Position.DockSide) {
      case TQvPanelPosition::Top: Area = Qt::TopDockWidgetArea; break;
      case TQvPanelPosition::Bottom: Area = Qt::BottomDockWidgetArea; break;
      case TQvPanelPosition::Left: Area = Qt::LeftDockWidgetArea; break;
      case TQvPanelPosition::Right: Area = Qt::RightDockWidgetArea; break;
      default: break;
    }
    if (Area == Qt::NoDockWidgetArea) {
      // No dock on that side: the panel floats where the window system puts it.
      Panel->setFloating(true);
    } else {
      Panel->setFloating(false);
      MainForm->addDockWidget(Area, Panel);
      const bool Vertical = Area == Qt::LeftDockWidgetArea || Area == Qt::RightDockWidgetArea;
      const std::int32_t Extent = Vertical ? Position.DockedWidth : Position.DockedHeight;
      if (Plausible(Extent))
        MainForm->resizeDocks({Panel.data()}, {Extent}, Vertical ? Qt::Horizontal : Qt::Vertical);
    }
  }
  Panel->setVisible(Position.Visible);
}

void TQvToolPanelModule::SaveSettings(TQvSDFWriter& Writer) {
  Writer.BeginNode(1, QvSettingsGuid::ToolPanelModule);
  Writer.WriteBuffer(1, GetPanelPosition().ToBytes());
  Writer.EndNode();
}

void TQvToolPanelModule::LoadSettings(TQvSDFReader& Reader) {
  if (!Reader.EnterNode(1, QvSettingsGuid::ToolPanelModule)) return;
  QByteArray Bytes(TQvPanelPosition::RecordSize, '\0');
  TQvPanelPosition Position;
  if (Reader.ReadBuffer(1, Bytes.data(), TQvPanelPosition::RecordSize) && TQvPanelPosition::FromBytes(Bytes, Position))
    SetPanelPosition(Position);
  Reader.LeaveNode();
}
