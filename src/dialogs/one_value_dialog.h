// The one-value dialog: a label, one field and an optional unit, in three forms — text (the New
// dialog's preset name), whole number (Border, Expand, Contract) and real number (Feather). OK is
// enabled only while the field holds a valid value: non-empty text, or a number in the range.
//
//   SelectionModifyDialog dialog(SelectionModify::Feather, window);
//   if (dialog.exec() == QDialog::Accepted) record "Feather" with dialog.radius();
//   SelectionModifyDialog dialog(SelectionModify::Border, window);
//   if (dialog.exec() == QDialog::Accepted) record "Border" with dialog.amount();
//   OneValueDialog dialog(OneValueDialog::presetNameUse(), window);
//   if (dialog.exec() == QDialog::Accepted) use dialog.text();
//   OneValueDialog rename(OneValueDialog::layerNameUse(), window);
//   rename.setText(layerName);
//   if (rename.exec() == QDialog::Accepted) record "Layer Properties" with rename.text();
#pragma once

#include <QString>

#include "dialogs/parameter_dialog.h"

class QLabel;
class QLineEdit;

namespace varnel {

class FloatField;
class NumericField;

class OneValueDialog : public ParameterDialog {
    Q_OBJECT

public:
    enum class Form { Text, Integer, Float };

    // What one use of the dialog shows and accepts.
    struct Use {
        QString title;
        QString label;
        QString unit;  // none when empty
        Form form = Form::Text;
        double minimum = 0;  // the number forms' range
        double maximum = 0;
        double step = 1;
        int decimals = 1;          // the float form's
        int maxChars = 0;          // 0: 50 for text, 10 for whole numbers, 12 for real ones
        bool refuseBlank = false;  // the text form: OK needs more than white space
    };
    static Use featherUse();
    static Use borderUse();
    static Use expandUse();
    static Use contractUse();
    static Use presetNameUse();
    // Layer Properties: the active layer's name.
    static Use layerNameUse();

    // Pixels between the parts of the row, and the field's widths.
    static constexpr int kGap = 8;
    static constexpr int kButtonGap = 14;
    static constexpr int kFieldWidthWithUnit = 50;
    static constexpr int kFieldWidthAlone = 200;

    explicit OneValueDialog(const Use& use, QWidget* parent = nullptr);

    void setText(const QString& text);
    void setIntValue(int value);
    void setFloatValue(double value);
    QString text() const;
    int intValue() const;       // held to the range
    double floatValue() const;  // rounded to the decimals and held to the range

    const Use& use() const { return use_; }
    QLineEdit* valueField() const { return field_; }
    QLabel* labelText() const { return label_; }
    QLabel* unitText() const { return unit_; }

private:
    void updateOk();

    Use use_;
    QLabel* label_ = nullptr;
    QLineEdit* field_ = nullptr;
    NumericField* integer_ = nullptr;
    FloatField* real_ = nullptr;
    QLabel* unit_ = nullptr;
};

enum class SelectionModify { Feather, Border, Expand, Contract };

// What the selection commands' dialogs remember for the program's run: the feather radius, and
// one amount shared by Border, Expand and Contract, which each of the three sets to 1 the first
// time it opens in the run.
struct SelectionModifyMemory {
    double featherRadius = 1.0;
    int amount = 1;
    bool borderOpened = false;
    bool expandOpened = false;
    bool contractOpened = false;
};

class SelectionModifyDialog : public OneValueDialog {
    Q_OBJECT

public:
    // Shows the remembered value; OK stores the value back.
    explicit SelectionModifyDialog(SelectionModify which, QWidget* parent = nullptr);

    SelectionModify which() const { return which_; }
    // Feather's radius (0.1 … 250); Border's width (1 … 200: the Border action holds it to 100),
    // Expand's and Contract's pixels (1 … 100).
    double radius() const { return floatValue(); }
    int amount() const { return intValue(); }

    static SelectionModifyMemory& remembered();

public slots:
    void accept() override;

private:
    SelectionModify which_;
};

}  // namespace varnel
