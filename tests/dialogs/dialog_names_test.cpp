#include <gtest/gtest.h>

#include <QLineEdit>

#include "dialog_fixtures.h"
#include "dialogs/duplicate_image_dialog.h"

namespace varnel {
namespace {

// The other dialogs' tests check their own controls.
TEST(DialogNames, DuplicateImageFieldsAreNamedAfterTheirLabels) {
    DuplicateImageDialog dialog(QStringLiteral("photo.jpg"), {});
    EXPECT_TRUE(test::unnamedControls(dialog).isEmpty())
        << test::unnamedControls(dialog).join(", ").toStdString();
    EXPECT_EQ(dialog.nameField()->accessibleName(), QStringLiteral("As:"));
    EXPECT_EQ(dialog.sourceField()->accessibleName(), QStringLiteral("Duplicate:"));
}

}  // namespace
}  // namespace varnel
