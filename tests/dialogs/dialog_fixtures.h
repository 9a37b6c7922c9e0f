// Shared by the dialog tests: the run's remembered values put back before each test, and a check
// that every control a user can reach has a name a screen reader can read.
#pragma once

#include <gtest/gtest.h>

#include <QAccessible>
#include <QDialog>
#include <QWidget>

#include "dialogs/canvas_size_dialog.h"
#include "dialogs/fill_dialog.h"
#include "dialogs/new_image_dialog.h"
#include "dialogs/one_value_dialog.h"
#include "dialogs/options_dialog.h"
#include "dialogs/parameter_dialog.h"

namespace varnel::test {

// Each test starts from a fresh run: nothing remembered.
class FreshRun : public ::testing::Test {
protected:
    void SetUp() override {
        CanvasSizeDialog::remembered() = {};
        FillDialog::remembered() = {};
        SelectionModifyDialog::remembered() = {};
        NewImageDialog::remembered() = {};
        OptionsDialog::rememberedPage() = OptionsDialog::kGeneralPage;
        ParameterDialog::forgetPositions();
    }
};

// The controls of `dialog` that take the keyboard focus and have no accessible name.
inline QStringList unnamedControls(QDialog& dialog) {
    QStringList unnamed;
    for (QWidget* w : dialog.findChildren<QWidget*>()) {
        if (w->focusPolicy() == Qt::NoFocus || !w->isVisibleTo(&dialog)) continue;
        if (w->focusProxy()) continue;  // the proxy is the one that is read
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        if (!a || a->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(' ') +
                           w->objectName();
    }
    return unnamed;
}

}  // namespace varnel::test
