#include "quantity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

// The mantissa's digits of a decimal text without sign, point, leading or
// trailing zeros.
std::string SignificantDigits(const std::string& text) {
    std::string digits;
    for (const char c : text.substr(0, text.find('e')))
        if (c >= '0' && c <= '9') digits += c;
    digits.erase(0, digits.find_first_not_of('0'));
    digits.erase(digits.find_last_not_of('0') + 1);
    return digits;
}

} // namespace

// Every member of every series, in every decade a part can have, prints as
// the member itself, in the table's text and in JSON.
TEST(QuantityText, StandardPartsPrintAsTheirMember) {
    for (const TESeries series : {TESeries::E6, TESeries::E12, TESeries::E24, TESeries::E48,
                                  TESeries::E96})
        for (const double member : SeriesMembers(series))
            for (int decade = -6; decade <= 5; ++decade)
                for (const TElementKind kind : {TElementKind::Coil, TElementKind::Capacitor}) {
                    const double value = NearestStandard(member * std::pow(10.0, decade), series);
                    const std::string expected =
                        SignificantDigits(FormatFixed(member, 2)); // "5.60" -> "56"
                    const std::string text = ElementValueText({kind, value});
                    ASSERT_EQ(SignificantDigits(text), expected) << text;
                    // Three significant digits at least, so 6.8 nH is "0.00680", not "0.007".
                    ASSERT_GE(text.size() - text.find_first_not_of("0."), 3u) << text;
                    const std::string json = JsonNumber(value);
                    ASSERT_EQ(SignificantDigits(json), expected) << json;
                    ASSERT_LE(json.size(), 12u) << json; // no 0.5599999999999999
                }
}

TEST(QuantityText, SignificantDigitsAndSwr) {
    const struct {
        double value;
        int decimals;
        const char* text;
    } cases[] = {{0.791, 3, "0.791"}, {636.6, 1, "636.6"}, {0.0068, 3, "0.00680"},
                 {0.0009996, 3, "0.00100"}, {-0.0001234, 3, "-0.000123"}, {0.0, 3, "0.000"},
                 {12345.678, 1, "12345.7"}};
    for (const auto& c : cases)
        EXPECT_EQ(FormatSignificant(c.value, c.decimals), c.text) << c.value;
    EXPECT_EQ(SwrText(SwrCap), "");
    EXPECT_EQ(JsonNumber(ShownSwr(SwrCap)), "null");
    EXPECT_EQ(SwrText(2.5), "2.500");
}

TEST(QuantityText, BandListsHaveOneGrammar) {
    const struct {
        const char* text;
        std::vector<double> bands;
        std::optional<TTextFault> fault;
    } cases[] = {
        {"3.65, 7.1 ,14.175", {3.65, 7.1, 14.175}, {}},
        {"7,1", {}, TTextFault::DecimalComma},
        {"3.65,7.1", {}, TTextFault::DecimalComma},
        {"7.1,-3", {}, TTextFault::NotPositive},
        {" 7 14\t21 ", {7, 14, 21}, {}},
        {"7;14 ; 21", {7, 14, 21}, {}},
        {"7,1 14,2", {}, TTextFault::DecimalComma},
        {"7,1;14", {}, TTextFault::DecimalComma},
        {"7,,14", {}, TTextFault::EmptyItem},
        {"7,", {}, TTextFault::EmptyItem},
        {", 7", {}, TTextFault::EmptyItem},
        {"  ", {}, TTextFault::EmptyList},
        {"7 abc", {}, TTextFault::NotANumber},
        {"7 inf", {}, TTextFault::NotANumber},
        {"7 1e999", {}, TTextFault::OutOfRange},
        {"7 0", {}, TTextFault::NotPositive},
        {"7 -3", {}, TTextFault::NotPositive},
    };
    for (const auto& c : cases) {
        try {
            EXPECT_EQ(ParseBandList(c.text), c.bands) << c.text;
            EXPECT_FALSE(c.fault) << c.text;
        } catch (const ETextError& e) {
            ASSERT_TRUE(c.fault) << c.text;
            EXPECT_EQ(e.Code, *c.fault) << c.text;
        }
    }
}

// The rest of the number syntax is proved by the panel's and the reader's suites.
TEST(QuantityText, TokensTakeAPlusAndTheFieldsAnUnderflow) {
    double v = -1;
    EXPECT_EQ(ParseNumberToken("+7.5", v), std::nullopt);
    EXPECT_EQ(v, 7.5);
    EXPECT_EQ(ParseNumberToken("1e-400", v), TTextFault::OutOfRange);
    // The panel has always read an underflow as zero and allowed blanks around.
    EXPECT_TRUE(TryParseNumber(" 1e-400\t", v));
    EXPECT_EQ(v, 0.0);
}
