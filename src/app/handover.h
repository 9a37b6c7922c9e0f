// The record in which a second start of the program hands its file paths to the running one.
//
// Little-endian: magic "VFPP" (0x50504656), total size in bytes (12 + count * 522), the count
// of paths (1 or more), then one slot per path: 261 UTF-16 code units holding the path, its
// terminating zero and zeros up to the end of the slot.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace varnel {

inline constexpr uint32_t kHandoverMagic = 0x50504656;
inline constexpr int kHandoverHeaderBytes = 12;
inline constexpr int kHandoverSlotChars = 261;
inline constexpr int kHandoverSlotBytes = kHandoverSlotChars * 2;
// The most paths one record may carry; longer lists are sent as several records. It bounds what
// the receiver reads from one connection.
inline constexpr int kMaxHandoverPaths = 256;
inline constexpr int kMaxHandoverBytes =
    kHandoverHeaderBytes + kMaxHandoverPaths * kHandoverSlotBytes;

// True when `path` can travel in a slot: absolute, not empty, at most 260 UTF-16 code units,
// no zero character.
bool fitsHandoverSlot(const QString& path);

// The record for 1 .. kMaxHandoverPaths paths that all fit a slot; empty otherwise.
QByteArray packPaths(const QStringList& paths);

// Splits `paths` into as few records as needed. Paths that do not fit a slot are left out and
// listed in `refused` (when given).
std::vector<QByteArray> packPathRecords(const QStringList& paths, QStringList* refused = nullptr);

// The total size a record announces in its first `size` bytes: 0 while fewer than 12 bytes are
// there, -1 when the header already shows that the record is not acceptable (wrong magic, a
// count of 0 or above kMaxHandoverPaths, or a total size that does not match the count).
long long announcedHandoverSize(const char* data, size_t size);

// The paths of a record of exactly `size` bytes. Empty unless everything adds up: the header as
// above, the total size equal to `size`, and every slot a non-empty absolute path of valid
// UTF-16 followed by its terminator and nothing but zeros.
QStringList unpackPaths(const char* data, size_t size);

}  // namespace varnel
