#include "QvDemoItems.h"

#include "QvDemoTarget.h"

#include <QWidget>

TQvDemoItem& TQvDemoItems::Add(const QString& Name, TQvDemoItemKind Kind) {
  TQvDemoItem& Item = FItems.emplace_back();
  Item.Name = Name;
  Item.Kind = Kind;
  return Item;
}

TQvDemoItems& TQvDemoItems::Control(const QString& Name, QObject* Control, const QString& Message) {
  TQvDemoItem& Item = Add(Name, TQvDemoItemKind::Control);
  Item.Control = Control;
  Item.Message = Message;
  return *this;
}

TQvDemoItems& TQvDemoItems::Command(const QString& Name, std::function<void()> Procedure) {
  Add(Name, TQvDemoItemKind::Command).Procedure = std::move(Procedure);
  return *this;
}

TQvDemoItems& TQvDemoItems::Notify(const QString& Name, QObject* Sender, std::function<void(QObject*)> Handler) {
  TQvDemoItem& Item = Add(Name, TQvDemoItemKind::Notify);
  Item.Control = Sender;
  Item.Notify = std::move(Handler);
  return *this;
}

TQvDemoItems& TQvDemoItems::Boolean(const QString& Name, bool Default, std::function<void(bool)> Setter) {
  TQvDemoItem& Item = Add(Name, TQvDemoItemKind::Boolean);
  Item.BooleanDefault = Default;
  Item.BooleanSetter = std::move(Setter);
  return *this;
}

TQvDemoItems& TQvDemoItems::Integer(const QString& Name, int Default, std::function<void(int)> Setter) {
  TQvDemoItem& Item = Add(Name, TQvDemoItemKind::Integer);
  Item.IntegerDefault = Default;
  Item.IntegerSetter = std::move(Setter);
  return *this;
}

TQvDemoItems& TQvDemoItems::Point(const QString& Name, QPoint Default, std::function<void(int, int)> Setter) {
  TQvDemoItem& Item = Add(Name, TQvDemoItemKind::Point);
  Item.PointDefault = Default;
  Item.PointSetter = std::move(Setter);
  return *this;
}

TQvDemoItems& TQvDemoItems::Float(const QString& Name, double Default, std::function<void(double)> Setter) {
  TQvDemoItem& Item = Add(Name, TQvDemoItemKind::Float);
  Item.FloatDefault = Default;
  Item.FloatSetter = std::move(Setter);
  return *this;
}

void TQvDemoItems::Register(IQvDemoRegistry& Registry) const {
  for (const TQvDemoItem& Item : FItems) {
    switch (Item.Kind) {
      case TQvDemoItemKind::Control:
        if (Item.Control) Registry.RegisterComponent(Item.Name, Item.Control);
        break;
      case TQvDemoItemKind::Command: Registry.RegisterCommand(Item.Name, Item.Procedure); break;
      case TQvDemoItemKind::Notify: Registry.RegisterNotifyCommand(Item.Name, Item.Control, Item.Notify); break;
      case TQvDemoItemKind::Boolean:
        Registry.RegisterBooleanCommand(Item.Name, Item.BooleanDefault, Item.BooleanSetter);
        break;
      case TQvDemoItemKind::Integer:
        Registry.RegisterIntegerCommand(Item.Name, Item.IntegerDefault, Item.IntegerSetter);
        break;
      case TQvDemoItemKind::Point: Registry.RegisterPointCommand(Item.Name, Item.PointDefault, Item.PointSetter); break;
      case TQvDemoItemKind::Float: Registry.RegisterFloatCommand(Item.Name, Item.FloatDefault, Item.FloatSetter); break;
    }
  }
}

const TQvDemoItem* TQvDemoItems::Find(const QString& Name, TQvDemoItemKind Kind) const {
  for (const TQvDemoItem& Item : FItems)
    if (Item.Kind == Kind && Item.Name.compare(Name, Qt::CaseInsensitive) == 0) return &Item;
  return nullptr;
}

bool TQvDemoItems::ControlPoint(const QString& Name, QPoint& Point) const {
  const TQvDemoItem* Item = Find(Name, TQvDemoItemKind::Control);
  auto* Widget = Item ? qobject_cast<QWidget*>(Item->Control.data()) : nullptr;
  if (!Widget || !Widget->isVisible()) return false;
  Point = Widget->mapToGlobal(Widget->rect().center());
  return true;
}

QString TQvDemoItems::Message(const QString& Name) const {
  const TQvDemoItem* Item = Find(Name, TQvDemoItemKind::Control);
  return Item ? Item->Message : QString();
}
