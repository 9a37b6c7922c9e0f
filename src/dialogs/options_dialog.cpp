#include "dialogs/options_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "dialogs/dialog_support.h"
#include "widgets/color_swatch_button.h"
#include "widgets/number_field.h"

namespace varnel {

namespace {

QColor toQColor(Bgra c) {
    return QColor(c.r, c.g, c.b);
}

Bgra toSettingsColor(const QColor& c) {
    const QColor rgb = c.toRgb();
    return settingsColor(uint8_t(rgb.red()), uint8_t(rgb.green()), uint8_t(rgb.blue()));
}

// The band above the pages: a gradient from the button shadow at the left to white at the
// right in 255 strips, and the page's name in heavy type with a white highlight.
class PageHeader : public QWidget {
public:
    explicit PageHeader(QWidget* parent) : QWidget(parent) {
        setFixedHeight(30);
        setFocusPolicy(Qt::NoFocus);
    }
    void setText(const QString& text) {
        text_ = text;
        setAccessibleName(text);
        update();
    }
    const QString& text() const { return text_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QColor start = palette().color(QPalette::Dark);
        const QColor end = Qt::white;
        const int w = width();
        for (int i = 1; i <= 255; ++i) {
            const int left = (i - 1) * w / 255, right = i * w / 255;
            auto channel = [i](int from, int to) { return from + (i - 1) * (to - from) / 255; };
            p.fillRect(QRect(left, 0, right - left, height()),
                       QColor(channel(start.red(), end.red()), channel(start.green(), end.green()),
                              channel(start.blue(), end.blue())));
        }
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(18);
        font.setWeight(QFont::Black);
        p.setFont(font);
        const QRect area = rect().adjusted(10, 0, 0, 0);
        p.setPen(palette().color(QPalette::Shadow));
        p.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text_);
        p.setPen(Qt::white);
        p.drawText(area.translated(-1, -1), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   text_);
    }

private:
    QString text_;
};

ColorSwatchButton* swatch(QWidget* parent, const char* name, Bgra color) {
    auto* s = new ColorSwatchButton(parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setColor(toQColor(color));
    return s;
}

}  // namespace

int& OptionsDialog::rememberedPage() {
    static int page = kGeneralPage;
    return page;
}

OptionsDialog::OptionsDialog(const AppOptions& options, QWidget* parent)
    : QDialog(parent), options_(options) {
    setWindowTitle(QStringLiteral("Options"));

    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("optionsPages"));
    tree_->setAccessibleName(QStringLiteral("Pages"));
    tree_->setHeaderLabel(QStringLiteral("Pages"));
    tree_->header()->hide();
    tree_->setRootIsDecorated(false);
    tree_->setFixedWidth(110);
    header_ = new PageHeader(this);
    header_->setObjectName(QStringLiteral("optionsHeader"));
    pages_ = new QStackedWidget(this);

    // General.
    QWidget* general = addPage(QStringLiteral("General"));
    auto* mainGroup = new QGroupBox(QStringLiteral("Main Window"), general);
    saveLayout_ = new QCheckBox(QStringLiteral("&Save layout when program exits"), mainGroup);
    saveLayout_->setObjectName(QStringLiteral("optionsSaveLayout"));
    nameAfterText(saveLayout_, saveLayout_->text());
    saveLayout_->setChecked(options.save_layout);
    recentFiles_ = new NumericField(mainGroup);
    recentFiles_->setObjectName(QStringLiteral("optionsRecentFiles"));
    recentFiles_->setRange(1, kMaxRecentFilesLimit);
    recentFiles_->setMaxLength(2);
    recentFiles_->setValue(options.max_recent_files);
    recentFiles_->setAccessibleName(QStringLiteral("Display items in recent files list"));
    recentFiles_->setFixedWidth(
        recentFiles_->fontMetrics().horizontalAdvance(QStringLiteral("000")) + 12);
    // Arrows beside the field for the mouse; the field's Up and Down keys do the same.
    auto* arrows = new QWidget(mainGroup);
    auto* arrowColumn = new QVBoxLayout(arrows);
    arrowColumn->setContentsMargins(0, 0, 0, 0);
    arrowColumn->setSpacing(0);
    for (int step : {1, -1}) {
        auto* arrow = new QToolButton(arrows);
        arrow->setObjectName(step > 0 ? QStringLiteral("optionsRecentUp")
                                      : QStringLiteral("optionsRecentDown"));
        arrow->setArrowType(step > 0 ? Qt::UpArrow : Qt::DownArrow);
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setAccessibleName(step > 0 ? QStringLiteral("More recent files")
                                          : QStringLiteral("Fewer recent files"));
        arrow->setFixedSize(16, 11);
        arrow->setAutoRepeat(true);
        connect(arrow, &QToolButton::clicked, recentFiles_,
                [this, step] { recentFiles_->stepBy(step); });
        arrowColumn->addWidget(arrow);
    }
    auto* recentRow = new QHBoxLayout;
    auto* display = new QLabel(QStringLiteral("&Display"), mainGroup);
    display->setBuddy(recentFiles_);
    recentRow->addWidget(display);
    recentRow->addWidget(recentFiles_);
    recentRow->addWidget(arrows);
    recentRow->addWidget(new QLabel(QStringLiteral("items in recent files list"), mainGroup));
    recentRow->addStretch(1);
    auto* mainColumn = new QVBoxLayout(mainGroup);
    mainColumn->addWidget(saveLayout_);
    mainColumn->addLayout(recentRow);

    auto* windowGroup = new QGroupBox(QStringLiteral("Document Window"), general);
    docBackground_ = swatch(windowGroup, "optionsDocumentBackground", options.doc_window_bg_color);
    imageBorder_ = swatch(windowGroup, "optionsImageBorder", options.image_border_color);
    auto* windowGrid = new QGridLayout(windowGroup);
    windowGrid->addWidget(labelFor(QStringLiteral("&Background color:"), docBackground_), 0, 0);
    windowGrid->addWidget(docBackground_, 0, 1, Qt::AlignLeft);
    windowGrid->addWidget(labelFor(QStringLiteral("&Image border color:"), imageBorder_), 1, 0);
    windowGrid->addWidget(imageBorder_, 1, 1, Qt::AlignLeft);
    windowGrid->setColumnStretch(1, 1);
    auto* generalColumn = static_cast<QVBoxLayout*>(general->layout());
    generalColumn->addWidget(mainGroup);
    generalColumn->addWidget(windowGroup);
    generalColumn->addStretch(1);

    // Edit.
    QWidget* edit = addPage(QStringLiteral("Edit"));
    auto* colorsGroup = new QGroupBox(QStringLiteral("Default Colors"), edit);
    foreground_ = swatch(colorsGroup, "optionsForeground", options.default_fg_color);
    background_ = swatch(colorsGroup, "optionsBackground", options.default_bg_color);
    auto* colorsGrid = new QGridLayout(colorsGroup);
    colorsGrid->addWidget(labelFor(QStringLiteral("&Foreground:"), foreground_), 0, 0);
    colorsGrid->addWidget(foreground_, 0, 1, Qt::AlignLeft);
    colorsGrid->addWidget(labelFor(QStringLiteral("&Background:"), background_), 1, 0);
    colorsGrid->addWidget(background_, 1, 1, Qt::AlignLeft);
    colorsGrid->setColumnStretch(1, 1);
    auto* optionsGroup = new QGroupBox(QStringLiteral("Options"), edit);
    auto* optionsGrid = new QGridLayout(optionsGroup);
    historyStates_ =
        addNumberRow(optionsGrid, QStringLiteral("&History states:"), 1, kMaxHistoryStates,
                     options.nb_history_states, "optionsHistoryStates");
    tolerance_ = addNumberRow(optionsGrid, QStringLiteral("&Pixel similarity tolerance:"), 0,
                              kMaxSimilarityTolerance, options.pixel_similarity_tolerance,
                              "optionsTolerance");
    historyMemory_ =
        addNumberRow(optionsGrid, QStringLiteral("History &memory (MB):"), kMinHistoryMemoryMb,
                     kMaxHistoryMemoryMb, options.history_memory_mb, "optionsHistoryMemory");
    optionsGrid->setColumnStretch(3, 1);
    auto* editColumn = static_cast<QVBoxLayout*>(edit->layout());
    editColumn->addWidget(colorsGroup);
    editColumn->addWidget(optionsGroup);
    editColumn->addStretch(1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &OptionsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &OptionsDialog::reject);

    auto* right = new QVBoxLayout;
    right->addWidget(header_);
    right->addWidget(pages_, 1);
    auto* body = new QHBoxLayout;
    body->addWidget(tree_);
    body->addLayout(right, 1);
    auto* top = new QVBoxLayout(this);
    top->addLayout(body, 1);
    top->addWidget(buttons);

    connect(tree_, &QTreeWidget::currentItemChanged, this, &OptionsDialog::pageChosen);
    showPage(std::clamp(rememberedPage(), 0, pageCount() - 1));
    tree_->setFocus();
}

QWidget* OptionsDialog::addPage(const QString& name) {
    auto* page = new QWidget(pages_);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    pages_->addWidget(page);
    auto* item = new QTreeWidgetItem(tree_, QStringList{name});
    item->setData(0, Qt::UserRole, pages_->count() - 1);
    return page;
}

NumericField* OptionsDialog::addNumberRow(QGridLayout* grid, const QString& label, int minimum,
                                          int maximum, int value, const char* objectName) {
    const int row = grid->rowCount();
    auto* field = new NumericField(grid->parentWidget());
    field->setObjectName(QString::fromLatin1(objectName));
    field->setRange(minimum, maximum);
    field->setMaxLength(int(QString::number(maximum).size()));
    field->setValue(value);
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
    grid->addWidget(labelFor(label, field), row, 0);
    grid->addWidget(field, row, 1);
    grid->addWidget(
        new QLabel(QStringLiteral("(%1 - %2)").arg(minimum).arg(maximum), grid->parentWidget()),
        row, 2);
    return field;
}

int OptionsDialog::pageCount() const {
    return pages_->count();
}

int OptionsDialog::currentPage() const {
    return pages_->currentIndex();
}

void OptionsDialog::showPage(int index) {
    if (index < 0 || index >= tree_->topLevelItemCount()) return;
    tree_->setCurrentItem(tree_->topLevelItem(index));
    pageChosen();
}

void OptionsDialog::pageChosen() {
    QTreeWidgetItem* item = tree_->currentItem();
    if (!item) return;
    const int index = item->data(0, Qt::UserRole).toInt();
    QWidget* before = pages_->currentWidget();
    const bool focusInside = before && before->isAncestorOf(QApplication::focusWidget());
    pages_->setCurrentIndex(index);
    static_cast<PageHeader*>(header_)->setText(item->text(0));
    if (!focusInside) return;
    // The focus follows into the new page, to its first control.
    QWidget* page = pages_->currentWidget();
    for (QWidget* w = page->nextInFocusChain(); w != page; w = w->nextInFocusChain()) {
        if (page->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled()) {
            w->setFocus(Qt::TabFocusReason);
            break;
        }
    }
}

QString OptionsDialog::headerText() const {
    return static_cast<PageHeader*>(header_)->text();
}

void OptionsDialog::accept() {
    rememberedPage() = currentPage();
    options_.save_layout = saveLayout_->isChecked();
    // Numbers are taken within their ranges, whatever was typed.
    options_.max_recent_files = recentFiles_->value();
    options_.nb_history_states = historyStates_->value();
    options_.pixel_similarity_tolerance = tolerance_->value();
    options_.history_memory_mb = historyMemory_->value();
    options_.doc_window_bg_color = toSettingsColor(docBackground_->color());
    options_.image_border_color = toSettingsColor(imageBorder_->color());
    options_.default_fg_color = toSettingsColor(foreground_->color());
    options_.default_bg_color = toSettingsColor(background_->color());
    clampOptions(options_);
    QDialog::accept();
}

void OptionsDialog::reject() {
    rememberedPage() = currentPage();
    QDialog::reject();
}

}  // namespace varnel
