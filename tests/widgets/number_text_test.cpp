#include "widgets/number_text.h"

#include <gtest/gtest.h>

#include <climits>

namespace varnel {
namespace {

TEST(NumberText, FilterTable) {
    NumberTextFormat plain;
    NumberTextFormat percent;
    percent.suffix = QLatin1Char('%');
    NumberTextFormat signedNumber;
    signedNumber.sign = true;
    NumberTextFormat plusOnly;
    plusOnly.plusSign = true;
    NumberTextFormat money;
    money.prefix = QLatin1Char('$');
    money.sign = true;
    NumberTextFormat real;
    real.decimalPoint = true;

    struct Case {
        const NumberTextFormat* format;
        const char* text;
        bool allowed;
    } cases[] = {
        {&plain, "", true},
        {&plain, "0123456789", true},
        {&plain, "12a", false},
        {&plain, " 12", false},
        {&plain, "-5", false},  // the range does not reach below zero
        {&plain, "+5", false},
        {&plain, "1.5", false},
        {&plain, "%", false},
        {&plain, "\u0663", false},  // a digit of another script is not a decimal digit
        {&percent, "50%", true},
        {&percent, "%", true},
        {&percent, "50%%", false},  // one suffix character only
        {&percent, "5%0", false},
        {&signedNumber, "-5", true},
        {&signedNumber, "+5", true},
        {&signedNumber, "-", true},
        {&signedNumber, "--5", false},
        {&signedNumber, "5-", false},
        {&plusOnly, "+5", true},  // what the field writes itself can be edited
        {&plusOnly, "-5", false},
        {&money, "$-5", true},
        {&money, "-$5", false},
        {&money, "$$5", false},
        {&real, "0.5", true},
        {&real, ".5", true},
        {&real, "5.", true},
        {&real, "1.2.3", false},
        {&real, "1,5", false},
        {&real, "1e5", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isNumberTextAllowed(QString::fromUtf8(c.text), *c.format), c.allowed) << c.text;
}

TEST(NumberText, ReadsTheLeadingIntegerAndSaturatesInsteadOfWrapping) {
    struct Case {
        const char* text;
        std::optional<int> value;
    } cases[] = {
        {"", std::nullopt},
        {"%", std::nullopt},
        {"-", std::nullopt},
        {"42", 42},
        {"50%", 50},
        {"007", 7},
        {"-12", -12},
        {"+12", 12},
        {"12abc", 12},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"4294967297", INT_MAX},  // 2^32 + 1 wraps to 1 in 32 bits
        {"9999999999", INT_MAX},
        {"99999999999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-9999999999", INT_MIN},
    };
    for (const Case& c : cases)
        EXPECT_EQ(readLeadingInteger(QString::fromUtf8(c.text)), c.value) << c.text;
    EXPECT_EQ(readLeadingInteger(u"$15", QLatin1Char('$')), 15);
    EXPECT_EQ(readLeadingInteger(u"$15"), std::nullopt);

    EXPECT_EQ(readLeadingReal(u"0.5"), 0.5);
    EXPECT_EQ(readLeadingReal(u".5"), 0.5);
    EXPECT_EQ(readLeadingReal(u"2."), 2.0);
    EXPECT_EQ(readLeadingReal(u"-1.25px"), -1.25);
    EXPECT_EQ(readLeadingReal(u"."), std::nullopt);
    EXPECT_EQ(readLeadingReal(u""), std::nullopt);
    const QString huge = QStringLiteral("9").repeated(400);
    ASSERT_TRUE(readLeadingReal(huge).has_value());
    EXPECT_TRUE(std::isfinite(*readLeadingReal(huge)));
}

TEST(NumberText, WritesPrefixSignNumberSuffix) {
    NumberTextFormat f;
    EXPECT_EQ(formatInteger(-3, f), QStringLiteral("-3"));
    f.suffix = QLatin1Char('%');
    EXPECT_EQ(formatInteger(50, f), QStringLiteral("50%"));
    f.plusSign = true;
    EXPECT_EQ(formatInteger(50, f), QStringLiteral("+50%"));
    EXPECT_EQ(formatInteger(0, f), QStringLiteral("0%"));
    EXPECT_EQ(formatInteger(-5, f), QStringLiteral("-5%"));
    f.prefix = QLatin1Char('x');
    EXPECT_EQ(formatInteger(7, f), QStringLiteral("x+7%"));

    NumberTextFormat r;
    r.decimals = 1;
    EXPECT_EQ(formatReal(1.0, r), QStringLiteral("1.0"));
    EXPECT_EQ(formatReal(0.26, r), QStringLiteral("0.3"));
    EXPECT_EQ(formatReal(-0.01, r), QStringLiteral("0.0"));
    r.plusSign = true;
    EXPECT_EQ(formatReal(0.01, r), QStringLiteral("0.0"));
    EXPECT_EQ(formatReal(2.5, r), QStringLiteral("+2.5"));
}

TEST(NumberText, MnemonicsAreDroppedFromNames) {
    EXPECT_EQ(withoutMnemonic(QStringLiteral("&Opacity:")), QStringLiteral("Opacity:"));
    EXPECT_EQ(withoutMnemonic(QStringLiteral("R&eplace channel")),
              QStringLiteral("Replace channel"));
    EXPECT_EQ(withoutMnemonic(QStringLiteral("Black && White")), QStringLiteral("Black & White"));
    EXPECT_EQ(withoutMnemonic(QStringLiteral("end&")), QStringLiteral("end"));
    EXPECT_EQ(withoutMnemonic(QStringLiteral("plain")), QStringLiteral("plain"));
}

}  // namespace
}  // namespace varnel
