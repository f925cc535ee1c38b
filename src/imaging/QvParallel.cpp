#include "QvParallel.h"

#include "QvProgress.h"

#include <algorithm>
#include <cstdint>
#include <thread>
#include <vector>

namespace {

// The calling thread's own part [0, end). When someone watches its progress, the part runs in a
// few consecutive steps with a report after each; the parts of the other threads are as large,
// so this part's progress stands for the whole.
void RunOwnPart(int end, const std::function<void(int begin, int end)>& body) {
  if (!QvProgressSink() || end < 2) {
    body(0, end);
    return;
  }
  const int steps = std::min(end, 16);
  for (int step = 0; step < steps; ++step) {
    const int begin = int(int64_t(end) * step / steps), stop = int(int64_t(end) * (step + 1) / steps);
    body(begin, stop);
    QvReportProgress(stop, end);
  }
}

}  // namespace

int QvThreadCount(int requested) {
  if (requested > 0) return requested;
  return std::max(1u, std::thread::hardware_concurrency());
}

void QvParallelFor(int count, int threads, const std::function<void(int begin, int end)>& body) {
  if (count <= 0) return;
  const int parts = std::min(QvThreadCount(threads), count);
  if (parts <= 1) {
    RunOwnPart(count, body);
    return;
  }
  std::vector<std::thread> workers;
  workers.reserve(size_t(parts) - 1);
  for (int part = 1; part < parts; ++part) {
    const int begin = int(int64_t(count) * part / parts);
    const int end = int(int64_t(count) * (part + 1) / parts);
    workers.emplace_back(body, begin, end);
  }
  RunOwnPart(int(int64_t(count) / parts), body);
  for (auto& worker : workers) worker.join();
}
