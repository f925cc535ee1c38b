#pragma once
// The base of every tool's option frame: a column that starts with the underlined bold title,
// may hold a section of further options that the "Show More Options" / "Hide Options" link shows
// and hides, and offers sliders whose label reads "Name: value", refreshed at idle time.

#include "QvForms.h"

#include <QString>
#include <QToolButton>

#include <functional>
#include <vector>

class QLabel;
class QSlider;
class QVBoxLayout;

// The link that shows or hides a frame's further options: caption and arrow image follow the state.
class TQvOptionsLink : public QToolButton {
  Q_OBJECT

 public:
  explicit TQvOptionsLink(QWidget* Parent = nullptr);
  // Caption 2020 "Hide Options" and image 1 while shown, 2019 "Show More Options" and image 0
  // while hidden.
  void SetShown(bool Shown);
  bool Shown() const { return FShown; }
  int Image() const { return FShown ? 1 : 0; }

 private:
  bool FShown = false;
};

// A caption label above a track bar; the label reads "<caption>: <position>".
struct TQvLabelledSlider {
  QLabel* Label = nullptr;
  QSlider* TrackBar = nullptr;
  int CaptionId = 0;
  QString CaptionDefault;

  // The label's text for the track bar's position.
  QString Text() const;
  // Sets the label when its text differs (an unchanged label does not repaint).
  void Refresh() const;
};

class TQvOptionFrame : public TQvFrame {
  Q_OBJECT

 public:
  explicit TQvOptionFrame(QWidget* Parent = nullptr);
  ~TQvOptionFrame() override;

  // Refreshes the slider labels.
  void UpdateControls() override;

  // Appends W to the frame's column.
  void AddControl(QWidget* W);
  // Makes W part of the shown/hidden section (it stays where it was placed).
  void AddOptionControl(QWidget* W);
  // A slider of Min..Max with a tick every Tick, its label captioned by local string CaptionId,
  // both appended to the column. The returned pointers live as long as the frame.
  TQvLabelledSlider& AddSlider(int CaptionId, const QString& CaptionDefault, int Min, int Max, int Tick = 16);
  // Appends the link (hidden until ShowLink) at the end of the column; call once, last.
  void AddLink();
  void ShowLink(bool Value);
  // Shows or hides the option section and sets the link's caption and image to match.
  void SetOptionsShown(bool Value);
  bool OptionsShown() const { return FOptionsShown; }
  // Refreshes the title (local string TitleId) and the slider labels; for the tool's Localize.
  void LocalizeFrame(int TitleId, const QString& TitleDefault);
  void RefreshSliderLabels() const;

  // The link was clicked; the tool toggles its options here.
  std::function<void()> OnShowOptionsClick;

  QLabel* TitleLabel = nullptr;
  TQvOptionsLink* ShowOptions = nullptr;  // after AddLink

 protected:
  QVBoxLayout* FrameLayout() const { return FLayout; }

 private:
  QVBoxLayout* FLayout = nullptr;
  std::vector<QWidget*> FOptionControls;
  std::vector<TQvLabelledSlider*> FSliders;
  bool FOptionsShown = true;
};
