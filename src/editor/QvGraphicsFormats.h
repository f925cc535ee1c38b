#pragma once
// The image editor's format registry (JPEG, TIFF, PNG, BMP and QVI), the file description and the
// preview the open dialog shows beside a file.

#include "QvEditor.h"
#include "QvImageCodecs.h"

#include <cstdint>
#include <functional>
#include <memory>

class TQvGraphicsDocument;

class TQvGraphicsFileInfo : public TQvFileInfo {
 public:
  explicit TQvGraphicsFileInfo(const QString& AFileName);
  void GetDescription(QString& Text) override { Text = FDescription; }

  QString FDescription;
};

class TQvGraphicsThumbnail : public TQvThumbnail {
 public:
  explicit TQvGraphicsThumbnail(std::unique_ptr<TQvImageThumbnail> Image) : FImage(std::move(Image)) {}
  void Draw(QPainter& DC, const QRect& Rect, QRect& DrawnRect) override;

  std::unique_ptr<TQvImageThumbnail> FImage;
};

class TQvGraphicsFormats : public TQvDocumentFormats {
 public:
  static constexpr int FormatCount = 5;

  int Count() const override { return FormatCount; }
  // The table record; an empty record outside 0..4.
  TQvFileFormatInfo Items(int Index) const override;
  bool GetFileInfo(const QString& FileName, std::unique_ptr<TQvFileInfo>& Info) override;
  bool CreateThumbnail(const QString& FileName, int MaxWidth, int MaxHeight,
                       std::unique_ptr<TQvThumbnail>& Thumbnail) override;
  // JPEG, TIFF, PNG and BMP: QVI is only ever written back to a file opened as QVI.
  void GetSaveFormats(TQvFileFormatInfos& Formats) override;
  // All five formats (QVI included), then "all supported formats" and "all files".
  void GetOpenFormats(TQvFileFormatInfos& Formats) override;
  // Reads into a fresh image first, so a file that fails to load leaves Doc as it was.
  bool LoadDocument(TQvDocument* Doc, const QString& FileName, int& FormatId, QString& ErrorText) override;
  bool SaveDocument(TQvDocument* Doc, const QString& FileName, int FormatId, QString& ErrorText) override;

  // The quality question of a JPEG save: the options dialog when widgets are available, otherwise
  // FQuality unasked. False when the user cancelled; on OK the answer becomes FQuality.
  bool AskJpegQuality(int32_t& Quality);

  int32_t FQuality = DefaultJpegQuality;  // JPEG quality 0..100; kept in the settings by the editor
  // Replaces the dialog (tests, the command-line tool): gets FQuality, answers like the dialog.
  std::function<bool(int32_t& Quality)> QualityAsker;
  // The plug-in session's exchange file: recognised and read on load, written back on save.
  std::function<TQvExchangeLoad(TQvGraphicsDocument* Doc, const QString& FileName, QString& Error)>
      ExchangeLoader;
  std::function<bool(TQvGraphicsDocument* Doc, const QString& FileName, QString& Error)> ExchangeSaver;
  // A caller that reads and changes only these rows of the documents it opens, and saves them
  // through the lossless engine only, lets the engine decode just them (TQvLoadTarget::Rows).
  std::vector<std::pair<int32_t, int32_t>> LoadRows;
};
