#include "dialogs/duplicate_image_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

namespace varnel {
namespace {

TEST(DuplicateName, ProposalFollowsTheCopyRuleAndAvoidsOpenNames) {
    struct Case {
        const char* name;
        QStringList open;
        const char* proposed;
    } cases[] = {
        {"photo.jpg", {}, "photo copy"},
        {"photo.jpg", {"photo.jpg"}, "photo copy"},
        {"photo copy", {}, "photo copy"},
        {"photo copy", {"photo copy"}, "photo copy 2"},
        {"photo copy", {"photo copy", "photo copy 2", "photo copy 4"}, "photo copy 3"},
        {"photo.jpg", {"photo copy", "Photo copy 2"}, "photo copy 2"},  // case-sensitive
        {"archive.tar.gz", {}, "archive.tar copy"},
        {"Untitled-1", {}, "Untitled-1 copy"},
        {"Shot COPY", {}, "Shot COPY copy"},
        {"x copy.png", {}, "x copy copy"},
        {".png", {}, " copy"},
        {"what?<now>.png", {"whatnow copy"}, "whatnow copy 2"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(proposedDuplicateName(QString::fromUtf8(c.name), c.open),
                  QString::fromUtf8(c.proposed))
            << c.name;
}

// The field takes at most 30 characters: a long name gives way to " copy" and its number, so
// that two copies of it are told apart.
TEST(DuplicateName, LongNamesAreShortenedBeforeTheirCopyEnding) {
    const QString a25(25, QLatin1Char('a')), a40(40, QLatin1Char('a'));
    struct Case {
        const char* what;
        QString name;
        QStringList open;
        QString proposed;
    } cases[] = {
        {"fits exactly", a25 + QStringLiteral(".jpg"), {}, a25 + QStringLiteral(" copy")},
        {"too long", a40 + QStringLiteral(".jpg"), {}, a25 + QStringLiteral(" copy")},
        {"too long, first copy open",
         a40 + QStringLiteral(".jpg"),
         {a25 + QStringLiteral(" copy")},
         a25.left(23) + QStringLiteral(" copy 2")},
        {"too long, copies up to 10 open",
         a40,
         {a25 + QStringLiteral(" copy"), a25.left(23) + QStringLiteral(" copy 2"),
          a25.left(23) + QStringLiteral(" copy 3"), a25.left(23) + QStringLiteral(" copy 4"),
          a25.left(23) + QStringLiteral(" copy 5"), a25.left(23) + QStringLiteral(" copy 6"),
          a25.left(23) + QStringLiteral(" copy 7"), a25.left(23) + QStringLiteral(" copy 8"),
          a25.left(23) + QStringLiteral(" copy 9")},
         a25.left(22) + QStringLiteral(" copy 10")},
        {"a long copy stays a copy",
         a40 + QStringLiteral(" copy"),
         {},
         a25 + QStringLiteral(" copy")},
        // A character outside the basic plane is not cut in half.
        {"surrogate pair at the cut",
         a25.left(24) + QString::fromUtf8("\U0001F600") + QStringLiteral("b"),
         {},
         a25.left(24) + QStringLiteral(" copy")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString proposed = proposedDuplicateName(c.name, c.open);
        EXPECT_EQ(proposed, c.proposed);
        EXPECT_LE(proposed.size(), kMaxDuplicateNameLength);
    }
    // Without a limit the name is kept whole.
    EXPECT_EQ(proposedDuplicateName(a40, {}, 0), a40 + QStringLiteral(" copy"));

    // The dialog shows the whole proposal.
    DuplicateImageDialog dialog(a40 + QStringLiteral(".png"), {a25 + QStringLiteral(" copy")});
    EXPECT_EQ(dialog.nameField()->text(), a25.left(23) + QStringLiteral(" copy 2"));
}

TEST(DuplicateImageDialog, AsFieldRefusesFileNameCharactersAndLongText) {
    DuplicateImageDialog dialog(QStringLiteral("photo.jpg"), {QStringLiteral("photo.jpg")});
    EXPECT_EQ(dialog.sourceField()->text(), QStringLiteral("photo.jpg"));
    EXPECT_TRUE(dialog.sourceField()->isReadOnly());
    QLineEdit* as = dialog.nameField();
    EXPECT_EQ(as->text(), QStringLiteral("photo copy"));

    as->clear();
    QTest::keyClicks(as, QStringLiteral("a:b\\c/d*e?f\"g<h>i|j"));
    EXPECT_EQ(as->text(), QStringLiteral("abcdefghij"));

    // Pasted text holding one refused character is refused as a whole.
    QApplication::clipboard()->setText(QStringLiteral("x?y"));
    as->paste();
    EXPECT_EQ(as->text(), QStringLiteral("abcdefghij"));
    QApplication::clipboard()->setText(QStringLiteral(" final"));
    as->paste();
    EXPECT_EQ(as->text(), QStringLiteral("abcdefghij final"));

    as->clear();
    QTest::keyClicks(as, QString(40, QLatin1Char('n')));
    EXPECT_EQ(as->text().size(), DuplicateImageDialog::kMaxNameLength);

    // A name with characters the field refuses is proposed without them.
    DuplicateImageDialog odd(QStringLiteral("what?<now>.png"), {});
    EXPECT_EQ(odd.nameField()->text(), QStringLiteral("whatnow copy"));
}

TEST(DuplicateImageDialog, OkNeedsANameThatIsNotBlank) {
    DuplicateImageDialog dialog(QStringLiteral("a.png"), {});
    QLineEdit* as = dialog.nameField();
    EXPECT_TRUE(dialog.okButton()->isEnabled());
    as->clear();
    EXPECT_FALSE(dialog.okButton()->isEnabled());
    QTest::keyClicks(as, QStringLiteral("   "));
    EXPECT_FALSE(dialog.okButton()->isEnabled());
    QTest::keyClicks(as, QStringLiteral("b  "));
    EXPECT_TRUE(dialog.okButton()->isEnabled());
    EXPECT_EQ(dialog.enteredName(), QStringLiteral("b"));
    dialog.show();
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(DuplicateImageDialog, OpensCentredOverItsOwnerAndCanOnlyBeWidened) {
    QWidget owner;
    owner.setGeometry(100, 80, 800, 600);
    owner.show();
    DuplicateImageDialog dialog(QStringLiteral("a.png"), {}, &owner);
    for (QPoint ownerAt : {QPoint(100, 80), QPoint(300, 200)}) {
        owner.move(ownerAt);
        dialog.show();
        EXPECT_LE(
            (dialog.frameGeometry().center() - owner.frameGeometry().center()).manhattanLength(), 2)
            << ownerAt.x();
        const QSize opened = dialog.size();
        EXPECT_EQ(dialog.minimumSize(), opened);
        EXPECT_EQ(dialog.maximumHeight(), opened.height());
        EXPECT_EQ(dialog.maximumWidth(), owner.screen()->availableGeometry().width());
        EXPECT_TRUE(dialog.isSizeGripEnabled());
        dialog.resize(opened.width() + 100, opened.height() + 100);
        EXPECT_EQ(dialog.size(), QSize(opened.width() + 100, opened.height()));
        dialog.resize(opened.width() - 50, opened.height() - 50);
        EXPECT_EQ(dialog.size(), opened);
        dialog.reject();
    }
}

}  // namespace
}  // namespace varnel
