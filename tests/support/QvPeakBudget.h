#pragma once
// How much a read that must not take the whole file may add to a process's peak memory. Under
// AddressSanitizer its shadow memory and its quarantine of freed blocks (256 MB) come on top;
// reading a 4 GiB file whole would still show either way.

#include <cstdint>

#if defined(__SANITIZE_ADDRESS__)
#define OCUVANE_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define OCUVANE_TEST_ASAN 1
#endif
#endif

#ifdef OCUVANE_TEST_ASAN
constexpr int64_t PeakBudgetKilobytes = 512 * 1024;
#else
constexpr int64_t PeakBudgetKilobytes = 100 * 1024;
#endif
