// Conversions between impedance, reflection coefficient, polar form and pixel,
// and the text <-> number helpers every field relies on.
#include "fpcheck.h"
#include "numtext.h"
#include "smithchart.h"

#include <gtest/gtest.h>

namespace {

TSmithChart Chart340() {
    return TSmithChart(340, 340, 330, nullptr);
}

TEST(SafeArcCos, StoredValuesAndHalfTurn) {
    EXPECT_DOUBLE_EQ(SafeArcCos(0.0), 1.570796327);
    EXPECT_DOUBLE_EQ(SafeArcCos(1e-38), 1.570796327);
    EXPECT_DOUBLE_EQ(SafeArcCos(1.0), 0.0);
    // The half turn added for negative arguments is the stored pi.
    EXPECT_DOUBLE_EQ(SafeArcCos(-1.0), 3.141592654);
    EXPECT_NEAR(SafeArcCos(0.5), 1.0471975512, 1e-9);
    EXPECT_NEAR(SafeArcCos(-0.5), 2.0943951028, 1e-9);
}

TEST(SafeArcCos, OutsideDomainIsInvalidOperation) {
    try {
        SafeArcCos(1.5);
        FAIL() << "no error";
    } catch (const EMathError& e) {
        EXPECT_STREQ(e.what(), "Invalid floating point operation");
    }
    EXPECT_THROW(SafeArcCos(-1.0000001), EMathError);
}

TEST(ImpedanceToPolar, KnownLoads) {
    struct Row {
        double r, x, u, v, theta, swr;
    } rows[] = {
        {100, 0, 1.0 / 3, 0, 0, 2},
        {25, 0, -1.0 / 3, 0, 180, 2},
        {50, 50, 0.2, 0.4, 63.4349, 2.6180},
        {50, -50, 0.2, -0.4, -63.4349, 2.6180},
        {10, -20, -0.5, -0.5, -135.0000, 5.8284},
        {50, 0, 0, 0, 0, 1},
    };
    for (const Row& row : rows) {
        const TPolarOfImpedance p = ImpedanceToPolar(row.r, row.x, 50);
        SCOPED_TRACE(testing::Message() << row.r << " " << row.x);
        EXPECT_NEAR(p.U, row.u, 1e-12);
        EXPECT_NEAR(p.V, row.v, 1e-12);
        EXPECT_NEAR(p.Theta, row.theta, 5e-5);
        EXPECT_NEAR(p.Swr, row.swr, 5e-5);
    }
}

TEST(ImpedanceToPolar, StoredPiLeavesTheAngleOffExactValues) {
    const TPolarOfImpedance p = ImpedanceToPolar(10, -20, 50);
    EXPECT_NE(p.Theta, -135.0);
    EXPECT_NEAR(p.Theta, -135.0, 1e-7);
}

TEST(ImpedanceToPolar, PurelyReactiveLoadLandsJustOutsideTheCircle) {
    const TPolarOfImpedance p = ImpedanceToPolar(0, 0, 50);
    EXPECT_DOUBLE_EQ(p.U, -1.0);
    EXPECT_DOUBLE_EQ(p.Theta, 180.0);
    EXPECT_NEAR(p.Swr, -20000000.99, 0.01);
    const TPolarOfImpedance q = ImpedanceToPolar(0, 30, 50);
    EXPECT_LT(q.Swr, -1e6);
}

TEST(ImpedanceToPolar, OnTheVerticalAxisTheAngleIsTheTrueOne) {
    // |Z| = Z0 puts the point on the imaginary axis of the reflection coefficient.
    const TPolarOfImpedance up = ImpedanceToPolar(30, 40, 50);
    EXPECT_EQ(up.U, 0.0);
    EXPECT_DOUBLE_EQ(up.Theta, 90.0);
    const TPolarOfImpedance down = ImpedanceToPolar(30, -40, 50);
    EXPECT_DOUBLE_EQ(down.Theta, -90.0);
}

TEST(PolarToGamma, SwrThreeAllAround) {
    struct Row {
        double theta, x, y;
    } rows[] = {
        {0, 0.5, 0},
        {45, 0.353553, -0.353553},
        {90, 0, -0.5},
        {-90, 0, 0.5},
        {135, -0.353553, -0.353553},
        {-135, -0.353553, 0.353553},
        {180, -0.5, 0},
        {-180, -0.5, 0},
    };
    for (const Row& row : rows) {
        const TPointD g = PolarToGamma(3, row.theta);
        SCOPED_TRACE(row.theta);
        EXPECT_NEAR(g.X, row.x, 5e-7);
        EXPECT_NEAR(g.Y, row.y, 5e-7);
    }
    for (double theta : {0.0, 33.0, -120.0, 180.0}) {
        const TPointD g = PolarToGamma(1, theta);
        EXPECT_EQ(std::fabs(g.X), 0.0);
        EXPECT_EQ(std::fabs(g.Y), 0.0);
    }
}

TEST(PolarToGamma, AnglesBeyondAHalfTurnWrapAround) {
    const TPointD wrapped = PolarToGamma(4.2, -190);
    const TPointD same = PolarToGamma(4.2, 170);
    EXPECT_DOUBLE_EQ(wrapped.X, same.X);
    EXPECT_DOUBLE_EQ(wrapped.Y, same.Y);
    const TPointD big = PolarToGamma(3, 370);
    const TPointD ten = PolarToGamma(3, 10);
    EXPECT_NEAR(big.X, ten.X, 1e-12);
    EXPECT_NEAR(big.Y, ten.Y, 1e-12);
}

TEST(PolarToGamma, SwrMinusOneDividesByZero) {
    try {
        PolarToGamma(-1, 90);
        FAIL() << "no error";
    } catch (const EMathError& e) {
        EXPECT_STREQ(e.what(), "Floating point division by zero");
    }
}

TEST(GammaToImpedance, KnownPoints) {
    struct Row {
        double theta, m, r, x;
    } rows[] = {
        {0, 1.0 / 3, 100, 0},     {90, 0.5, 30, 40}, {-90, 0.5, 30, -40},
        {135, 0.7071068, 10, 20}, {0, 0, 50, 0},     {26.565051, 2.236068, -100, 50},
    };
    for (const Row& row : rows) {
        const TImpedance z = TSmithChart::GammaToImpedance(row.theta, row.m);
        SCOPED_TRACE(row.theta);
        EXPECT_NEAR(z.R, row.r, 5e-4);
        EXPECT_NEAR(z.X, row.x, 5e-4);
    }
}

TEST(GammaToImpedance, OpenCircuitIsInvalidOperation) {
    try {
        TSmithChart::GammaToImpedance(0, 1);
        FAIL() << "no error";
    } catch (const EMathError& e) {
        EXPECT_STREQ(e.what(), "Invalid floating point operation");
    }
}

TEST(PixelMapping, GammaToPixelRoundsTiesToEven) {
    const TSmithChart chart = Chart340();
    EXPECT_EQ(chart.GammaToPixel(0.5, -0.5), QPoint(505, 175));
    // With radius 2 the pixels fall exactly on .5: 100.5 and 101.5.
    const TSmithChart small(100, 101, 2, nullptr);
    EXPECT_EQ(small.GammaToPixel(0.25, 0.25), QPoint(100, 102));
    EXPECT_EQ(RoundPixel(-2.5), -2);
    EXPECT_EQ(RoundPixel(3.5), 4);
}

TEST(PixelMapping, ShortCircuitPassesThroughThePolarForm) {
    const TSmithChart chart = Chart340();
    const TPointD p = chart.ImpedanceToPixel(0, 0, 50);
    EXPECT_NEAR(p.X, 340 - 330.000033, 1e-6);
    EXPECT_NEAR(p.Y, 340, 1e-9);
}

TEST(PixelMapping, PolarAndImpedanceAgree) {
    const TSmithChart chart = Chart340();
    const TPolarOfImpedance polar = ImpedanceToPolar(50, 50, 50);
    const TPointD a = chart.ImpedanceToPixel(50, 50, 50);
    const TPointD b = chart.PolarToPixel(polar.Theta, polar.Swr);
    EXPECT_DOUBLE_EQ(a.X, b.X);
    EXPECT_DOUBLE_EQ(a.Y, b.Y);
    EXPECT_GT(a.X, 340);
    EXPECT_LT(a.Y, 340); // inductive: above the axis
}

TEST(NumberText, ParsesOnlyPlainDecimalNumbers) {
    EXPECT_DOUBLE_EQ(StrToFloat("7"), 7.0);
    EXPECT_DOUBLE_EQ(StrToFloat("  7.5  "), 7.5);
    EXPECT_DOUBLE_EQ(StrToFloat("-4.2e1"), -42.0);
    EXPECT_DOUBLE_EQ(StrToFloat(".5"), 0.5);
    EXPECT_DOUBLE_EQ(StrToFloat("7."), 7.0);
    for (const char* bad : {"", "  ", "4,2", "abc", "inf", "nan", "0x10", "1e309", "-1e309", "1e",
                            "+", ".", "7 MHz", "1..2"}) {
        try {
            StrToFloat(QString::fromLatin1(bad));
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(QString::fromUtf8(e.what()),
                      QStringLiteral("'%1' is not a valid floating point value").arg(bad));
        }
    }
}

TEST(NumberText, PatternsAndNoNegativeZero) {
    EXPECT_EQ(FormatFloat("#0.000", 150), "150.000");
    EXPECT_EQ(FormatFloat("#0.000", 0.1234), "0.123");
    EXPECT_EQ(FormatFloat("#0.000", -40), "-40.000");
    EXPECT_EQ(FormatFloat("#00.00", 0), "00.00");
    EXPECT_EQ(FormatFloat("#00.00", 5.25), "05.25");
    EXPECT_EQ(FormatFloat("#00.00", -45), "-45.00");
    EXPECT_EQ(FormatFloat("#00.00", 135), "135.00");
    EXPECT_EQ(FormatFloat("#0.0", 120), "120.0");
    EXPECT_EQ(FormatFloat("#0", -170), "-170");
    EXPECT_EQ(FormatFloat("#0.000", -0.0001), "0.000");
    EXPECT_EQ(FormatFloat("#0.0", -0.04), "0.0");
    EXPECT_EQ(FormatFloat("#0.000", -0.0), "0.000");
    EXPECT_THROW(FormatFloat("#0.0", std::nan("")), EMathError);
}

} // namespace
