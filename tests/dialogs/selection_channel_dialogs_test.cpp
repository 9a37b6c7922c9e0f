#include "dialogs/selection_channel_dialogs.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "dialog_fixtures.h"

namespace varnel {
namespace {

using SaveSelectionDialogTest = test::FreshRun;
using LoadSelectionDialogTest = test::FreshRun;

TEST_F(SaveSelectionDialogTest, NewChannelOrAnExistingOneToCombineWith) {
    SaveSelectionDialog dialog({QStringLiteral("Alpha 1"), QStringLiteral("Alpha 3")});
    QComboBox* list = dialog.channelList();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->currentText(), QStringLiteral("- New -"));
    EXPECT_TRUE(dialog.nameField()->isEnabled());
    EXPECT_EQ(dialog.operationButton(0)->text(), QStringLiteral("N&ew channel"));
    EXPECT_TRUE(dialog.operationButton(0)->isChecked());
    for (int i = 1; i < 4; ++i) EXPECT_FALSE(dialog.operationButton(i)->isEnabled()) << i;
    EXPECT_TRUE(test::unnamedControls(dialog).isEmpty())
        << test::unnamedControls(dialog).join(", ").toStdString();

    QTest::keyClicks(dialog.nameField(), QStringLiteral("Sky"));
    SaveSelectionParams p = dialog.params();
    EXPECT_EQ(p.index, 2);  // the channel count: a new channel
    EXPECT_EQ(p.name, "Sky");
    EXPECT_EQ(p.operation, 0);

    list->setCurrentIndex(1);
    EXPECT_TRUE(dialog.nameField()->text().isEmpty());
    EXPECT_FALSE(dialog.nameField()->isEnabled());
    EXPECT_EQ(dialog.operationButton(0)->text(), QStringLiteral("R&eplace channel"));
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(dialog.operationButton(i)->isEnabled()) << i;
    dialog.operationButton(2)->setChecked(true);
    p = dialog.params();
    EXPECT_EQ(p.index, 1);
    EXPECT_EQ(p.name, "");
    EXPECT_EQ(p.operation, 2);

    // Back to a new channel: the first operation again, whatever was chosen for the channel.
    list->setCurrentIndex(2);
    EXPECT_EQ(dialog.operationButton(0)->text(), QStringLiteral("N&ew channel"));
    EXPECT_TRUE(dialog.operationButton(0)->isChecked());
    EXPECT_FALSE(dialog.operationButton(2)->isEnabled());
    EXPECT_EQ(dialog.params().operation, 0);
}

TEST_F(SaveSelectionDialogTest, WithoutChannelsOnlyANewOneIsOffered) {
    SaveSelectionDialog dialog({});
    EXPECT_EQ(dialog.channelList()->count(), 1);
    EXPECT_EQ(dialog.params().index, 0);
    EXPECT_TRUE(dialog.okButton()->isEnabled());
}

TEST_F(LoadSelectionDialogTest, CombiningNeedsASelection) {
    const QStringList channels{QStringLiteral("Alpha 1"), QStringLiteral("Alpha 2")};
    LoadSelectionDialog without(channels, false);
    EXPECT_EQ(without.channelList()->currentText(), QStringLiteral("Alpha 1"));
    EXPECT_FALSE(without.invertBox()->isChecked());
    EXPECT_TRUE(without.operationButton(0)->isChecked());
    EXPECT_TRUE(without.operationButton(0)->isEnabled());
    for (int i = 1; i < 4; ++i) EXPECT_FALSE(without.operationButton(i)->isEnabled()) << i;
    EXPECT_TRUE(test::unnamedControls(without).isEmpty())
        << test::unnamedControls(without).join(", ").toStdString();

    LoadSelectionDialog with(channels, true);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(with.operationButton(i)->isEnabled()) << i;
    with.channelList()->setCurrentIndex(1);
    with.invertBox()->setChecked(true);
    with.operationButton(3)->setChecked(true);
    const LoadSelectionParams p = with.params();
    EXPECT_EQ(p.index, 1);
    EXPECT_TRUE(p.invert);
    EXPECT_EQ(p.operation, 3);
    EXPECT_EQ(with.operationButton(3)->text(), QStringLiteral("&Intersect with selection"));
    EXPECT_EQ(with.invertBox()->text(), QStringLiteral("In&vert"));
}

}  // namespace
}  // namespace varnel
