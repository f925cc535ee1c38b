// The graphics editor's demonstration commands and the controls scripts point at.
#include "QvGraphicsEditor.h"

#include "MainForm.h"
#include "QvGraphicsEditorParts.h"
#include "QvProperties.h"

#include <QAction>
#include <QFileInfo>
#include <QScreen>
#include <QToolBar>

using namespace QvGraphicsEditorParts;

void TQvGraphicsEditor::ExecuteDemoCommand(TQvDemoPlayback* Playback, const QString& Command, bool& Handled,
                                           TQvDemoScriptUserAction* Action, TQvCustomProperties* Params) {
  int Width = 0, Height = 0;
  Handled = true;
  if (Command == QLatin1String("IMAGEOPEN")) {
    QString Name = Params && Params->Count() > 0 ? Params->GetValue(0).toString() : QString();
    const QString InFolder = FImagesFolder + Name;
    if (!Name.isEmpty() && QFileInfo(InFolder).isFile()) Name = InFolder;
    TQvDocument* Doc = nullptr;
    if (!Name.isEmpty() && OpenFile(Name, Doc, true) && Doc) {
      Doc->Temporary = true;
      if (Params->Count() == 3 && ParamNumber(Params, 1, Width) && ParamNumber(Params, 2, Height)) {
        SetMinViewSize(Width, Height);
        FitActive();
      }
    } else if (DemoErrorReporter) {
      DemoErrorReporter(Playback, QStringLiteral("Cannot open the file."));
    }
  } else if (Command == QLatin1String("ZOOMIN")) {
    ZoomInCommand(this);
  } else if (Command == QLatin1String("ZOOMOUT")) {
    ZoomOutCommand(this);
  } else if (Command == QLatin1String("ACTUALSIZE")) {
    ActualSizeCommand(this);
  } else if (Command == QLatin1String("BESTFIT")) {
    BestFitCommand(this);
  } else if (Command == QLatin1String("SETMINVIEWSIZE")) {
    if (ParamNumber(Params, 0, Width) && ParamNumber(Params, 1, Height)) SetMinViewSize(Width, Height);
    FitActive();
  } else if (Command == QLatin1String("SETMINWINDOWSIZE")) {
    if (MainForm && ParamNumber(Params, 0, Width) && ParamNumber(Params, 1, Height)) {
      QRect Frame = MainForm->geometry();
      const QRect Screen = MainForm->screen() ? MainForm->screen()->geometry() : Frame;
      const QRect Work = MainForm->screen() ? MainForm->screen()->availableGeometry() : Frame;
      if (Frame.width() < Width) {
        Frame.setWidth(Width);
        Frame.moveLeft(Screen.left() + (Screen.width() - Width) / 2);
      }
      if (Frame.height() < Height) {
        Frame.setHeight(Height);
        Frame.moveTop(Work.top() + (Work.height() - Height) / 2);
      }
      MainForm->setGeometry(Frame);
    }
    FitActive();
  } else {
    TQvEditor::ExecuteDemoCommand(Playback, Command, Handled, Action, Params);
  }
}

void TQvGraphicsEditor::GetDemoControlPoint(TQvDemoPlayback* Playback, TQvCustomProperties* Params, bool& Handled,
                                            QPoint& Point) {
  Handled = false;
  const QString Name = Params && Params->Count() > 0 ? Params->GetValue(0).toString().toUpper() : QString();
  QAction* Button = nullptr;
  if (Name == QLatin1String("OPEN") || Name == QLatin1String("OPENBUTTON"))
    Button = OpenToolButton;
  else if (Name == QLatin1String("ZOOMIN"))
    Button = ZoomInButton;
  else if (Name == QLatin1String("ZOOMOUT"))
    Button = ZoomOutButton;
  else if (Name == QLatin1String("ACTUALSIZE"))
    Button = ActualSizeButton;
  else if (Name == QLatin1String("BESTFIT"))
    Button = ScaleToBestFitButton;
  if (Button) {
    Handled = true;
    if (QWidget* W = ButtonWidget(StandardToolbar, Button)) Point = W->mapToGlobal(W->rect().center());
    return;
  }
  if (Name == QLatin1String("IMAGE")) {
    int X = 0, Y = 0;
    TQvGraphicsView* View = ActiveView();
    if (View && ParamNumber(Params, 1, X) && ParamNumber(Params, 2, Y)) {
      const TPoint D = View->LogicalToDevice(TPoint{X, Y});
      Point = View->viewport()->mapToGlobal(QPoint(D.X, D.Y));
      Handled = true;
    }
    return;
  }
  TQvEditor::GetDemoControlPoint(Playback, Params, Handled, Point);
}
