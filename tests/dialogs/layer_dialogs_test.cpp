#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "dialog_fixtures.h"
#include "dialogs/duplicate_layer_dialog.h"
#include "dialogs/new_layer_dialog.h"
#include "widgets/popup_slider_field.h"

namespace varnel {
namespace {

void retype(QLineEdit* field, const QString& text) {
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

LayerProperties proposed(const char* name) {
    LayerProperties p;
    p.name = name;
    return p;
}

TEST(NewLayerDialog, OffersTheProposedLayerAndReturnsWhatWasEntered) {
    NewLayerDialog dialog(proposed("Layer 3"));
    EXPECT_EQ(dialog.nameField()->text(), QStringLiteral("Layer 3"));
    EXPECT_EQ(dialog.modeList()->currentText(), QStringLiteral("Normal"));
    EXPECT_EQ(dialog.opacityField()->text(), QStringLiteral("100%"));
    EXPECT_TRUE(dialog.okButton()->isEnabled());
    EXPECT_TRUE(test::unnamedControls(dialog).isEmpty())
        << test::unnamedControls(dialog).join(", ").toStdString();

    LayerProperties p = dialog.properties();
    EXPECT_EQ(p.name, "Layer 3");
    EXPECT_EQ(p.blendMode, 0);
    EXPECT_EQ(p.masterOpacity, 255);

    retype(dialog.nameField(), QStringLiteral("  Shadows "));
    dialog.modeList()->setCurrentIndex(1);
    retype(dialog.opacityField(), QStringLiteral("50%"));
    p = dialog.properties();
    EXPECT_EQ(p.name, "  Shadows ");  // as typed
    EXPECT_EQ(p.blendMode, 1);
    EXPECT_EQ(p.masterOpacity, 128);  // trunc(50 × 2.55 + 0.5)

    // An opacity byte shows as the nearest percentage.
    LayerProperties given = proposed("x");
    given.masterOpacity = 128;
    given.blendMode = 12;
    NewLayerDialog again(given);
    EXPECT_EQ(again.opacityField()->text(), QStringLiteral("50%"));
    EXPECT_EQ(again.modeList()->currentText(), QStringLiteral("Difference"));
}

TEST(NewLayerDialog, OkNeedsANameAndAnOpacityInRange) {
    NewLayerDialog dialog(proposed("Layer 1"));
    struct Case {
        const char* name;
        const char* opacity;
        bool ok;
    } cases[] = {
        {"Layer 1", "0", true}, {"Layer 1", "100%", true}, {"   ", "50", false}, {"", "50", false},
        {"a", "", false},       {"a", "%", false},         {"a", "101", false},  {"a", "7%", true},
    };
    for (const Case& c : cases) {
        retype(dialog.nameField(), QString::fromLatin1(c.name));
        retype(dialog.opacityField(), QString::fromLatin1(c.opacity));
        EXPECT_EQ(dialog.okButton()->isEnabled(), c.ok) << c.name << " / " << c.opacity;
    }
    retype(dialog.nameField(), QString(300, QLatin1Char('n')));
    EXPECT_EQ(dialog.properties().name.size(), 255u);
}

TEST(DuplicateLayerDialog, ShowsTheLayerAndReturnsTheNameAsTyped) {
    DuplicateLayerDialog dialog(QStringLiteral("Background"), QStringLiteral("Background copy"));
    EXPECT_EQ(dialog.sourceField()->text(), QStringLiteral("Background"));
    EXPECT_TRUE(dialog.sourceField()->isReadOnly());
    EXPECT_EQ(dialog.nameField()->text(), QStringLiteral("Background copy"));
    EXPECT_EQ(dialog.copyName(), "Background copy");
    EXPECT_TRUE(test::unnamedControls(dialog).isEmpty())
        << test::unnamedControls(dialog).join(", ").toStdString();

    retype(dialog.nameField(), QStringLiteral("  "));
    EXPECT_FALSE(dialog.okButton()->isEnabled());
    retype(dialog.nameField(), QStringLiteral(" Sky "));
    EXPECT_TRUE(dialog.okButton()->isEnabled());
    EXPECT_EQ(dialog.copyName(), " Sky ");
}

}  // namespace
}  // namespace varnel
