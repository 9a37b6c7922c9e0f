#pragma once

#include <cstdint>
#include <functional>

namespace varnel {

// Splitting one operation's rows over the machine's cores.
//
// parallelRows(count, minRowsPerPart, work) calls work(begin, end) on disjoint ranges that cover
// [0, count) and returns after every range is done, so a caller sees exactly what a single loop
// over all rows would have produced, as long as each row's result depends only on its inputs.
// The calling thread works on one range itself. Calls from inside a range (nested operations)
// and calls made while another thread is using the workers run serially on the caller.
//
// The number of threads is process-wide: 1 keeps every operation on the calling thread.
// Exceptions must not escape work.

// The number of threads operations may use (at least 1).
int workerThreads();

// Sets the number of threads operations may use; values below 1 mean 1, values above 64 mean 64.
// Takes effect for the next operation; must not be called from inside a range.
void setWorkerThreads(int count);

// The number of cores this machine offers the process (at least 1).
int availableCores();

using RowRangeWork = std::function<void(int begin, int end)>;

// Runs work over [0, count) as described above. Ranges are never smaller than minRowsPerPart
// rows (except the last), so that small jobs stay on the calling thread.
void parallelRows(int count, int minRowsPerPart, const RowRangeWork& work);

// Convenience for pixel loops: parts of at least ~256 K pixels each.
inline int minRowsFor(int64_t pixelsPerRow) {
    const int64_t rows = pixelsPerRow > 0 ? (int64_t(1) << 18) / pixelsPerRow : 1;
    return rows < 1 ? 1 : int(rows);
}

}  // namespace varnel
