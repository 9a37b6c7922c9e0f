#include "dialogs/new_image_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <deque>

#include "dialog_fixtures.h"
#include "imageops/units.h"
#include "widgets/number_field.h"

namespace varnel {
namespace {

void retype(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

// Chooses a list entry as the user does.
void choose(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
}

void choose(QComboBox* list, const QString& text) {
    const int index = list->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    choose(list, index);
}

// Scripted answers to the dialog's questions, and what it asked.
struct Answers {
    std::deque<std::optional<QString>> names;
    std::deque<bool> yesNo;
    QStringList log;

    NewImageDialog::Questions questions() {
        NewImageDialog::Questions q;
        q.presetName = [this](QWidget*, const QString& proposal) {
            log << QStringLiteral("name? ") + proposal;
            std::optional<QString> n = names.empty() ? std::nullopt : names.front();
            if (!names.empty()) names.pop_front();
            return n;
        };
        q.error = [this](QWidget*, const QString& title, const QString& text) {
            log << QStringLiteral("error ") + title + QStringLiteral(": ") + text;
        };
        q.yesNo = [this](QWidget*, const QString& title, const QString& text) {
            log << QStringLiteral("ask ") + title + QStringLiteral(": ") + text;
            bool a = !yesNo.empty() && yesNo.front();
            if (!yesNo.empty()) yesNo.pop_front();
            return a;
        };
        return q;
    }
};

class NewImageDialogTest : public test::FreshRun {
protected:
    std::unique_ptr<NewImageDialog> open(std::optional<Size> clipboard = std::nullopt) {
        return std::make_unique<NewImageDialog>(settings, clipboard, nullptr, answers.questions());
    }
    AppSettings settings;
    Answers answers;
};

TEST_F(NewImageDialogTest, OpensOnTheLastValuesUnderCustomWithTheNextUntitledName) {
    auto dialog = open();
    EXPECT_EQ(dialog->nameField()->text(), QStringLiteral("Untitled-1"));
    QStringList names;
    for (int i = 0; i < dialog->presetList()->count(); ++i)
        names << dialog->presetList()->itemText(i);
    EXPECT_EQ(names, (QStringList{"Custom", "Clipboard", "Default", "640 x 480", "800 x 600",
                                  "1024 x 768", "A4", "A3"}));
    EXPECT_EQ(dialog->presetList()->currentText(), QStringLiteral("Custom"));
    EXPECT_EQ(dialog->widthField()->text(), QStringLiteral("320"));
    EXPECT_EQ(dialog->heightField()->text(), QStringLiteral("240"));
    EXPECT_EQ(dialog->resolutionField()->text(), QStringLiteral("72.000"));
    EXPECT_EQ(dialog->widthUnitList()->currentText(), QStringLiteral("pixels"));
    EXPECT_EQ(dialog->resolutionUnitList()->currentText(), QStringLiteral("pixels/inch"));
    EXPECT_EQ(dialog->backgroundList()->currentText(), QStringLiteral("White"));
    EXPECT_EQ(dialog->sizeLabel()->text(), QStringLiteral("225K"));
    EXPECT_TRUE(dialog->okButton()->isEnabled());
    EXPECT_TRUE(dialog->okButton()->isDefault());
    EXPECT_TRUE(dialog->saveButton()->isEnabled());
    EXPECT_FALSE(dialog->deleteButton()->isEnabled());
    EXPECT_TRUE(dialog->landscapeButton()->isChecked());
    EXPECT_TRUE(dialog->problem().isEmpty());
    EXPECT_TRUE(test::unnamedControls(*dialog).isEmpty())
        << test::unnamedControls(*dialog).join(", ").toStdString();
}

TEST_F(NewImageDialogTest, CancelGivesTheNumberBack) {
    for (int round = 0; round < 2; ++round) {
        auto dialog = open();
        EXPECT_EQ(dialog->nameField()->text(), QStringLiteral("Untitled-1"));
        dialog->reject();
    }
    open()->accept();
    EXPECT_EQ(open()->nameField()->text(), QStringLiteral("Untitled-2"));
}

TEST_F(NewImageDialogTest, AClipboardImageIsOfferedInPixels) {
    NewImageDialog::remembered().values.du = kUnitInches;
    auto dialog = open(Size{123, 45});
    EXPECT_EQ(dialog->presetList()->currentText(), QStringLiteral("Clipboard"));
    EXPECT_EQ(dialog->widthField()->text(), QStringLiteral("123"));
    EXPECT_EQ(dialog->heightField()->text(), QStringLiteral("45"));
    EXPECT_EQ(dialog->widthUnitList()->currentText(), QStringLiteral("pixels"));
    EXPECT_TRUE(dialog->saveButton()->isEnabled());
}

TEST_F(NewImageDialogTest, A4At300PixelsPerInchIsTruncatedTo2480By3507) {
    auto dialog = open();
    choose(dialog->presetList(), QStringLiteral("A4"));
    // Choosing a preset keeps it chosen.
    EXPECT_EQ(dialog->presetList()->currentText(), QStringLiteral("A4"));
    EXPECT_EQ(dialog->widthUnitList()->currentText(), QStringLiteral("mm"));
    EXPECT_EQ(dialog->heightUnitList()->currentText(), QStringLiteral("mm"));
    EXPECT_EQ(dialog->widthField()->text(), QStringLiteral("210.00"));
    EXPECT_EQ(dialog->resolutionField()->text(), QStringLiteral("300.000"));
    EXPECT_EQ(dialog->sizeLabel()->text(), QStringLiteral("24.88M"));
    EXPECT_FALSE(dialog->saveButton()->isEnabled());  // only Custom and Clipboard are saved
    EXPECT_TRUE(dialog->portraitButton()->isChecked());
    dialog->accept();
    EXPECT_EQ(dialog->result().width, 2480);
    EXPECT_EQ(dialog->result().height, 3507);
    EXPECT_FLOAT_EQ(dialog->result().resolution, 300.0f);
}

TEST_F(NewImageDialogTest, SizesTheEngineCannotMakeAreRefusedWithTheirReason) {
    struct Case {
        const char* width;
        const char* reason;
    } cases[] = {{"0", "at least 1"}, {"30001", "at most 30000"}, {"", "Enter the width"}};
    for (const Case& c : cases) {
        auto dialog = open();
        retype(dialog->widthField(), QString::fromLatin1(c.width));
        EXPECT_EQ(dialog->sizeLabel()->text(), QStringLiteral("--")) << c.width;
        EXPECT_FALSE(dialog->okButton()->isEnabled()) << c.width;
        EXPECT_TRUE(dialog->cancelButton()->isDefault()) << c.width;
        EXPECT_FALSE(dialog->saveButton()->isEnabled()) << c.width;
        EXPECT_TRUE(dialog->problem().contains(QString::fromLatin1(c.reason)))
            << c.width << ": " << dialog->problem().toStdString();
        dialog->accept();
        EXPECT_EQ(dialog->result().width, 0) << "refused values never leave the dialog";
        dialog->reject();
    }
}

TEST_F(NewImageDialogTest, LengthsThatComeToTooManyPixelsAreRefused) {
    auto dialog = open();
    choose(dialog->widthUnitList(), QStringLiteral("inches"));
    EXPECT_EQ(dialog->heightUnitList()->currentText(), QStringLiteral("inches"));
    retype(dialog->widthField(), QStringLiteral("30000"));  // 2160000 pixels at 72 per inch
    EXPECT_FALSE(dialog->okButton()->isEnabled());
    EXPECT_TRUE(dialog->problem().contains(QStringLiteral("2160000")))
        << dialog->problem().toStdString();
    retype(dialog->resolutionField(), QStringLiteral("0"));
    EXPECT_FALSE(dialog->okButton()->isEnabled());
    EXPECT_TRUE(dialog->problem().contains(QStringLiteral("resolution")));
}

TEST_F(NewImageDialogTest, PixelsToInchesAndBackGivesTheSamePixels) {
    auto dialog = open();
    choose(dialog->presetList(), QStringLiteral("640 x 480"));
    EXPECT_EQ(dialog->sizeLabel()->text(), QStringLiteral("900K"));
    choose(dialog->widthUnitList(), QStringLiteral("inches"));
    EXPECT_EQ(dialog->widthField()->text(), QStringLiteral("8.89"));
    EXPECT_EQ(dialog->heightField()->text(), QStringLiteral("6.67"));
    EXPECT_EQ(dialog->presetList()->currentText(), QStringLiteral("Custom"));
    choose(dialog->heightUnitList(), QStringLiteral("cm"));
    choose(dialog->widthUnitList(), QStringLiteral("pixels"));
    EXPECT_EQ(dialog->widthField()->text(), QStringLiteral("640"));
    EXPECT_EQ(dialog->heightField()->text(), QStringLiteral("480"));
    EXPECT_EQ(dialog->sizeLabel()->text(), QStringLiteral("900K"));
}

TEST_F(NewImageDialogTest, TinyLengthsBecomeAtLeastOnePixel) {
    auto dialog = open();
    choose(dialog->widthUnitList(), QStringLiteral("mm"));
    retype(dialog->widthField(), QStringLiteral("0.01"));
    choose(dialog->widthUnitList(), QStringLiteral("pixels"));
    EXPECT_EQ(dialog->widthField()->text(), QStringLiteral("1"));
}

TEST_F(NewImageDialogTest, PixelFieldsTakeWholeNumbersOnly) {
    auto dialog = open();
    retype(dialog->widthField(), QStringLiteral("64.5"));
    EXPECT_EQ(dialog->widthField()->text(), QStringLiteral("645"));
}

TEST_F(NewImageDialogTest, AUnitChangeThroughAnUnusableResolutionIsRefused) {
    auto dialog = open();
    retype(dialog->resolutionField(), QString());
    choose(dialog->widthUnitList(), QStringLiteral("inches"));
    EXPECT_EQ(dialog->widthUnitList()->currentText(), QStringLiteral("pixels"));
    EXPECT_EQ(dialog->heightUnitList()->currentText(), QStringLiteral("pixels"));
    EXPECT_EQ(dialog->widthField()->text(), QStringLiteral("320"));
    EXPECT_TRUE(dialog->problem().contains(QStringLiteral("before changing")));
    // Between two lengths nothing goes through the resolution.
    retype(dialog->resolutionField(), QStringLiteral("100"));
    choose(dialog->widthUnitList(), QStringLiteral("inches"));
    retype(dialog->resolutionField(), QString());
    choose(dialog->widthUnitList(), QStringLiteral("cm"));
    EXPECT_EQ(dialog->widthUnitList()->currentText(), QStringLiteral("cm"));
    EXPECT_EQ(dialog->widthField()->text(), QStringLiteral("8.13"));  // 3.2 inches
}

TEST_F(NewImageDialogTest, TheResolutionFollowsItsUnit) {
    auto dialog = open();
    choose(dialog->resolutionUnitList(), QStringLiteral("pixels/cm"));
    EXPECT_EQ(dialog->resolutionField()->text(), QStringLiteral("28.346"));
    EXPECT_EQ(dialog->presetList()->currentText(), QStringLiteral("Custom"));
    choose(dialog->resolutionUnitList(), QStringLiteral("pixels/inch"));
    EXPECT_EQ(dialog->resolutionField()->text(), QStringLiteral("72.000"));
}

TEST_F(NewImageDialogTest, EditsTurnThePresetIntoCustom) {
    auto dialog = open();
    choose(dialog->presetList(), QStringLiteral("800 x 600"));
    QTest::keyClick(dialog->heightField(), Qt::Key_Up);
    EXPECT_EQ(dialog->presetList()->currentText(), QStringLiteral("Custom"));
    EXPECT_EQ(dialog->heightField()->text(), QStringLiteral("601"));
    choose(dialog->presetList(), QStringLiteral("800 x 600"));
    dialog->nameField()->setText(QStringLiteral("Poster"));
    choose(dialog->backgroundList(), QStringLiteral("Transparent"));
    EXPECT_EQ(dialog->presetList()->currentText(), QStringLiteral("800 x 600"));
}

TEST_F(NewImageDialogTest, TheOrientationSwapsTheSizes) {
    auto dialog = open();
    choose(dialog->presetList(), QStringLiteral("640 x 480"));
    EXPECT_TRUE(dialog->landscapeButton()->isChecked());
    EXPECT_TRUE(dialog->portraitButton()->isEnabled());
    QTest::mouseClick(dialog->portraitButton(), Qt::LeftButton);
    EXPECT_EQ(dialog->widthField()->text(), QStringLiteral("480"));
    EXPECT_EQ(dialog->heightField()->text(), QStringLiteral("640"));
    EXPECT_TRUE(dialog->portraitButton()->isChecked());
    retype(dialog->widthField(), QStringLiteral("640"));
    EXPECT_FALSE(dialog->portraitButton()->isEnabled());
    EXPECT_FALSE(dialog->landscapeButton()->isEnabled());
}

TEST_F(NewImageDialogTest, OkReturnsThePixelsAndRemembersTheValues) {
    auto dialog = open();
    dialog->nameField()->setText(QStringLiteral("Banner"));
    choose(dialog->widthUnitList(), QStringLiteral("cm"));
    retype(dialog->widthField(), QStringLiteral("10"));
    choose(dialog->backgroundList(), QStringLiteral("Background Color"));
    dialog->accept();
    EXPECT_EQ(dialog->result().name, QStringLiteral("Banner"));
    EXPECT_EQ(dialog->result().width, 283);  // 10 cm at 28.35 pixels per cm
    EXPECT_EQ(dialog->result().height, 240);
    EXPECT_EQ(dialog->result().background, kBackgroundColor);

    auto again = open();
    EXPECT_EQ(again->presetList()->currentText(), QStringLiteral("Custom"));
    EXPECT_EQ(again->widthUnitList()->currentText(), QStringLiteral("cm"));
    EXPECT_EQ(again->widthField()->text(), QStringLiteral("10.00"));
    EXPECT_EQ(again->backgroundList()->currentText(), QStringLiteral("Background Color"));
    EXPECT_EQ(NewImageDialog::remembered().values.text, "Banner");
}

TEST_F(NewImageDialogTest, AnEmptyNameIsRefused) {
    auto dialog = open();
    dialog->nameField()->clear();
    EXPECT_FALSE(dialog->okButton()->isEnabled());
    EXPECT_TRUE(dialog->saveButton()->isEnabled());
    EXPECT_FALSE(dialog->problem().isEmpty());
}

TEST_F(NewImageDialogTest, SavedPresetsJoinTheSettingsAndTheList) {
    auto dialog = open();
    choose(dialog->presetList(), QStringLiteral("640 x 480"));
    retype(dialog->widthField(), QStringLiteral("641"));
    answers.names = {QStringLiteral("Wide")};
    dialog->savePreset();
    EXPECT_EQ(answers.log, QStringList{QStringLiteral("name? 641px x 480px")});
    ASSERT_EQ(settings.presets().size(), 1u);
    const ImagePreset& saved = settings.presets()[0];
    EXPECT_EQ(saved.name, "Wide");
    EXPECT_EQ(saved.id, kBuiltInPresetCount);
    EXPECT_EQ(saved.width, 641.0f);
    EXPECT_EQ(saved.height, 480.0f);
    EXPECT_EQ(dialog->presetList()->currentText(), QStringLiteral("Wide"));
    EXPECT_FALSE(dialog->saveButton()->isEnabled());
    EXPECT_TRUE(dialog->deleteButton()->isEnabled());
    EXPECT_TRUE(dialog->presetsChanged());

    // The next dialog lists it after the built-in presets.
    auto next = open();
    EXPECT_EQ(next->presetList()->count(), kBuiltInPresetCount + 1);
    EXPECT_EQ(next->presetList()->itemText(kBuiltInPresetCount), QStringLiteral("Wide"));
}

TEST_F(NewImageDialogTest, ADuplicateNameSavesNothing) {
    ImagePreset own;
    own.name = "Mine";
    own.id = 9;
    ASSERT_TRUE(settings.addPreset(own));
    auto dialog = open();
    answers.names = {QStringLiteral("Mine")};
    dialog->savePreset();
    ASSERT_EQ(answers.log.size(), 2);
    EXPECT_EQ(answers.log[1], QStringLiteral("error Duplicate Name Exists: Preset \"Mine\" already "
                                             "exists!   \nPlease try a different name.   "));
    EXPECT_EQ(settings.presets().size(), 1u);
    EXPECT_EQ(dialog->presetList()->count(), kBuiltInPresetCount + 1);
    EXPECT_EQ(dialog->presetList()->currentText(), QStringLiteral("Custom"));
    EXPECT_FALSE(dialog->presetsChanged());
}

TEST_F(NewImageDialogTest, CancellingTheNameSavesNothing) {
    auto dialog = open();
    answers.names = {std::nullopt};
    dialog->savePreset();
    EXPECT_TRUE(settings.presets().empty());
    EXPECT_EQ(dialog->presetList()->count(), kBuiltInPresetCount);
}

TEST_F(NewImageDialogTest, DeletingAsksFirst) {
    ImagePreset own;
    own.name = "Mine";
    own.id = 12;
    own.width = 50;
    ASSERT_TRUE(settings.addPreset(own));
    auto dialog = open();
    choose(dialog->presetList(), QStringLiteral("Mine"));
    EXPECT_EQ(dialog->widthField()->text(), QStringLiteral("50"));
    EXPECT_TRUE(dialog->deleteButton()->isEnabled());

    answers.yesNo = {false, true};
    dialog->deletePreset();
    EXPECT_EQ(answers.log.last(), QStringLiteral("ask Delete Preset: Delete preset \"Mine\" ?  "));
    EXPECT_EQ(settings.presets().size(), 1u);
    EXPECT_EQ(dialog->presetList()->currentText(), QStringLiteral("Mine"));

    dialog->deletePreset();
    EXPECT_TRUE(settings.presets().empty());
    EXPECT_EQ(dialog->presetList()->count(), kBuiltInPresetCount);
    EXPECT_EQ(dialog->presetList()->currentText(), QStringLiteral("Custom"));
    EXPECT_EQ(dialog->widthField()->text(), QStringLiteral("320"));
    EXPECT_FALSE(dialog->deleteButton()->isEnabled());
}

TEST_F(NewImageDialogTest, AStoredPresetBeyondTheLimitsIsShownAndRefused) {
    ImagePreset huge;
    huge.name = "Huge";
    huge.id = 8;
    huge.width = 50000;
    ASSERT_TRUE(settings.addPreset(huge));
    auto dialog = open();
    choose(dialog->presetList(), QStringLiteral("Huge"));
    EXPECT_EQ(dialog->widthField()->text(), QStringLiteral("50000"));
    EXPECT_FALSE(dialog->okButton()->isEnabled());
    EXPECT_TRUE(dialog->problem().contains(QStringLiteral("50000")));
}

}  // namespace
}  // namespace varnel
