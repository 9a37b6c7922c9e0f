// The text of the numeric fields: what may be typed into them, how their number is read back, and
// how a number is written. The text is an optional prefix character, a sign, the number and an
// optional suffix character ("50%").
#pragma once

#include <QChar>
#include <QString>
#include <QStringView>
#include <optional>

namespace varnel {

struct NumberTextFormat {
    QChar prefix;               // none when null
    QChar suffix;               // none when null ("%" for opacities)
    bool sign = false;          // a leading "-" or "+" may be typed (ranges that reach below 0)
    bool plusSign = false;      // positive numbers are written with a "+"
    bool decimalPoint = false;  // one "." may be typed (the float field)
    int decimals = 0;           // digits written after the point
};

// Whether `text` may stand in the field: after dropping one leading prefix character, one
// trailing suffix character and, where a sign is allowed, one leading "-" or "+", only the digits
// 0 to 9 remain (and one "." where a decimal point is allowed). The empty text is allowed.
bool isNumberTextAllowed(QStringView text, const NumberTextFormat& format);

// The leading integer of the text after an optional prefix character: an optional sign and the
// digits that follow it; nothing when there are no digits. Numbers beyond the 32-bit range
// saturate at its ends instead of wrapping, however many digits were typed.
std::optional<int> readLeadingInteger(QStringView text, QChar prefix = QChar());

// The same for a real number: sign, digits and an optional fractional part (".5" reads 0.5).
// Numbers too large for a double read as its largest finite value.
std::optional<double> readLeadingReal(QStringView text, QChar prefix = QChar());

// "prefix, + when plusSign and value > 0, %d (or %.Nf), suffix".
QString formatInteger(int value, const NumberTextFormat& format);
QString formatReal(double value, const NumberTextFormat& format);

// `text` with every mnemonic "&" removed ("&&" stands for one "&"): what a label reads as a name.
QString withoutMnemonic(const QString& text);

}  // namespace varnel
