#pragma once
// How much memory a whole-image operation may still take. On Linux an allocation of a few GiB
// usually "succeeds" and the process is killed later when the pages are touched, so an operation
// that makes whole new images (a resize to 32767 × 32767 makes three of 3 GiB) asks first and
// refuses with a message while nothing has changed yet.

#include <cstdint>
#include <functional>

// Bytes the system can still give without paging the program out or killing it: its available
// memory plus free swap. UINT64_MAX when the system does not say.
uint64_t QvAvailableMemory();

// Replaces the system's answer (tests and benchmarks set a budget); an empty function restores it.
void QvSetAvailableMemoryProbe(std::function<uint64_t()> Probe);

// Bytes of one 24-bit image of width × height, rows padded to 4 bytes; 0 for an empty size.
uint64_t QvImageBytes(int64_t Width, int64_t Height);

// Bytes a document needs to open an image of width × height: it keeps the current image, the
// original it was opened as and a backup for undo, each of that size.
uint64_t QvDocumentImageBytes(int64_t Width, int64_t Height);

// Whether Bytes more can be taken now.
bool QvMemoryFits(uint64_t Bytes);
