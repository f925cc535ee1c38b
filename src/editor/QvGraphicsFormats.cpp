#include "QvGraphicsFormats.h"

#include "QvGraphicsDocument.h"
#include "QvJPEGOptions.h"
#include "QvLocalizer.h"
#include "QvVJPEG.h"

#include <QApplication>
#include <QFileInfo>
#include <QPainter>
#include <QStringList>

#include <algorithm>

TQvGraphicsFileInfo::TQvGraphicsFileInfo(const QString& AFileName)
    : TQvFileInfo(AFileName), FDescription(DescribeImageFile(AFileName)) {}

void TQvGraphicsThumbnail::Draw(QPainter& DC, const QRect& Rect, QRect& DrawnRect) {
  TRect Painted{};
  if (FImage && PaintThumbnail(*FImage, &DC, FromQRect(Rect), Painted))
    DrawnRect = ToQRect(Painted);
  else
    DrawnRect = QRect();
}

TQvFileFormatInfo TQvGraphicsFormats::Items(int Index) const {
  static const struct {
    int FormatId;
    const char *Description, *Mask, *Extension;
  } Table[FormatCount] = {
      {QvFormatId::Jpeg, "JPEG", "*.jpg;*.jpeg", ".jpg"},
      {QvFormatId::Tiff, "TIFF", "*.tif;*.tiff", ".tif"},
      {QvFormatId::Png, "PNG", "*.png", ".png"},
      {QvFormatId::Bmp, "BMP", "*.bmp;*.rle;*.dib", ".bmp"},
      {QvFormatId::Qvi, "QVI", "*.qvi", ".qvi"},
  };
  if (Index < 0 || Index >= FormatCount) return TQvFileFormatInfo{};
  const auto& Row = Table[Index];
  return TQvFileFormatInfo{Row.FormatId, QString::fromLatin1(Row.Description),
                           QString::fromLatin1(Row.Mask), QString::fromLatin1(Row.Extension)};
}

bool TQvGraphicsFormats::GetFileInfo(const QString& FileName, std::unique_ptr<TQvFileInfo>& Info) {
  if (!QFileInfo(FileName).isFile()) return false;
  Info = std::make_unique<TQvGraphicsFileInfo>(FileName);
  return true;
}

bool TQvGraphicsFormats::CreateThumbnail(const QString& FileName, int MaxWidth, int MaxHeight,
                                         std::unique_ptr<TQvThumbnail>& Thumbnail) {
  std::unique_ptr<TQvImageThumbnail> Image = ::CreateThumbnail(FileName, MaxWidth, MaxHeight);
  if (!Image) return false;
  Thumbnail = std::make_unique<TQvGraphicsThumbnail>(std::move(Image));
  return true;
}

void TQvGraphicsFormats::GetSaveFormats(TQvFileFormatInfos& Formats) {
  Formats.clear();
  for (int Id : {QvFormatId::Jpeg, QvFormatId::Tiff, QvFormatId::Png, QvFormatId::Bmp})
    Formats.append(Items(IndexOf(Id)));
}

void TQvGraphicsFormats::GetOpenFormats(TQvFileFormatInfos& Formats) {
  // The inherited list starts from the save formats, which leave QVI out; QVI files must open.
  Formats.clear();
  QStringList Masks;
  for (int I = 0; I < FormatCount; ++I) {
    Formats.append(Items(I));
    Masks << Formats.back().Mask;
  }
  TQvFileFormatInfo All;
  All.Description = GetLocalString(146, QStringLiteral("All supported formats"));
  All.Mask = Masks.join(QLatin1Char(';'));
  TQvFileFormatInfo Any;
  Any.Description = GetLocalString(147, QStringLiteral("All files"));
  Any.Mask = QStringLiteral("*.*");
  Formats << All << Any;
}

bool TQvGraphicsFormats::LoadDocument(TQvDocument* Doc, const QString& FileName, int& FormatId,
                                      QString& ErrorText) {
  auto* Document = dynamic_cast<TQvGraphicsDocument*>(Doc);
  if (!Document) {
    ErrorText = QStringLiteral("not an image document");
    return false;
  }
  auto Image = std::make_unique<TQvLTBitmap>();
  auto Properties = std::make_unique<TQvGraphicsDocumentProperties>();
  TQvLoadTarget Target;
  Target.Image = Image.get();
  Target.Properties = Properties.get();
  Target.Engine = Document->Engine();
  Target.Rows = LoadRows;
  if (ExchangeLoader)
    Target.ExchangeLoader = [this, Document](const QString& Name, QString& Error) {
      return ExchangeLoader(Document, Name, Error);
    };
  int32_t Id = 0;
  QString Error;
  if (!LoadImageFile(Target, FileName, Id, Error)) {
    ErrorText = Error;
    return false;
  }
  // The exchange loader fills the document itself and leaves the fresh image empty.
  if (Image->Pixels() && !Document->AdoptLoadedImage(Image, Properties)) {
    ErrorText = QStringLiteral("not enough memory for the image");
    return false;
  }
  // Whoever filled the document, nothing in it differs from the file yet.
  Document->ClearChangedRects();
  FormatId = Id;
  return true;
}

bool TQvGraphicsFormats::SaveDocument(TQvDocument* Doc, const QString& FileName, int FormatId,
                                      QString& ErrorText) {
  auto* Document = dynamic_cast<TQvGraphicsDocument*>(Doc);
  if (!Document || !Document->Pixels()) {
    ErrorText = QStringLiteral("the document holds no image");
    return false;
  }
  TQvSaveSource Source;
  Source.Pixels = Document->Pixels();
  Source.Area = Document->Area();
  Source.Properties = &Document->Properties();
  Source.Engine = Document->Engine();
  Source.ChangedRects = Document->ChangedRects();
  Source.AskJpegQuality = [this](int32_t& Quality) { return AskJpegQuality(Quality); };
  Source.DocumentSaving = [Document, &Source] {
    Document->BeforeSave();
    // The tools commit what they still held when told of the save; that belongs in this save too.
    Source.ChangedRects = Document->ChangedRects();
  };
  if (ExchangeSaver)
    Source.ExchangeSaver = [this, Document](const QString& Name, QString& Error) {
      return ExchangeSaver(Document, Name, Error);
    };
  // Only a JPEG written by the engine makes the written file its new source; any other save leaves
  // the engine's blocks as they were, and the changes since the load still differ from them.
  const bool ThroughEngine = (FormatId == QvFormatId::Jpeg || FormatId == QvFormatId::Qvi) && Source.Engine &&
                             Source.Engine->IsLoaded() != 0;
  QString Error;
  if (SaveImageFile(Source, FileName, FormatId, Error)) {
    if (ThroughEngine) Document->ClearChangedRects();
    return true;
  }
  ErrorText = Error;
  return false;
}

bool TQvGraphicsFormats::AskJpegQuality(int32_t& Quality) {
  int32_t Value = FQuality;
  if (QualityAsker) {
    if (!QualityAsker(Value)) return false;
  } else if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
    std::unique_ptr<TQvJPEGOptionsForm> Form(
        CreateInitialized<TQvJPEGOptionsForm>(Application ? Application->MainForm() : nullptr));
    Form->SetQuality(FQuality);
    if (Form->exec() != QvMB::IDOK) return false;
    Value = Form->GetQuality();
  }
  FQuality = std::clamp(Value, 0, 100);
  Quality = FQuality;
  return true;
}
