#pragma once
// Splitting whole-image work into contiguous bands, one per core. Each band writes only its own
// rows, so the result does not depend on the number of threads.

#include <functional>

// The number of threads to use when the caller asks for 0 ("every core").
int QvThreadCount(int requested);

// Runs body(begin, end) over contiguous parts of [0, count), on up to `threads` threads
// (0 = every core). Returns when every part is done.
void QvParallelFor(int count, int threads, const std::function<void(int begin, int end)>& body);
