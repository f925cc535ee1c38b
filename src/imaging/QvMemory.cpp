#include "QvMemory.h"

#include <QFile>

#include <limits>
#include <mutex>

namespace {

std::mutex ProbeLock;
std::function<uint64_t()> Probe;

// "MemAvailable" and "SwapFree" of /proc/meminfo, in bytes.
uint64_t SystemAvailable() {
  QFile File(QStringLiteral("/proc/meminfo"));
  if (!File.open(QIODevice::ReadOnly)) return std::numeric_limits<uint64_t>::max();
  uint64_t Total = 0;
  bool Found = false;
  while (!File.atEnd()) {
    const QByteArray Line = File.readLine(256);
    const bool Available = Line.startsWith("MemAvailable:");
    if (!Available && !Line.startsWith("SwapFree:")) continue;
    const QList<QByteArray> Fields = Line.simplified().split(' ');
    bool Ok = false;
    const uint64_t KiB = Fields.size() >= 2 ? Fields[1].toULongLong(&Ok) : 0;
    if (!Ok) continue;
    Total += KiB * 1024;
    Found = Found || Available;
  }
  return Found ? Total : std::numeric_limits<uint64_t>::max();
}

}  // namespace

uint64_t QvAvailableMemory() {
  std::lock_guard<std::mutex> Guard(ProbeLock);
  return Probe ? Probe() : SystemAvailable();
}

void QvSetAvailableMemoryProbe(std::function<uint64_t()> NewProbe) {
  std::lock_guard<std::mutex> Guard(ProbeLock);
  Probe = std::move(NewProbe);
}

uint64_t QvImageBytes(int64_t Width, int64_t Height) {
  if (Width <= 0 || Height <= 0) return 0;
  const uint64_t Stride = (uint64_t(Width) * 24 + 31) / 32 * 4;
  return Stride * uint64_t(Height);
}

uint64_t QvDocumentImageBytes(int64_t Width, int64_t Height) { return 3 * QvImageBytes(Width, Height); }

bool QvMemoryFits(uint64_t Bytes) { return Bytes <= QvAvailableMemory(); }
