#include "app/handover.h"

#include <gtest/gtest.h>

#include <QtEndian>
#include <cstring>

namespace varnel {
namespace {

QStringList roundTrip(const QStringList& paths) {
    QByteArray record = packPaths(paths);
    return unpackPaths(record.constData(), size_t(record.size()));
}

TEST(Handover, RecordLayout) {
    QByteArray r = packPaths({QStringLiteral("/a.png"), QStringLiteral("/b")});
    ASSERT_EQ(r.size(), 12 + 2 * 522);
    EXPECT_EQ(r.left(4), QByteArray("VFPP"));
    EXPECT_EQ(qFromLittleEndian<uint32_t>(r.constData() + 4), uint32_t(12 + 2 * 522));
    EXPECT_EQ(qFromLittleEndian<uint32_t>(r.constData() + 8), 2u);
    // "/a.png" as UTF-16LE, then zeros to the end of the slot.
    EXPECT_EQ(r.mid(12, 14), QByteArray("/\0a\0.\0p\0n\0g\0\0\0", 14));
    EXPECT_EQ(r.mid(12 + 12, 522 - 12), QByteArray(522 - 12, '\0'));
    EXPECT_EQ(r.mid(12 + 522, 4), QByteArray("/\0b\0", 4));
}

TEST(Handover, PathsSurviveTheTrip) {
    const QStringList cases[] = {
        {QStringLiteral("/photo.jpg")},
        {QStringLiteral("/home/ü/Fotos/Straße.png"),
         QString::fromUtf8("/tmp/\xF0\x9F\x93\xB7.bmp")},
        {QStringLiteral("/") + QString(259, QLatin1Char('p'))},  // 260 characters, the most
    };
    for (const QStringList& paths : cases) EXPECT_EQ(roundTrip(paths), paths);
}

TEST(Handover, PathsThatDoNotFitAreRefusedAndTheRestSplitIntoRecords) {
    EXPECT_TRUE(packPaths({}).isEmpty());
    EXPECT_TRUE(packPaths({QStringLiteral("relative.png")}).isEmpty());
    EXPECT_TRUE(packPaths({QStringLiteral("/") + QString(260, QLatin1Char('p'))}).isEmpty());

    QStringList many;
    for (int i = 0; i < kMaxHandoverPaths + 3; ++i) many.append(QStringLiteral("/f%1").arg(i));
    QString tooLong = QStringLiteral("/") + QString(300, QLatin1Char('l'));
    many.insert(5, tooLong);
    QStringList refused;
    auto records = packPathRecords(many, &refused);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(refused, QStringList{tooLong});
    QStringList back = unpackPaths(records[0].constData(), size_t(records[0].size())) +
                       unpackPaths(records[1].constData(), size_t(records[1].size()));
    many.removeAt(5);
    EXPECT_EQ(back, many);
}

// Writes a 32-bit little-endian value into `r` at `offset`.
void put32(QByteArray& r, int offset, uint32_t v) {
    qToLittleEndian<uint32_t>(v, r.data() + offset);
}
void put16(QByteArray& r, int offset, uint16_t v) {
    qToLittleEndian<uint16_t>(v, r.data() + offset);
}

TEST(Handover, RecordsThatDoNotAddUpAreDroppedWhole) {
    const QByteArray good = packPaths({QStringLiteral("/a.png"), QStringLiteral("/b.png")});
    const int slot2 = 12 + 522;
    struct Case {
        const char* name;
        std::function<void(QByteArray&)> spoil;
    } cases[] = {
        {"wrong magic", [](QByteArray& r) { r[0] = 'X'; }},
        {"total size too large", [](QByteArray& r) { put32(r, 4, uint32_t(r.size() + 522)); }},
        {"total size too small", [](QByteArray& r) { put32(r, 4, 12 + 522); }},
        {"count of 0",
         [](QByteArray& r) {
             put32(r, 8, 0);
             put32(r, 4, 12);
             r.truncate(12);
         }},
        {"count beyond the data", [](QByteArray& r) { put32(r, 8, 3); }},
        {"count larger than the cap, sizes consistent",
         [](QByteArray& r) {
             uint32_t n = kMaxHandoverPaths + 1;
             put32(r, 8, n);
             put32(r, 4, 12 + n * 522);
         }},
        {"size wraps around 32 bits",
         [](QByteArray& r) {
             put32(r, 8, 0x80000001u);
             put32(r, 4, uint32_t(12 + 0x80000001ull * 522));
         }},
        {"received data shorter", [](QByteArray& r) { r.chop(1); }},
        {"received data longer", [](QByteArray& r) { r.append('\0'); }},
        {"slot without terminator",
         [=](QByteArray& r) {
             for (int i = 0; i < 261; ++i) put16(r, slot2 + 2 * i, 'x');
         }},
        {"garbage after the terminator", [=](QByteArray& r) { put16(r, slot2 + 2 * 200, 'x'); }},
        {"empty path",
         [=](QByteArray& r) {
             for (int i = 0; i < 261; ++i) put16(r, slot2 + 2 * i, 0);
         }},
        {"relative path", [=](QByteArray& r) { put16(r, slot2, 'b'); }},
        {"lone surrogate", [=](QByteArray& r) { put16(r, slot2 + 2, 0xD800); }},
        {"header only", [](QByteArray& r) { r.truncate(12); }},
        {"fewer bytes than a header", [](QByteArray& r) { r.truncate(7); }},
    };
    ASSERT_EQ(unpackPaths(good.constData(), size_t(good.size())).size(), 2);
    for (const Case& c : cases) {
        QByteArray r = good;
        c.spoil(r);
        EXPECT_TRUE(unpackPaths(r.constData(), size_t(r.size())).isEmpty()) << c.name;
    }
    EXPECT_TRUE(unpackPaths(nullptr, 0).isEmpty());
}

TEST(Handover, HeaderAloneTellsHowMuchToRead) {
    QByteArray r = packPaths({QStringLiteral("/a")});
    EXPECT_EQ(announcedHandoverSize(r.constData(), 11), 0);
    EXPECT_EQ(announcedHandoverSize(r.constData(), 12), 12 + 522);
    r[1] = 'X';
    EXPECT_EQ(announcedHandoverSize(r.constData(), 12), -1);
}

}  // namespace
}  // namespace varnel
