#include "QvParallel.h"

#include <algorithm>
#include <thread>
#include <vector>

int QvThreadCount(int requested) {
  if (requested > 0) return requested;
  return std::max(1u, std::thread::hardware_concurrency());
}

void QvParallelFor(int count, int threads, const std::function<void(int begin, int end)>& body) {
  if (count <= 0) return;
  const int parts = std::min(QvThreadCount(threads), count);
  if (parts <= 1) {
    body(0, count);
    return;
  }
  std::vector<std::thread> workers;
  workers.reserve(size_t(parts) - 1);
  for (int part = 1; part < parts; ++part) {
    const int begin = int(int64_t(count) * part / parts);
    const int end = int(int64_t(count) * (part + 1) / parts);
    workers.emplace_back(body, begin, end);
  }
  body(0, int(int64_t(count) / parts));
  for (auto& worker : workers) worker.join();
}
