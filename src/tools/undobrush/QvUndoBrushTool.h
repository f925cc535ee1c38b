#pragma once
// The undo brush: paints the photograph back to how it was when the file was opened. Each pixel of
// a stroke is blended from the image as it was before the stroke towards the original, through
// the strongest coverage any dab of the stroke gave it, so going over a spot again within one
// stroke never builds up; a new stroke starts from the last one's result.

#include "QvDrawTools.h"
#include "QvUndoBrushFrame.h"

#include <QPointer>

class TQvUndoBrushTool : public TQvBrushTool {
  Q_OBJECT

 public:
  explicit TQvUndoBrushTool(TQvGraphicsEditor* Editor = GraphicsEditor);
  ~TQvUndoBrushTool() override;

  void Localize() override;
  // Size, opacity, hardness and the options state.
  void LoadSettings(TQvSDFReader& Reader) override;
  void SaveSettings(TQvSDFWriter& Writer) override;
  void ApplyDab(const TRect& Rect) override;
  TUndoBrushSettings Settings() const { return {FSize, FOpacity, FHardness}; }

  TQvUndoBrushFrame* Frame() const { return FFrame; }
  QPointer<TQvUndoBrushFrame> FFrame;

 protected:
  void FillDemoItems() override;
};

extern TQvUndoBrushTool* UndoBrushTool;
