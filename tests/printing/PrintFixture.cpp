#include "PrintFixture.h"

#include "QvLTBitmap.h"

std::unique_ptr<TQvGraphicsDocument> MakeDocument(int Width, int Height, int ResolutionX, int ResolutionY) {
  auto Doc = std::make_unique<TQvGraphicsDocument>();
  auto Image = std::make_unique<TQvLTBitmap>();
  if (Width > 0 && Height > 0) {
    EXPECT_TRUE(Image->Allocate(Width, Height));
  }
  auto Properties = std::make_unique<TQvGraphicsDocumentProperties>();
  Properties->FResolutionX = ResolutionX;
  Properties->FResolutionY = ResolutionY;
  if (Width > 0 && Height > 0) {
    EXPECT_TRUE(Doc->AdoptLoadedImage(Image, Properties));
  }
  return Doc;
}

void PrintWorld::SetUp() {
  ASSERT_EQ(Application, nullptr);
  ASSERT_TRUE(Dir.isValid());
  App = std::make_unique<TQvApplication>();
  App->SetMessageBoxHandler([this](const QString& Text, const QString& Caption, int Flags) {
    Asked.push_back({Text, Caption, Flags});
    return Answer;
  });
}

void PrintWorld::TearDown() {
  App.reset();
  TQvGraphicsPrintForm::MeasurementSystem = [] { return QLocale::MetricSystem; };
  QLocale::setDefault(QLocale::c());
}

std::unique_ptr<TQvGraphicsPrintForm> PrintWorld::OpenDialog(TQvPrinter& Printer, TQvGraphicsDocument* Doc) {
  std::unique_ptr<TQvGraphicsPrintForm> Form(CreateInitialized<TQvGraphicsPrintForm>(nullptr, &Printer));
  Form->SetDocument(Doc);
  return Form;
}
