#include "app/handover.h"

#include <QtEndian>

namespace varnel {

namespace {

uint32_t readU32(const char* p) {
    return qFromLittleEndian<uint32_t>(p);
}

void appendU32(QByteArray& out, uint32_t v) {
    char bytes[4];
    qToLittleEndian<uint32_t>(v, bytes);
    out.append(bytes, 4);
}

bool isValidUtf16(const char16_t* s, int n) {
    for (int i = 0; i < n; ++i) {
        char16_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= n || s[i + 1] < 0xDC00 || s[i + 1] > 0xDFFF) return false;
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool fitsHandoverSlot(const QString& path) {
    return !path.isEmpty() && path.size() < kHandoverSlotChars &&
           path.startsWith(QLatin1Char('/')) && !path.contains(QChar(0));
}

QByteArray packPaths(const QStringList& paths) {
    if (paths.isEmpty() || paths.size() > kMaxHandoverPaths) return {};
    for (const QString& p : paths)
        if (!fitsHandoverSlot(p)) return {};
    QByteArray out;
    out.reserve(kHandoverHeaderBytes + paths.size() * kHandoverSlotBytes);
    appendU32(out, kHandoverMagic);
    appendU32(out, uint32_t(kHandoverHeaderBytes + paths.size() * kHandoverSlotBytes));
    appendU32(out, uint32_t(paths.size()));
    for (const QString& p : paths) {
        char slot[kHandoverSlotBytes] = {};
        for (qsizetype i = 0; i < p.size(); ++i)
            qToLittleEndian<uint16_t>(p[i].unicode(), slot + 2 * i);
        out.append(slot, kHandoverSlotBytes);
    }
    return out;
}

std::vector<QByteArray> packPathRecords(const QStringList& paths, QStringList* refused) {
    QStringList fitting;
    for (const QString& p : paths) {
        if (fitsHandoverSlot(p))
            fitting.append(p);
        else if (refused)
            refused->append(p);
    }
    std::vector<QByteArray> records;
    for (qsizetype i = 0; i < fitting.size(); i += kMaxHandoverPaths)
        records.push_back(packPaths(fitting.mid(i, kMaxHandoverPaths)));
    return records;
}

long long announcedHandoverSize(const char* data, size_t size) {
    if (size < size_t(kHandoverHeaderBytes)) return 0;
    uint32_t magic = readU32(data), total = readU32(data + 4), count = readU32(data + 8);
    if (magic != kHandoverMagic || count == 0 || count > uint32_t(kMaxHandoverPaths)) return -1;
    if (total != uint32_t(kHandoverHeaderBytes) + count * uint32_t(kHandoverSlotBytes)) return -1;
    return total;
}

QStringList unpackPaths(const char* data, size_t size) {
    long long total = announcedHandoverSize(data, size);
    if (total <= 0 || size_t(total) != size) return {};
    int count = int(readU32(data + 8));
    QStringList paths;
    char16_t slot[kHandoverSlotChars];
    for (int k = 0; k < count; ++k) {
        const char* p = data + kHandoverHeaderBytes + size_t(k) * kHandoverSlotBytes;
        for (int i = 0; i < kHandoverSlotChars; ++i)
            slot[i] = qFromLittleEndian<uint16_t>(p + 2 * i);
        int length = 0;
        while (length < kHandoverSlotChars && slot[length] != 0) ++length;
        if (length == kHandoverSlotChars) return {};  // no terminator
        for (int i = length; i < kHandoverSlotChars; ++i)
            if (slot[i] != 0) return {};
        if (!isValidUtf16(slot, length)) return {};
        QString path = QString::fromUtf16(slot, length);
        if (!fitsHandoverSlot(path)) return {};
        paths.append(path);
    }
    return paths;
}

}  // namespace varnel
