// Whole-file reads and writes for small files that must never be left half-written.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace varnel {

// Replaces the file at `path` with `data`. The bytes go to a new temporary file in the same
// folder, are flushed to disk, and the temporary file is then renamed over `path`, so that a
// failed or interrupted write leaves the previous file exactly as it was (and no temporary file
// behind). An existing file keeps its permissions; a symbolic link at `path` is kept and the file
// it points to is replaced. Returns false on any failure.
bool replaceFileAtomically(const std::string& path, std::string_view data);

// Reads a whole regular file of at most `maxBytes` bytes into `out`. Returns false, leaving `out`
// empty, when the file is missing, unreadable, not a regular file (a folder, a pipe or a device
// would block or never end) or larger than `maxBytes`.
bool readFileBounded(const std::string& path, size_t maxBytes, std::string& out);

}  // namespace varnel
