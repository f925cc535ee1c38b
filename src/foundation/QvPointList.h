// An ordered list of integer points.
#pragma once

#include <QPoint>

#include <vector>

class TQvPointList {
 public:
  void Add(const QPoint& Point) { FItems.push_back(Point); }
  // Copies the point at Index; false (Point unchanged) when Index is out of range.
  bool Get(int Index, QPoint& Point) const {
    if (Index < 0 || Index >= Count()) return false;
    Point = FItems[static_cast<std::size_t>(Index)];
    return true;
  }
  const QPoint& operator[](int Index) const { return FItems.at(static_cast<std::size_t>(Index)); }
  void Delete(int Index) { FItems.erase(FItems.begin() + Index); }
  int Count() const { return static_cast<int>(FItems.size()); }
  void Clear() { FItems.clear(); }
  const std::vector<QPoint>& Points() const { return FItems; }

 private:
  std::vector<QPoint> FItems;
};
