// The toolbox's buttons as data: which tool numbers each button stands for, its key letter, the
// names of its variants (the flyout's items), and the pictures of those variants drawn at run
// time. Tool numbers are the keys of the options bar's pages.
#pragma once

#include <QPixmap>
#include <QString>
#include <array>
#include <vector>

namespace varnel {

struct ToolButtonRecord {
    char keyLetter = 0;
    int first = 0;     // the tool number of variant 0
    int variants = 1;  // tool numbers first ... first + variants - 1
    const char* flyoutTitle = nullptr;
    std::array<const char*, 4> names{};  // one per variant
    bool separatorAfter = false;

    bool hasFlyout() const { return variants > 1; }
    QString variantName(int variant) const;
};

// The buttons in display order.
const std::vector<ToolButtonRecord>& toolButtonRecords();
// The button that stands for `toolNumber`, or null.
const ToolButtonRecord* toolButtonOf(int toolNumber);

// Side of one variant's picture in a button's bitmap.
constexpr int kToolIconSide = 16;
// The picture of one tool number (16 × 16, transparent background).
QPixmap toolNumberIcon(int toolNumber);
// A button's bitmap: the pictures of its variants side by side.
QPixmap toolButtonBitmap(const ToolButtonRecord& record);

}  // namespace varnel
