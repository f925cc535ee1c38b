// Pieces of reported work: their reports reach the watcher as their share of the whole, nested
// pieces as a share of a share, and with nobody watching no piece starts watching.
#include "QvProgress.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class TRecorder : public TQvProgressSink {
 public:
  void Progress(double Fraction) override { Seen.push_back(Fraction); }
  std::vector<double> Seen;
};

TEST(QvProgress, PiecesReportTheirShareOfTheWhole) {
  TRecorder Watcher;
  TQvProgressScope Scope(&Watcher);
  {
    TQvProgressPart First(0, 1, 4);
    QvReportProgress(0, 10);
    QvReportProgress(10, 10);
  }
  {
    TQvProgressPart Rest(1, 3, 4);
    QvReportProgress(1, 2);
    {
      // The second half of the rest.
      TQvProgressPart Inner(1, 1, 2);
      QvReportProgress(0, 1);
      QvReportProgress(1, 1);
    }
    // Beyond the total and before the start stay inside the piece.
    QvReportProgress(5, 2);
    QvReportProgress(-1, 2);
  }
  EXPECT_EQ(&Watcher, QvProgressSink()) << "the watcher is back after the pieces";
  const std::vector<double> Expected{0.0, 0.25, 0.625, 0.625, 1.0, 1.0, 0.25};
  ASSERT_EQ(Expected.size(), Watcher.Seen.size());
  for (size_t I = 0; I < Expected.size(); ++I) EXPECT_DOUBLE_EQ(Expected[I], Watcher.Seen[I]) << I;
}

TEST(QvProgress, APieceWithNobodyWatchingWatchesNothing) {
  ASSERT_EQ(nullptr, QvProgressSink());
  TQvProgressPart Piece(0, 1, 2);
  EXPECT_EQ(nullptr, QvProgressSink()) << "the work inside must stay a pointer test away from free";
}

}  // namespace
