#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace varnel {

// Compression of a PNG's filtered rows into the one zlib stream its IDAT chunks carry.
//
// The data is cut into slices compressed independently (on as many threads as the process
// allows); each slice but the last is closed with an empty stored block instead of a final
// block, so that the raw deflate streams join, byte-aligned, into a single valid stream, as
// parallel gzip writers do. Each slice starts without the previous slice's window, which costs a
// few hundred bytes per slice on megabytes of data.

// Compresses data at zlib-style level (0 stores, 1 to 9 trade time for size; values outside are
// clamped) into a complete zlib stream: header, the joined slices, Adler-32. sliceEnds lists
// the end offset of each slice, ascending, the last equal to size; empty means one slice. Slices
// run in parallel on the process's worker threads. Returns false with a reason on failure.
bool compressZlibSlices(const uint8_t* data, size_t size, const std::vector<size_t>& sliceEnds,
                        int level, std::vector<uint8_t>& out, std::string* reason = nullptr);

// Turns a complete raw deflate stream into one that does not end the data: the final block's
// flag is cleared and an empty stored block brings the stream to a byte boundary, so that
// another stream can follow it. Returns false when the stream is not valid deflate.
bool makeJoinable(std::vector<uint8_t>& rawDeflate);
// The same in place: `raw` holds `size` bytes of stream and has room for 8 more; size is updated.
bool makeJoinable(uint8_t* raw, size_t& size);

}  // namespace varnel
