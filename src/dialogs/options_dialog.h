// The Options dialog: the application options of the settings on two pages, "General" (layout,
// recent files, the document window's colours) and "Edit" (default colours, history states,
// pixel similarity tolerance), chosen from a tree beside them under a header naming the page.
// It edits a copy; OK hands the copy back with every number brought into its range, Cancel
// discards it. The page last shown is opened again for the rest of the run.
//
//   OptionsDialog dialog(settings.options(), window);
//   if (dialog.exec() == QDialog::Accepted) apply dialog.options();
//
// A page is a column of groups; a number is added to a group as one row (label, field, range)
// with addNumberRow, so that a later option takes one row and one line in options().
#pragma once

#include <QDialog>
#include <QString>
#include <vector>

#include "app/app_settings.h"

class QCheckBox;
class QGridLayout;
class QLabel;
class QStackedWidget;
class QTreeWidget;

namespace varnel {

class ColorSwatchButton;
class NumericField;

class OptionsDialog : public QDialog {
    Q_OBJECT

public:
    enum Page { kGeneralPage = 0, kEditPage = 1 };

    explicit OptionsDialog(const AppOptions& options, QWidget* parent = nullptr);

    // The edited options, every number within its range; meaningful once accepted.
    const AppOptions& options() const { return options_; }

    // The page shown when the dialog opens next in this run.
    static int& rememberedPage();

    int pageCount() const;
    int currentPage() const;
    void showPage(int index);
    QString headerText() const;

    QTreeWidget* pageTree() const { return tree_; }
    QCheckBox* saveLayoutBox() const { return saveLayout_; }
    NumericField* recentFilesField() const { return recentFiles_; }
    ColorSwatchButton* documentBackgroundSwatch() const { return docBackground_; }
    ColorSwatchButton* imageBorderSwatch() const { return imageBorder_; }
    ColorSwatchButton* foregroundSwatch() const { return foreground_; }
    ColorSwatchButton* backgroundSwatch() const { return background_; }
    NumericField* historyStatesField() const { return historyStates_; }
    NumericField* toleranceField() const { return tolerance_; }
    NumericField* historyMemoryField() const { return historyMemory_; }

public slots:
    void accept() override;
    void reject() override;

private:
    QWidget* addPage(const QString& name);
    // One row of a page's group: "label" field "(min - max)".
    NumericField* addNumberRow(QGridLayout* grid, const QString& label, int minimum, int maximum,
                               int value, const char* objectName);
    void pageChosen();

    AppOptions options_;
    QTreeWidget* tree_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QWidget* header_ = nullptr;
    QCheckBox* saveLayout_ = nullptr;
    NumericField* recentFiles_ = nullptr;
    ColorSwatchButton* docBackground_ = nullptr;
    ColorSwatchButton* imageBorder_ = nullptr;
    ColorSwatchButton* foreground_ = nullptr;
    ColorSwatchButton* background_ = nullptr;
    NumericField* historyStates_ = nullptr;
    NumericField* tolerance_ = nullptr;
    NumericField* historyMemory_ = nullptr;
};

}  // namespace varnel
