#pragma once
// One table per tool of what demonstrations know of it: the controls scripts move the pointer to
// (each with the explanation recorded when the user reaches it) and the named commands with their
// setters. The table registers everything with the demonstration module in its own order, answers
// the tool's control-point questions and supplies the recorded messages, so a name is written once.

#include <QPoint>
#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

class IQvDemoRegistry;
class QObject;

enum class TQvDemoItemKind { Control, Command, Notify, Boolean, Integer, Point, Float };

struct TQvDemoItem {
  QString Name;  // with the tool's prefix, as scripts write it
  TQvDemoItemKind Kind = TQvDemoItemKind::Control;
  QPointer<QObject> Control;  // the control, or the sender of a notify command
  QString Message;            // a control's explanation for recorded scripts
  std::function<void()> Procedure;
  std::function<void(QObject*)> Notify;
  std::function<void(bool)> BooleanSetter;
  std::function<void(int)> IntegerSetter;
  std::function<void(int, int)> PointSetter;
  std::function<void(double)> FloatSetter;
  bool BooleanDefault = false;
  int IntegerDefault = 0;
  QPoint PointDefault;
  double FloatDefault = 0;
};

class TQvDemoItems {
 public:
  // Each adds one row and returns the table, so a tool lists its rows in one statement.
  TQvDemoItems& Control(const QString& Name, QObject* Control, const QString& Message = QString());
  TQvDemoItems& Command(const QString& Name, std::function<void()> Procedure);
  TQvDemoItems& Notify(const QString& Name, QObject* Sender, std::function<void(QObject*)> Handler);
  TQvDemoItems& Boolean(const QString& Name, bool Default, std::function<void(bool)> Setter);
  TQvDemoItems& Integer(const QString& Name, int Default, std::function<void(int)> Setter);
  TQvDemoItems& Point(const QString& Name, QPoint Default, std::function<void(int, int)> Setter);
  TQvDemoItems& Float(const QString& Name, double Default, std::function<void(double)> Setter);

  // Every row with Registry, in table order (controls that no longer exist are left out).
  void Register(IQvDemoRegistry& Registry) const;
  // The row of that name and kind (names compare in any letter case); nullptr when there is none.
  const TQvDemoItem* Find(const QString& Name, TQvDemoItemKind Kind) const;
  // The screen centre of the visible widget registered as control Name.
  bool ControlPoint(const QString& Name, QPoint& Point) const;
  // The explanation recorded for control Name (empty when it has none).
  QString Message(const QString& Name) const;

  const std::vector<TQvDemoItem>& Items() const { return FItems; }
  bool IsEmpty() const { return FItems.empty(); }
  void Clear() { FItems.clear(); }

 private:
  TQvDemoItem& Add(const QString& Name, TQvDemoItemKind Kind);

  std::vector<TQvDemoItem> FItems;
};
