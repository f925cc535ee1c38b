// The geometry tools keep a JPEG lossless: a turn made in the editor saves the coefficients
// jpegtran -perfect gives, any sequence of turns, flips, undos and redos too, and a crop followed
// by its undo saves the source's own coefficients rather than re-encoding the whole picture.
#include "GeometryFixture.h"

#include "QvGraphicsFormats.h"
#include "QvVJPEG.h"

#include <QProcess>
#include <QStandardPaths>

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

struct TErrorJump {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
};

void JumpOnError(j_common_ptr Info) { std::longjmp(reinterpret_cast<TErrorJump*>(Info->err)->Jump, 1); }

// Every DCT coefficient of a file, component after component; empty when it cannot be read.
std::vector<std::vector<JCOEF>> Coefficients(const QString& File) {
  const QByteArray Bytes = [&] {
    QFile F(File);
    return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray();
  }();
  std::vector<std::vector<JCOEF>> Result;
  jpeg_decompress_struct Info{};
  TErrorJump Error{};
  Info.err = jpeg_std_error(&Error.Manager);
  Error.Manager.error_exit = JumpOnError;
  if (setjmp(Error.Jump)) {
    jpeg_destroy_decompress(&Info);
    return {};
  }
  jpeg_create_decompress(&Info);
  jpeg_mem_src(&Info, reinterpret_cast<const unsigned char*>(Bytes.constData()), static_cast<unsigned long>(Bytes.size()));
  jpeg_read_header(&Info, TRUE);
  jvirt_barray_ptr* Arrays = jpeg_read_coefficients(&Info);
  for (int C = 0; C < Info.num_components; ++C) {
    std::vector<JCOEF> Component;
    const jpeg_component_info& Comp = Info.comp_info[C];
    for (JDIMENSION Row = 0; Row < Comp.height_in_blocks; ++Row) {
      JBLOCKARRAY Blocks = Info.mem->access_virt_barray(reinterpret_cast<j_common_ptr>(&Info), Arrays[C], Row, 1, FALSE);
      for (JDIMENSION X = 0; X < Comp.width_in_blocks; ++X) Component.insert(Component.end(), Blocks[0][X], Blocks[0][X] + DCTSIZE2);
    }
    Result.push_back(std::move(Component));
  }
  jpeg_finish_decompress(&Info);
  jpeg_destroy_decompress(&Info);
  return Result;
}

class LosslessWorld : public GeometryWorld {
 protected:
  void SetUp() override {
    if (QStandardPaths::findExecutable(QStringLiteral("jpegtran")).isEmpty()) GTEST_SKIP() << "jpegtran is not installed";
    TQvGraphicsDocument::EngineFactory = CreateVJPEGObject;
    GeometryWorld::SetUp();
    // 4:2:0 with whole 16 × 16 blocks, so every turn is perfect.
    ASSERT_TRUE(MakePattern(128, 96).save(Path(QStringLiteral("source.jpg")), "JPEG", 85));
    Open(Path(QStringLiteral("source.jpg")));
    ASSERT_TRUE(Doc->Engine() && Doc->Engine()->IsLoaded());
  }
  void TearDown() override {
    GeometryWorld::TearDown();
    TQvGraphicsDocument::EngineFactory = nullptr;
  }
  QString Save(const QString& Name) {
    QString Error;
    GraphicsEditor->Formats().QualityAsker = [](int32_t&) { return true; };
    EXPECT_TRUE(GraphicsEditor->Formats().SaveDocument(Doc, Path(Name), 0, Error)) << Error.toStdString();
    return Path(Name);
  }
  QString Jpegtran(const QStringList& Args) {
    const QString Out = Path(QStringLiteral("reference.jpg"));
    QProcess P;
    P.start(QStandardPaths::findExecutable(QStringLiteral("jpegtran")),
            QStringList{QStringLiteral("-perfect")} + Args + QStringList{QStringLiteral("-outfile"), Out, Path(QStringLiteral("source.jpg"))});
    EXPECT_TRUE(P.waitForFinished(60000));
    EXPECT_EQ(P.exitCode(), 0);
    return Out;
  }
};

TEST_F(LosslessWorld, ATurnRightSavesWhatJpegtranGives) {
  ASSERT_TRUE(RotateTool->RotateRight());
  const auto Got = Coefficients(Save(QStringLiteral("right.jpg")));
  ASSERT_FALSE(Got.empty());
  EXPECT_EQ(Got, Coefficients(Jpegtran({QStringLiteral("-rotate"), QStringLiteral("90")})));
}

TEST_F(LosslessWorld, TurnsFlipsUndosAndRedosStayLossless) {
  RotateTool->RotateRight();
  GraphicsEditor->DoUndo();
  GraphicsEditor->DoRedo();
  RotateTool->FlipHorizontal();
  RotateTool->RotateLeft();
  GraphicsEditor->DoUndo();
  GraphicsEditor->DoUndo();
  const auto Got = Coefficients(Save(QStringLiteral("sequence.jpg")));
  ASSERT_FALSE(Got.empty());
  EXPECT_EQ(Got, Coefficients(Jpegtran({QStringLiteral("-rotate"), QStringLiteral("90")})));
}

TEST_F(LosslessWorld, ACropOnTheGridAndACropUndoneStayLossless) {
  ASSERT_TRUE(Crop2Tool->Crop(TRect{16, 32, 80, 96}));
  const auto Cut = Coefficients(Save(QStringLiteral("cut.jpg")));
  ASSERT_FALSE(Cut.empty());
  EXPECT_EQ(Cut, Coefficients(Jpegtran({QStringLiteral("-crop"), QStringLiteral("64x64+16+32")})));

  // The save took its own output as the engine's source; reopen to start from the file again.
  Open(Path(QStringLiteral("source.jpg")));
  ASSERT_TRUE(Crop2Tool->Crop(TRect{16, 32, 80, 96}));
  GraphicsEditor->DoUndo();
  EXPECT_EQ(Doc->Width(), 128);
  const auto Restored = Coefficients(Save(QStringLiteral("restored.jpg")));
  ASSERT_FALSE(Restored.empty());
  EXPECT_EQ(Restored, Coefficients(Path(QStringLiteral("source.jpg"))));
}

}  // namespace
