#include "widgets/number_text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace varnel {

namespace {

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isSign(QChar c) {
    return c == QLatin1Char('-') || c == QLatin1Char('+');
}

QStringView withoutPrefix(QStringView text, QChar prefix) {
    if (!prefix.isNull() && text.startsWith(prefix)) text = text.mid(1);
    return text;
}

}  // namespace

bool isNumberTextAllowed(QStringView text, const NumberTextFormat& format) {
    text = withoutPrefix(text, format.prefix);
    if (!format.suffix.isNull() && text.endsWith(format.suffix)) text.chop(1);
    // A minus only where the range reaches below zero; a plus also where positive numbers are
    // written with one.
    if (!text.isEmpty()) {
        const QChar first = text.front();
        if ((first == QLatin1Char('-') && format.sign) ||
            (first == QLatin1Char('+') && (format.sign || format.plusSign)))
            text = text.mid(1);
    }
    bool point = false;
    for (QChar c : text) {
        if (isDigit(c)) continue;
        if (c == QLatin1Char('.') && format.decimalPoint && !point) {
            point = true;
            continue;
        }
        return false;
    }
    return true;
}

std::optional<int> readLeadingInteger(QStringView text, QChar prefix) {
    text = withoutPrefix(text, prefix);
    bool negative = false;
    if (!text.isEmpty() && isSign(text.front())) {
        negative = text.front() == QLatin1Char('-');
        text = text.mid(1);
    }
    // Past this every further digit only confirms saturation.
    constexpr int64_t kCap = int64_t(std::numeric_limits<int>::max()) + 1;
    int64_t magnitude = 0;
    qsizetype digits = 0;
    for (QChar c : text) {
        if (!isDigit(c)) break;
        magnitude = std::min(kCap, magnitude * 10 + (c.unicode() - u'0'));
        ++digits;
    }
    if (digits == 0) return std::nullopt;
    const int64_t value = negative ? -magnitude : magnitude;
    return int(std::clamp<int64_t>(value, std::numeric_limits<int>::min(),
                                   std::numeric_limits<int>::max()));
}

std::optional<double> readLeadingReal(QStringView text, QChar prefix) {
    text = withoutPrefix(text, prefix);
    qsizetype i = 0;
    if (i < text.size() && isSign(text[i])) ++i;
    const qsizetype start = i;
    qsizetype digits = 0;
    while (i < text.size() && isDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        ++i;
        while (i < text.size() && isDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return std::nullopt;
    // Only digits, a sign and a point reach the conversion, so it cannot fail; an overflow gives
    // infinity, which is held to the largest finite value.
    const double value = text.left(i).toString().toDouble();
    if (!std::isfinite(value)) {
        const double largest = std::numeric_limits<double>::max();
        return text.left(start).startsWith(QLatin1Char('-')) ? -largest : largest;
    }
    return value;
}

namespace {

QString withAffixes(const QString& number, bool positive, const NumberTextFormat& format) {
    QString text;
    if (!format.prefix.isNull()) text += format.prefix;
    if (format.plusSign && positive) text += QLatin1Char('+');
    text += number;
    if (!format.suffix.isNull()) text += format.suffix;
    return text;
}

}  // namespace

QString formatInteger(int value, const NumberTextFormat& format) {
    return withAffixes(QString::number(value), value > 0, format);
}

QString formatReal(double value, const NumberTextFormat& format) {
    QString number = QString::number(value, 'f', std::clamp(format.decimals, 0, 15));
    const double shown = readLeadingReal(number).value_or(0);
    // "-0.0" would read as a negative number: a value that rounds to zero is written bare.
    if (shown == 0 && number.startsWith(QLatin1Char('-'))) number.remove(0, 1);
    return withAffixes(number, shown > 0, format);
}

QString withoutMnemonic(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text[i];
        if (c == QLatin1Char('&')) {
            if (i + 1 == text.size()) break;  // a lone "&" at the end marks nothing
            c = text[++i];                    // "&&" is one "&", "&x" is "x"
        }
        out += c;
    }
    return out;
}

}  // namespace varnel
