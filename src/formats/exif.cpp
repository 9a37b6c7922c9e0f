#include "formats/exif.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>

namespace varnel {

namespace {

constexpr uint16_t kTagOrientation = 0x0112;
constexpr uint16_t kTagExifDirectory = 0x8769;
constexpr uint16_t kTagGpsDirectory = 0x8825;
constexpr uint16_t kTagInteropDirectory = 0xA005;
constexpr uint16_t kTagPixelWidth = 0xA002;
constexpr uint16_t kTagPixelHeight = 0xA003;

constexpr uint16_t kTypeShort = 3;
constexpr uint16_t kTypeLong = 4;
constexpr uint16_t kTypeIfd = 13;

// The first directory's text tags that describe the picture and its maker: image description,
// make, model, software, date and time, artist, copyright.
constexpr uint16_t kTextTags[] = {270, 271, 272, 305, 306, 315, 33432};
constexpr uint16_t kTypeAscii = 2;

// A block built from a TIFF file never grows beyond this: a hostile file could point a thousand
// entries at the same megabyte.
constexpr size_t kMaxBuiltBytes = size_t(4) << 20;

bool isTextTag(uint32_t tag) {
    return std::find(std::begin(kTextTags), std::end(kTextTags), tag) != std::end(kTextTags);
}

// Bytes of one value of a field type; 0 for a type this reader does not know.
uint32_t typeBytes(uint32_t type) {
    switch (type) {
        case 1:  // BYTE
        case 2:  // ASCII
        case 6:  // SBYTE
        case 7:  // UNDEFINED
            return 1;
        case 3:  // SHORT
        case 8:  // SSHORT
            return 2;
        case 4:   // LONG
        case 9:   // SLONG
        case 11:  // FLOAT
        case 13:  // IFD
            return 4;
        case 5:   // RATIONAL
        case 10:  // SRATIONAL
        case 12:  // DOUBLE
            return 8;
        default:
            return 0;
    }
}

// A TIFF structure in memory; every read is checked against its size by the caller through
// has().
struct View {
    const uint8_t* data = nullptr;
    size_t size = 0;
    bool little = true;

    bool has(uint64_t at, uint64_t bytes) const { return at <= size && size - at >= bytes; }
    uint32_t u16(size_t at) const {
        const uint8_t* p = data + at;
        return little ? uint32_t(p[0]) | uint32_t(p[1]) << 8 : uint32_t(p[0]) << 8 | p[1];
    }
    uint32_t u32(size_t at) const {
        const uint8_t* p = data + at;
        return little ? uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                            uint32_t(p[3]) << 24
                      : uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    }
    // The number of entries of the directory at `at`, when the count and every entry lie within
    // the structure.
    bool directory(uint64_t at, uint32_t& count) const {
        if (!has(at, 2)) return false;
        count = u16(size_t(at));
        return has(at + 2, uint64_t(count) * 12);
    }
    // The position of the entry with `tag` in the directory at `at`; 0 when there is none.
    size_t find(uint64_t at, uint32_t tag) const {
        uint32_t count = 0;
        if (!directory(at, count)) return 0;
        for (uint32_t i = 0; i < count; ++i) {
            const size_t entry = size_t(at) + 2 + size_t(i) * 12;
            if (u16(entry) == tag) return entry;
        }
        return 0;
    }
    // The offset a directory-pointer entry holds (one LONG or IFD); 0 when it is not one.
    uint32_t pointer(size_t entry) const {
        const uint32_t type = u16(entry + 2);
        if ((type != kTypeLong && type != kTypeIfd) || u32(entry + 4) != 1) return 0;
        return u32(entry + 8);
    }
};

// Opens a TIFF structure: its byte order, and its first directory's offset.
bool open(const uint8_t* data, size_t size, View& view, uint32_t& first) {
    if (!data || size < 8) return false;
    view.data = data;
    view.size = size;
    if (data[0] == 'I' && data[1] == 'I') {
        view.little = true;
    } else if (data[0] == 'M' && data[1] == 'M') {
        view.little = false;
    } else {
        return false;
    }
    if (view.u16(2) != 42) return false;
    first = view.u32(4);
    uint32_t count = 0;
    return first >= 8 && view.directory(first, count);
}

void put16(uint8_t* p, bool little, uint32_t v) {
    if (little) {
        p[0] = uint8_t(v);
        p[1] = uint8_t(v >> 8);
    } else {
        p[0] = uint8_t(v >> 8);
        p[1] = uint8_t(v);
    }
}

void put32(uint8_t* p, bool little, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[little ? i : 3 - i] = uint8_t(v >> (8 * i));
}

// Sets a one-value SHORT or LONG entry; other entries are left alone.
void setNumber(std::vector<uint8_t>& block, const View& view, size_t entry, uint32_t value) {
    if (entry == 0 || view.u32(entry + 4) != 1) return;
    const uint32_t type = view.u16(entry + 2);
    if (type == kTypeShort && value <= 0xFFFF) put16(block.data() + entry + 8, view.little, value);
    if (type == kTypeLong) put32(block.data() + entry + 8, view.little, value);
}

uint32_t number(const View& view, size_t entry) {
    if (entry == 0 || view.u32(entry + 4) != 1) return 0;
    const uint32_t type = view.u16(entry + 2);
    if (type == kTypeShort) return view.u16(entry + 8);
    if (type == kTypeLong) return view.u32(entry + 8);
    return 0;
}

bool keepAll(uint32_t) {
    return true;
}

// Directories copied out of one structure into another, which starts at `base` in the file it
// will be part of and has the source's byte order (values are copied as their bytes lie).
class DirectoryCopier {
public:
    DirectoryCopier(const View& source, uint32_t base) : source_(source), base_(base) {}

    std::vector<uint8_t>& output() { return out_; }
    bool failed() const { return failed_; }

    // Copies the directory at `at` and returns where it lies in the file (0 when it could not be
    // copied). `keep` chooses the entries; the directory tags among them are followed down to
    // `depth` more levels (deeper ones are left out: a directory pointing back at its parent
    // cannot loop).
    uint32_t copy(uint32_t at, int depth, const std::function<bool(uint32_t)>& keep) {
        uint32_t count = 0;
        if (failed_ || !source_.directory(at, count)) return 0;
        struct Entry {
            size_t at;
            uint64_t bytes;
            bool directory;
        };
        std::vector<Entry> entries;
        for (uint32_t i = 0; i < count; ++i) {
            const size_t entry = size_t(at) + 2 + size_t(i) * 12;
            const uint32_t tag = source_.u16(entry);
            if (!keep(tag)) continue;
            const bool directory =
                tag == kTagExifDirectory || tag == kTagGpsDirectory || tag == kTagInteropDirectory;
            if (directory) {
                if (depth == 0 || source_.pointer(entry) == 0) continue;
                entries.push_back({entry, 0, true});
                continue;
            }
            const uint32_t size = typeBytes(source_.u16(entry + 2));
            if (size == 0) continue;
            const uint64_t bytes = uint64_t(size) * source_.u32(entry + 4);
            // Values of more than four bytes lie elsewhere, and must lie within the structure.
            if (bytes > 4 && !source_.has(source_.u32(entry + 8), bytes)) continue;
            entries.push_back({entry, bytes, false});
        }
        align();
        const size_t start = out_.size();
        if (!grow(2 + entries.size() * 12 + 4)) return 0;
        put16(out_.data() + start, source_.little, uint32_t(entries.size()));
        for (size_t i = 0; i < entries.size(); ++i) {
            const Entry& e = entries[i];
            // Tag, type and count as they were; the value or offset comes next.
            std::memcpy(out_.data() + start + 2 + i * 12, source_.data + e.at, 12);
        }
        put32(out_.data() + start + 2 + entries.size() * 12, source_.little, 0);
        for (size_t i = 0; i < entries.size(); ++i) {
            const Entry& e = entries[i];
            const size_t valueAt = start + 2 + i * 12 + 8;
            if (e.directory) {
                const uint32_t sub = copy(source_.pointer(e.at), depth - 1, keepAll);
                if (failed_) return 0;
                put32(out_.data() + valueAt, source_.little, sub);
            } else if (e.bytes > 4) {
                align();
                const size_t dataAt = out_.size();
                if (!grow(size_t(e.bytes))) return 0;
                std::memcpy(out_.data() + dataAt, source_.data + source_.u32(e.at + 8),
                            size_t(e.bytes));
                put32(out_.data() + valueAt, source_.little, base_ + uint32_t(dataAt));
            }
        }
        return base_ + uint32_t(start);
    }

private:
    void align() {
        if ((base_ + out_.size()) & 1) grow(1);
    }
    bool grow(size_t bytes) {
        if (failed_ || out_.size() + bytes > kMaxBuiltBytes) {
            failed_ = true;
            return false;
        }
        out_.resize(out_.size() + bytes, 0);
        return true;
    }

    const View& source_;
    uint32_t base_;
    std::vector<uint8_t> out_;
    bool failed_ = false;
};

}  // namespace

bool isExifBlock(const uint8_t* data, size_t size) {
    View view;
    uint32_t first = 0;
    return open(data, size, view, first);
}

int exifOrientation(const uint8_t* data, size_t size) {
    View view;
    uint32_t first = 0;
    if (!open(data, size, view, first)) return 0;
    const size_t entry = view.find(first, kTagOrientation);
    if (entry == 0 || view.u16(entry + 2) != kTypeShort || view.u32(entry + 4) != 1) return 0;
    const uint32_t value = view.u16(entry + 8);
    return value >= 1 && value <= 8 ? int(value) : 0;
}

void resetExifOrientation(std::vector<uint8_t>& block) {
    View view;
    uint32_t first = 0;
    if (!open(block.data(), block.size(), view, first)) return;
    const size_t entry = view.find(first, kTagOrientation);
    if (entry != 0 && view.u16(entry + 2) == kTypeShort) setNumber(block, view, entry, 1);
}

void setExifPixelDimensions(std::vector<uint8_t>& block, int32_t width, int32_t height) {
    View view;
    uint32_t first = 0;
    if (!open(block.data(), block.size(), view, first) || width < 0 || height < 0) return;
    const size_t pointer = view.find(first, kTagExifDirectory);
    if (pointer == 0) return;
    const uint32_t exif = view.pointer(pointer);
    if (exif == 0) return;
    setNumber(block, view, view.find(exif, kTagPixelWidth), uint32_t(width));
    setNumber(block, view, view.find(exif, kTagPixelHeight), uint32_t(height));
}

void exifPixelDimensions(const std::vector<uint8_t>& block, uint32_t& width, uint32_t& height) {
    width = height = 0;
    View view;
    uint32_t first = 0;
    if (!open(block.data(), block.size(), view, first)) return;
    const size_t pointer = view.find(first, kTagExifDirectory);
    const uint32_t exif = pointer ? view.pointer(pointer) : 0;
    if (exif == 0) return;
    width = number(view, view.find(exif, kTagPixelWidth));
    height = number(view, view.find(exif, kTagPixelHeight));
}

bool exifHasDirectories(const std::vector<uint8_t>& block, bool& exif, bool& gps) {
    exif = gps = false;
    View view;
    uint32_t first = 0;
    if (!open(block.data(), block.size(), view, first)) return false;
    auto lies = [&](uint16_t tag) {
        const size_t entry = view.find(first, tag);
        const uint32_t at = entry ? view.pointer(entry) : 0;
        uint32_t count = 0;
        return at != 0 && view.directory(at, count);
    };
    exif = lies(kTagExifDirectory);
    gps = lies(kTagGpsDirectory);
    return exif || gps;
}

std::vector<uint8_t> exifFromTiffFile(const uint8_t* file, size_t size) {
    View view;
    uint32_t first = 0;
    if (!open(file, size, view, first)) return {};
    try {
        // The block: its header, then the first directory at offset 8.
        DirectoryCopier copier(view, 0);
        std::vector<uint8_t>& out = copier.output();
        out.assign(8, 0);
        out[0] = out[1] = view.little ? 'I' : 'M';
        put16(out.data() + 2, view.little, 42);
        put32(out.data() + 4, view.little, 8);
        bool any = false;
        copier.copy(first, 2, [&](uint32_t tag) {
            const bool kept = tag == kTagExifDirectory || tag == kTagGpsDirectory || isTextTag(tag);
            any = any || kept;
            return kept;
        });
        if (copier.failed() || !any) return {};
        uint32_t count = 0;
        View built{out.data(), out.size(), view.little};
        if (!built.directory(8, count) || count == 0) return {};
        return std::move(out);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

std::vector<ExifText> exifTextTags(const std::vector<uint8_t>& block) {
    std::vector<ExifText> texts;
    View view;
    uint32_t first = 0;
    uint32_t count = 0;
    if (!open(block.data(), block.size(), view, first) || !view.directory(first, count)) {
        return texts;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const size_t entry = size_t(first) + 2 + size_t(i) * 12;
        const uint32_t tag = view.u16(entry);
        if (!isTextTag(tag) || view.u16(entry + 2) != kTypeAscii) continue;
        const uint32_t length = view.u32(entry + 4);
        const uint64_t at = length > 4 ? view.u32(entry + 8) : entry + 8;
        if (!view.has(at, length)) continue;
        const uint8_t* text = block.data() + at;
        // The text ends at its first zero.
        const size_t used = size_t(std::find(text, text + length, 0) - text);
        if (used == 0) continue;
        texts.push_back({uint16_t(tag), std::vector<uint8_t>(text, text + used)});
    }
    return texts;
}

bool appendExifToTiffFile(std::vector<uint8_t>& file, const std::vector<uint8_t>& block) {
    View target;
    View source;
    uint32_t targetFirst = 0, sourceFirst = 0;
    if (!open(file.data(), file.size(), target, targetFirst) ||
        !open(block.data(), block.size(), source, sourceFirst) || target.little != source.little) {
        return false;
    }
    try {
        const uint64_t base = file.size() + (file.size() & 1);
        if (base > UINT32_MAX - kMaxBuiltBytes) return false;
        DirectoryCopier copier(source, uint32_t(base));
        struct Patch {
            size_t entry;
            uint32_t offset;
        };
        std::vector<Patch> patches;
        for (const uint16_t tag : {kTagExifDirectory, kTagGpsDirectory}) {
            const size_t from = source.find(sourceFirst, tag);
            const uint32_t at = from ? source.pointer(from) : 0;
            if (at == 0) continue;
            const size_t into = target.find(targetFirst, tag);
            if (into == 0) return false;
            const uint32_t type = target.u16(into + 2);
            if ((type != kTypeLong && type != kTypeIfd) || target.u32(into + 4) != 1) return false;
            const uint32_t offset = copier.copy(at, 1, keepAll);
            if (copier.failed()) return false;
            patches.push_back({into, offset});
        }
        if (patches.empty()) return false;
        std::vector<uint8_t> joined = file;
        joined.resize(size_t(base), 0);
        joined.insert(joined.end(), copier.output().begin(), copier.output().end());
        for (const Patch& p : patches) put32(joined.data() + p.entry + 8, target.little, p.offset);
        file.swap(joined);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace varnel
