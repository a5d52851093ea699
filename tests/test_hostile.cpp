// Hostile use of the tuner frame: garbage typed into the frequency and SWR
// fields, and a storm of clicks all over the paint box. Whatever comes in, a
// handler either does its job or shows exactly one error; the read-only result
// fields never show a NaN, an infinity or a negative zero; and every network
// solved for a load inside the disc really matches that load to 50 ohms.

#include "apperror.h"
#include "clirun.h"
#include "fData.h"
#include "framefixture.h"
#include "lcphysics.h"
#include "testsupport.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <cstdlib>
#include <locale.h>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

// ---- Run-length control --------------------------------------------------

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_UNDEFINED__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// Sanitized builds run about ten times slower, so they get a tenth of the
// iterations; PENTARIX_STRESS_SCALE (a factor) overrides either default.
int Scaled(int normal) {
    double factor = kSanitized ? 0.1 : 1.0;
    if (const char* env = std::getenv("PENTARIX_STRESS_SCALE")) {
        const double v = std::atof(env);
        if (v > 0) factor = v;
    }
    return std::max(1, int(normal * factor));
}

// A fixed seed keeps failures reproducible; PENTARIX_STRESS_SEED picks another.
unsigned Seed() {
    if (const char* env = std::getenv("PENTARIX_STRESS_SEED"))
        return unsigned(std::strtoul(env, nullptr, 10));
    return 20240611u;
}

// ---- Reference reading of a number field --------------------------------

// What the fields accept: surrounding blanks or tabs, then an optional sign,
// decimal digits with at most one ".", an optional exponent, and a value that
// is finite in a double. Nothing locale-dependent, no hex, no words.
bool ReferenceNumber(const QString& text, double& value) {
    static const QRegularExpression grammar(QStringLiteral(
        "\\A[ \\t]*([+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?)[ \\t]*\\z"));
    const QRegularExpressionMatch m = grammar.match(text);
    if (!m.hasMatch()) return false;
    const std::string s = m.captured(1).toStdString();
    // strtod follows the C locale, which the toolkit takes from the environment.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    const double v = strtod_l(s.c_str(), nullptr, cLocale);
    if (!std::isfinite(v)) return false;
    value = v;
    return true;
}

// True when every character is printable ASCII or a tab: only for those texts
// does the reference grammar alone decide whether the field is valid.
bool PlainAscii(const QString& text) {
    for (QChar c : text)
        if (!(c == u'\t' || (c.unicode() >= 0x20 && c.unicode() < 0x7F))) return false;
    return true;
}

// A shown number: never NaN, infinity or negative zero, and it reads back as a
// finite value >= 0.
::testing::AssertionResult ShownNumberIsSane(const char* what, const QString& text) {
    const QString lower = text.toLower();
    for (const char* bad : {"nan", "inf", "-0.000", "-0.0"})
        if (lower.contains(QLatin1String(bad)))
            return ::testing::AssertionFailure() << what << " shows '" << text.toStdString() << "'";
    bool ok = false;
    const double v = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(v) || v < 0)
        return ::testing::AssertionFailure()
               << what << " shows '" << text.toStdString() << "', not a finite number >= 0";
    return ::testing::AssertionSuccess();
}

// One attempt produced no more than one message, and a message that reads as a
// sentence: not empty, closed by "." or ")".
::testing::AssertionResult AtMostOneWellFormedError(const QStringList& errors) {
    if (errors.size() > 1)
        return ::testing::AssertionFailure()
               << errors.size() << " messages for one action: " << errors.join(" | ").toStdString();
    if (errors.size() == 1) {
        const QString& e = errors.front();
        if (e.isEmpty() || !(e.endsWith(u'.') || e.endsWith(u')')))
            return ::testing::AssertionFailure()
                   << "badly formed message '" << e.toStdString() << "'";
    }
    return ::testing::AssertionSuccess();
}

std::string Show(const QString& text) {
    // Control characters would garble the failure output.
    std::string out;
    for (QChar c : text) {
        const ushort u = c.unicode();
        if (u >= 0x20 && u < 0x7F)
            out += char(u);
        else
            out += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0')).toStdString();
    }
    if (out.size() > 120)
        out = out.substr(0, 120) + "...(" + std::to_string(text.size()) + " chars)";
    return out;
}

// ---- Window handling ----------------------------------------------------

QStringList TableLines(TfrmData* window) {
    return window->meData->toPlainText().split(u'\n', Qt::SkipEmptyParts);
}

// Header of four lines, then one line per angle: "angle;L;C;0|1" or "angle;;;".
void ExpectSaneTable(TfrmData* window, bool sweepFinished, const std::string& context) {
    const QStringList lines = TableLines(window);
    ASSERT_GE(lines.size(), 5) << context;
    static const QRegularExpression row(
        QStringLiteral("\\A(-?[0-9]+);(([0-9]+\\.[0-9]{3});([0-9]+\\.[0-9]);([01])|;;)\\z"));
    int rows = 0;
    for (int i = 4; i < lines.size(); ++i) {
        const QRegularExpressionMatch m = row.match(lines[i]);
        ASSERT_TRUE(m.hasMatch()) << context << ": line " << i << " '" << lines[i].toStdString()
                                  << "'";
        // Angles run 0..180 and 0..-180, refinements reach 20 below and 10 beyond.
        const int angle = m.captured(1).toInt();
        EXPECT_TRUE(angle >= -190 && angle <= 180) << context << ": angle " << angle;
        if (i == 4) {
            EXPECT_EQ(angle, 0) << context;
        }
        if (m.capturedLength(3) > 0) {
            EXPECT_TRUE(ShownNumberIsSane("L", m.captured(3))) << context;
            EXPECT_TRUE(ShownNumberIsSane("C", m.captured(4))) << context;
        }
        ++rows;
    }
    // 19 angles each way; the upper half refines each of its 18 steps at most
    // once with 21 angles, the lower half only its first change.
    if (sweepFinished) {
        EXPECT_GE(rows, 38) << context;
        EXPECT_LE(rows, 19 + 18 * 21 + 19 + 21) << context;
    }
}

// The offscreen platform warns on every raise() of a data window, and the font
// matcher on every script it has no shaping for; thousands of attempts would
// bury the test's own output under those lines.
QtMessageHandler gPreviousHandler = nullptr;
void DropPlatformNoise(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("does not support raise()"))) return;
    // Random Unicode in a field sends the font matcher through every font.
    if (message.startsWith(QLatin1String("OpenType support missing"))) return;
    if (gPreviousHandler) gPreviousHandler(type, context, message);
}

// ---- The fixture: a shown main window and its tuner frame --------------

class Hostile : public ::testing::Test {
protected:
    static void SetUpTestSuite() { gPreviousHandler = qInstallMessageHandler(DropPlatformNoise); }
    static void TearDownTestSuite() { qInstallMessageHandler(gPreviousHandler); }

    void SetUp() override {
        TakeRecordedErrors();
        CloseAllDataWindows();
        Form = ShowMainWindow();
        F = Form->FTunerFrame;
        ASSERT_NE(F, nullptr);
        ASSERT_TRUE(F->Chart());
        ASSERT_TRUE(TakeRecordedErrors().isEmpty());
        // The design size this suite's pixel arithmetic rests on.
        ASSERT_EQ(F->pbSmith->width(), 823);
        ASSERT_EQ(F->pbSmith->height(), 710);
        ASSERT_EQ(F->Chart()->CenterX(), 411);
        ASSERT_EQ(F->Chart()->CenterY(), 356);
        ASSERT_EQ(F->Chart()->Radius(), 330);
    }

    void TearDown() override {
        CloseAllDataWindows();
        Form.reset();
        FlushDeferredDeletes();
        TakeRecordedErrors();
    }

    // Markers and arcs pile up for the whole session (there is no clear in the
    // user interface); long runs start afresh now and then, so that they test
    // thousands of clicks rather than one chart holding tens of thousands of
    // markers.
    void ForgetMarkers() {
        F->Chart()->ClearMarkers();
        F->Chart()->ClearArcs();
    }

    // Drawing costs grow with the window's area, a solve does not: long runs
    // shrink the window so that they spend their time in the solver and the
    // error handling. The chart keeps its centre and radius, so every pixel
    // coordinate still means the same load.
    void ShrinkWindow() {
        Form->resize(64, 80);
        QCoreApplication::processEvents();
        ASSERT_TRUE(TakeRecordedErrors().isEmpty());
        ASSERT_LT(F->pbSmith->width(), 100);
    }

    void RestoreDesignSize() {
        Form->resize(823, 772 + Form->MainMenu->height());
        QCoreApplication::processEvents();
        ASSERT_TRUE(TakeRecordedErrors().isEmpty());
        ASSERT_EQ(F->pbSmith->width(), 823);
        ASSERT_EQ(F->pbSmith->height(), 710);
    }

    // A click as the handler runs it once the pointer has been read.
    std::optional<TNetwork> Click(int x, int y) {
        std::optional<TNetwork> net;
        Guarded([&] { net = F->SolveAtPixel(x, y); });
        return net;
    }

    // The result fields after any attempt.
    void ExpectSaneFields(bool solvedOnce, const std::string& context) {
        for (QLineEdit* ed : {F->edL, F->edC}) {
            const char* name = ed == F->edL ? "edL" : "edC";
            if (ed->text().isEmpty()) {
                EXPECT_FALSE(solvedOnce) << name << " emptied after a solve; " << context;
            } else {
                EXPECT_TRUE(ShownNumberIsSane(name, ed->text())) << context;
            }
        }
        EXPECT_TRUE(std::isfinite(F->Frequency())) << context;
    }

    // The fields show the network just returned, rounded to their decimals.
    void ExpectFieldsShow(const TNetwork& n, const std::string& context) {
        bool okL = false, okC = false;
        const double l = QLocale::c().toDouble(F->edL->text(), &okL);
        const double c = QLocale::c().toDouble(F->edC->text(), &okC);
        ASSERT_TRUE(okL && okC) << context;
        EXPECT_NEAR(l, n.L, 0.0005 + 1e-12 * n.L) << context;
        EXPECT_NEAR(c, n.C, 0.05 + 1e-12 * n.C) << context;
        EXPECT_EQ(F->chkC->isChecked(), n.IsCL) << context;
        EXPECT_EQ(F->chkL->isChecked(), !n.IsCL) << context;
    }

    // After the abuse: a plain click still solves, draws and fills the fields.
    void ExpectChartStillWorks() {
        F->edFR->setText(QStringLiteral("7"));
        ForgetMarkers();
        const int presents = F->pbSmith->PresentCount();
        const std::optional<TNetwork> n = Click(300, 250);
        ASSERT_TRUE(TakeRecordedErrors().isEmpty());
        ASSERT_TRUE(n.has_value());
        EXPECT_EQ(F->Frequency(), 7.0);
        EXPECT_EQ(F->Chart()->Markers().size(), 2u);
        EXPECT_EQ(F->Chart()->Arcs().size(), 1u);
        EXPECT_GT(F->pbSmith->PresentCount(), presents);
        ExpectFieldsShow(*n, "plain click after the abuse");
        EXPECT_LT(InputReflection(*n, 7.0), 1e-6);
        // The antenna's blue marker reaches the shown picture where clicked.
        const QImage& pic = F->pbSmith->Picture();
        bool blue = false;
        for (int dy = -5; dy <= 5; ++dy)
            for (int dx = -5; dx <= 5; ++dx)
                if (pic.valid(300 + dx, 250 + dy) &&
                    (pic.pixel(300 + dx, 250 + dy) & 0xFFFFFF) == (ColorToRgb(clBlue) & 0xFFFFFF))
                    blue = true;
        EXPECT_TRUE(blue) << "no blue marker drawn at the clicked point";
        const int before = F->pbSmith->PresentCount();
        F->Chart()->Present();
        EXPECT_GT(F->pbSmith->PresentCount(), before);
    }

    std::unique_ptr<TForm1> Form;
    TvSmithChart* F = nullptr;
};

// ---- Hostile texts ------------------------------------------------------

QByteArray RandomBytes(std::mt19937& rng) {
    std::uniform_int_distribution<int> len(0, 24), byte(0, 255);
    QByteArray b;
    for (int i = len(rng); i > 0; --i)
        b.append(char(byte(rng)));
    return b;
}

// NUL has a test of its own below.
QString RandomLatin1(std::mt19937& rng) {
    return QString::fromLatin1(RandomBytes(rng)).remove(QChar(0));
}

QString RandomUtf8(std::mt19937& rng) {
    return QString::fromUtf8(RandomBytes(rng)).remove(QChar(0));
}

// Mostly-numeric noise: digits, signs, points, exponents and blanks in random
// order, which hit the grammar's edges far more often than random bytes.
QString RandomNumberish(std::mt19937& rng) {
    static const char alphabet[] = "0123456789012345678901234567890123456789..--++eE  \t,x";
    std::uniform_int_distribution<int> len(0, 14), pick(0, int(sizeof alphabet) - 2);
    QString s;
    for (int i = len(rng); i > 0; --i)
        s += QLatin1Char(alphabet[pick(rng)]);
    return s;
}

// Believable values anywhere in the double range, written several ways.
QString RandomValue(std::mt19937& rng) {
    std::uniform_real_distribution<double> mant(0.0, 10.0);
    std::uniform_int_distribution<int> exp10(-330, 330), form(0, 3);
    const double v = mant(rng) * std::pow(10.0, exp10(rng) / 10.0 * (form(rng) == 0 ? 10 : 1));
    const bool negative = std::uniform_int_distribution<int>(0, 5)(rng) == 0;
    const double sv = negative ? -v : v;
    switch (form(rng)) {
    case 0:
        return QString::number(sv, 'g', 17);
    case 1:
        return QString::number(sv, 'e', 3);
    case 2:
        return QString::number(sv, 'f', 6);
    default:
        return QStringLiteral(" %1 ").arg(sv, 0, 'g', 6);
    }
}

std::vector<QString> FixedHostileTexts() {
    std::vector<QString> t = {
        QString(),
        QStringLiteral(" "),
        QStringLiteral("   \t "),
        QStringLiteral("7,5"),
        QStringLiteral("1e309"),
        QStringLiteral("-1e309"),
        QStringLiteral("1e-320"),
        QStringLiteral("-1e-320"),
        QStringLiteral("nan"),
        QStringLiteral("NaN"),
        QStringLiteral("-nan"),
        QStringLiteral("inf"),
        QStringLiteral("-inf"),
        QStringLiteral("Infinity"),
        QStringLiteral("0x10"),
        QStringLiteral("0X1p3"),
        QStringLiteral("  7  "),
        QStringLiteral("7."),
        QStringLiteral(".5"),
        QStringLiteral("."),
        QStringLiteral("-"),
        QStringLiteral("+"),
        QStringLiteral("e5"),
        QStringLiteral("7e"),
        QStringLiteral("7e+"),
        QStringLiteral("1e+308"),
        QStringLiteral("1.7976931348623157e308"),
        QStringLiteral("1.7976931348623159e308"),
        QStringLiteral("4.9e-324"),
        QStringLiteral("2.2250738585072014e-308"),
        QStringLiteral("-7"),
        QStringLiteral("0"),
        QStringLiteral("-0"),
        QStringLiteral("+0.0"),
        QStringLiteral("00000007"),
        QStringLiteral("7 MHz"),
        QStringLiteral("7MHz"),
        QStringLiteral("1 000"),
        QStringLiteral("1_000"),
        QStringLiteral("1e300"),
        QStringLiteral("-1e300"),
        QStringLiteral("1e-300"),
        QStringLiteral("1e6"),
        QStringLiteral("1.0001"),
        QStringLiteral("0.5"),
        QStringLiteral("-1"),
        QStringLiteral("-1.0000001"),
        QStringLiteral("-0.9999999"),
        QStringLiteral("-1.5"),
        QStringLiteral("-2"),
        QStringLiteral("%1"),
        QStringLiteral("'"),
        QStringLiteral("\\"),
        QStringLiteral("7\n"),
        QStringLiteral("\n7"),
        QStringLiteral("7\r"),
        QStringLiteral("\v7"),
        QStringLiteral("7\f"),
        QStringLiteral("\u00a07"),
        QStringLiteral("7\u2009"),
        QString::fromUtf8("\xef\xbc\x97"),  // fullwidth 7
        QString::fromUtf8("\xd9\xa3"),      // Arabic-Indic 3
        QString::fromUtf8("\xc2\xbd"),      // one half
        QString::fromUtf8("\xe2\x85\xa6"),  // Roman numeral seven
        QString::fromUtf8("7\xe2\x80\x8b"), // zero-width space
        QString::fromUtf8("\xe2\x88\x92"
                          "7"),                       // minus sign
        QString(QChar(0xD800)) + QStringLiteral("7"), // lone surrogate
        QStringLiteral("7") + QChar(0xDC00),
        QString(400, u'9'),
        QStringLiteral("0.") + QString(400, u'0') + QStringLiteral("1"),
        QStringLiteral("0.") + QString(300, u'0') + QStringLiteral("7"),
        QStringLiteral("7") + QString(40000, u'0'),
        QString(30000, u' ') + QStringLiteral("7"),
        QStringLiteral("1e") + QString(500, u'9'),
        QStringLiteral("1e-") + QString(500, u'9'),
        QStringLiteral("7.") + QString(1000, u'3'),
    };
    return t;
}

// Random texts of every kind, in turn: Latin-1 bytes, UTF-8, number-like noise, values.
void AppendRandomTexts(std::mt19937& rng, int count, std::vector<QString>& texts) {
    for (int i = 0; i < count; ++i) {
        switch (i % 4) {
        case 0:
            texts.push_back(RandomLatin1(rng));
            break;
        case 1:
            texts.push_back(RandomUtf8(rng));
            break;
        case 2:
            texts.push_back(RandomNumberish(rng));
            break;
        default:
            texts.push_back(RandomValue(rng));
            break;
        }
    }
}

// ---- Frequency and SWR texts through the real handlers -----------------

// Frequencies typed by anyone, then a click on an ordinary point of the chart.
TEST_F(Hostile, FrequencyTextsThenClickEitherSolveOrShowOneError) {
    std::mt19937 rng(Seed());
    std::vector<QString> texts = FixedHostileTexts();
    AppendRandomTexts(rng, Scaled(3000), texts);
    // Ordinary points in each half of the disc, on both sides of r = 1 and g = 1.
    const QPoint points[] = {{300, 250}, {520, 420}, {600, 300}, {250, 480}, {411, 200}};

    bool solvedOnce = false;
    int solved = 0, refused = 0;
    auto attempt = [&](size_t i, bool userPath) {
        if (i % 16 == 0) ForgetMarkers();
        const QString& text = texts[i];
        F->edFR->setText(text);
        const QString held = F->edFR->text(); // what the field really holds
        const QPoint p = points[i % std::size(points)];
        const std::string ctx = "edFR '" + Show(held) + "' click at " + std::to_string(p.x()) +
                                "," + std::to_string(p.y());

        std::optional<TNetwork> net;
        if (userPath)
            ClickAt(F, p);
        else
            net = Click(p.x(), p.y());
        const QStringList errors = TakeRecordedErrors();
        ASSERT_TRUE(AtMostOneWellFormedError(errors)) << ctx;

        double f = 0.0;
        const bool valid = ReferenceNumber(held, f);
        if (PlainAscii(held) && (!valid || !(f > 0))) {
            EXPECT_EQ(errors.size(), 1) << ctx << ": no positive frequency, yet no message";
        } else if (valid && f >= 1e-3 && f <= 1e9) {
            EXPECT_TRUE(errors.isEmpty()) << ctx << ": " << errors.join(" | ").toStdString();
            EXPECT_EQ(F->Frequency(), f) << ctx;
        }
        if (errors.isEmpty()) {
            solvedOnce = true;
            ++solved;
            if (!userPath) {
                ASSERT_TRUE(net.has_value()) << ctx;
                ExpectFieldsShow(*net, ctx);
                EXPECT_TRUE(std::isfinite(net->L) && net->L >= 0) << ctx;
                EXPECT_TRUE(std::isfinite(net->C) && net->C >= 0) << ctx;
                if (valid && f >= 1e-3 && f <= 1e9) {
                    EXPECT_LT(InputReflection(*net, f), 1e-6) << ctx;
                }
            }
        } else {
            ++refused;
        }
        ExpectSaneFields(solvedOnce, ctx);
    };
    // Every text through the handler's solve, with the window shrunk; then
    // every tenth through a real mouse click on the full-size chart.
    ShrinkWindow();
    for (size_t i = 0; i < texts.size() && !HasFailure(); ++i)
        attempt(i, false);
    RestoreDesignSize();
    for (size_t i = 0; i < texts.size() && !HasFailure(); i += 10)
        attempt(i, true);
    EXPECT_GT(solved, 0);
    EXPECT_GT(refused, 0);
    ExpectChartStillWorks();
}

// SWR texts through "Add": a valid SWR >= 1 always draws its circle; text that
// is no number is refused with one message; nothing else happens either way.
TEST_F(Hostile, SwrTextsThroughAddDrawOrShowOneError) {
    std::mt19937 rng(Seed() + 1);
    std::vector<QString> texts = FixedHostileTexts();
    AppendRandomTexts(rng, Scaled(4000), texts);
    // A solved click first, so the fields hold something Add must leave alone.
    const std::optional<TNetwork> first = Click(300, 250);
    ASSERT_TRUE(first.has_value());
    ASSERT_TRUE(TakeRecordedErrors().isEmpty());
    const QString shownL = F->edL->text(), shownC = F->edC->text();

    int drawn = 0, refused = 0;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i % 32 == 0) ForgetMarkers();
        F->edPSV->setText(texts[i]);
        const QString held = F->edPSV->text();
        const std::string ctx = "edPSV '" + Show(held) + "'";
        const size_t markers = F->Chart()->Markers().size();

        F->btnAdd->click();
        const QStringList errors = TakeRecordedErrors();
        ASSERT_TRUE(AtMostOneWellFormedError(errors)) << ctx;

        double swr = 1.0;
        const bool valid = held.isEmpty() || ReferenceNumber(held, swr);
        if (PlainAscii(held) && !valid) {
            EXPECT_EQ(errors.size(), 1) << ctx << ": not a number, yet no message";
        }
        if (valid && swr >= 1) {
            EXPECT_TRUE(errors.isEmpty()) << ctx << ": " << errors.join(" | ").toStdString();
        }
        // One circle record per successful Add, none for a refused one.
        EXPECT_EQ(F->Chart()->Markers().size(), markers + (errors.isEmpty() ? 1 : 0)) << ctx;
        if (errors.isEmpty()) {
            ++drawn;
            ASSERT_FALSE(F->Chart()->Markers().empty());
            EXPECT_TRUE(F->Chart()->Markers().back()->IsSwrCircle) << ctx;
        } else {
            ++refused;
        }
        EXPECT_EQ(F->edL->text(), shownL) << ctx;
        EXPECT_EQ(F->edC->text(), shownC) << ctx;
        ExpectSaneFields(true, ctx);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(drawn, 0);
    EXPECT_GT(refused, 0);
    F->edPSV->setText(QStringLiteral("4.2"));
    ExpectChartStillWorks();
}

// SWR texts through "LC-PSV Points": every sweep ends, with a full table or
// with one message, and the table shows only sane numbers.
// SWR texts through "LC-PSV Points": every sweep ends, with a full table or
// with one message, and the table shows only sane numbers.
TEST_F(Hostile, SwrTextsThroughSweepEndWithTableOrOneError) {
    std::mt19937 rng(Seed() + 2);
    std::vector<QString> texts = {
        QString(),
        QStringLiteral("1"),
        QStringLiteral("1.0001"),
        QStringLiteral("4.2"),
        QStringLiteral("100"),
        QStringLiteral("1e6"),
        QStringLiteral("1e300"),
        QStringLiteral("1.7976931348623157e308"),
        QStringLiteral("0.5"),
        QStringLiteral("0"),
        QStringLiteral("-1"),
        QStringLiteral("-7"),
        QStringLiteral("-1e300"),
        QStringLiteral("-1.0000001"),
        QStringLiteral("-0.9999999"),
        QStringLiteral("1e-320"),
        QStringLiteral("nan"),
        QStringLiteral("inf"),
        QStringLiteral("1e309"),
        QStringLiteral("7,5"),
        QStringLiteral("0x10"),
        QString(400, u'9'),
        QStringLiteral("0.") + QString(400, u'0') + QStringLiteral("1"),
        QString::fromUtf8("\xef\xbc\x97"),
        QStringLiteral(" 3 "),
    };
    const int randomCount = Scaled(200);
    for (int i = 0; i < randomCount; ++i)
        texts.push_back(i % 3 == 0 ? RandomNumberish(rng) : RandomValue(rng));

    ShrinkWindow();
    int tables = 0, refused = 0;
    for (const QString& text : texts) {
        ForgetMarkers();
        F->edFR->setText(QStringLiteral("7"));
        F->edPSV->setText(text);
        const QString held = F->edPSV->text();
        const std::string ctx = "edPSV '" + Show(held) + "'";
        CloseAllDataWindows();

        F->Button1->click();
        const QStringList errors = TakeRecordedErrors();
        ASSERT_TRUE(AtMostOneWellFormedError(errors)) << ctx;
        double swr = 1.0;
        const bool valid = held.isEmpty() || ReferenceNumber(held, swr);
        if (PlainAscii(held) && !valid) {
            EXPECT_EQ(errors.size(), 1) << ctx << ": not a number, yet no message";
        }
        if (valid && swr >= 1.0 && swr <= 1e6) {
            EXPECT_TRUE(errors.isEmpty()) << ctx << ": " << errors.join(" | ").toStdString();
        }

        const QList<TfrmData*> windows = AllDataWindows();
        ASSERT_LE(windows.size(), 1) << ctx;
        if (errors.isEmpty()) {
            ++tables;
            ASSERT_EQ(windows.size(), 1) << ctx << ": a finished sweep shows its table";
        } else {
            ++refused;
        }
        if (!windows.empty()) ExpectSaneTable(windows.front(), errors.isEmpty(), ctx);
        ExpectSaneFields(true, ctx);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(tables, 0);
    EXPECT_GT(refused, 0);
    CloseAllDataWindows();
    RestoreDesignSize();
    ExpectChartStillWorks();
}

// A NUL pasted into a field is refused like any other bad character, with a
// whole message: the text must not end at the NUL on its way to the box.
TEST_F(Hostile, NulCharacterInAFieldGivesAWholeMessage) {
    const QString texts[] = {QString(QChar(0)) + QStringLiteral("7"),
                             QStringLiteral("7") + QChar(0), QString(QChar(0))};
    // Paste, as the user would get it there.
    auto paste = [](QLineEdit* field, const QString& text) {
        QGuiApplication::clipboard()->setText(text);
        field->clear();
        field->paste();
        ASSERT_EQ(field->text(), text) << "the platform's clipboard lost the NUL";
    };
    for (const QString& text : texts) {
        const std::string ctx = "text '" + Show(text) + "'";
        paste(F->edPSV, text);
        if (HasFatalFailure()) return;
        F->btnAdd->click();
        const QStringList addErrors = TakeRecordedErrors();
        ASSERT_EQ(addErrors.size(), 1) << "Add, " << ctx;
        EXPECT_TRUE(AtMostOneWellFormedError(addErrors)) << "Add, " << ctx;
        EXPECT_TRUE(addErrors.front().contains(QStringLiteral("not a valid")))
            << "Add, " << ctx << ": '" << Show(addErrors.front()) << "'";

        F->edPSV->setText(QStringLiteral("4.2"));
        paste(F->edFR, text);
        if (HasFatalFailure()) return;
        Click(300, 250);
        const QStringList clickErrors = TakeRecordedErrors();
        ASSERT_EQ(clickErrors.size(), 1) << "click, " << ctx;
        EXPECT_TRUE(AtMostOneWellFormedError(clickErrors)) << "click, " << ctx;
        EXPECT_TRUE(clickErrors.front().contains(QStringLiteral("not a valid")))
            << "click, " << ctx << ": '" << Show(clickErrors.front()) << "'";
        F->edFR->setText(QStringLiteral("7"));
    }
}

// ---- Click storm --------------------------------------------------------

// Clicks anywhere on the paint box: inside and outside the disc, on its rim
// and at its centre; then sweeps at extreme SWRs and a resize. Every network
// returned is finite and not negative, and inside the disc it matches the load
// that was read.
TEST_F(Hostile, ClickStormThenExtremeSweepsAndAResize) {
    std::mt19937 rng(Seed() + 3);
    const int cx = 411, cy = 356, radius = 330;
    const int w = F->pbSmith->width(), h = F->pbSmith->height();
    std::uniform_int_distribution<int> px(0, w - 1), py(0, h - 1);
    F->edFR->setText(QStringLiteral("7"));

    // Centre, the rim's exact pixels (where no reading exists), their
    // neighbours just inside and outside, and the paint box's corners.
    std::vector<QPoint> designSize = {
        {cx, cy},
        {cx + radius, cy},
        {cx - radius, cy},
        {cx, cy - radius},
        {cx, cy + radius},
        {cx + 198, cy + 264},
        {cx - 264, cy - 198},
        {cx + 264, cy - 198},
        {cx + 329, cy},
        {cx - 329, cy},
        {cx, cy - 329},
        {cx, cy + 329},
        {cx + 331, cy},
        {cx - 331, cy},
        {cx + 1, cy},
        {cx - 1, cy},
        {cx, cy + 1},
        {cx, cy - 1},
        {cx + 1, cy + 1},
        {0, 0},
        {w - 1, h - 1},
        {0, h - 1},
        {w - 1, 0},
        {cx + 232, cy + 233},
        {cx + 233, cy - 233},
        {cx - 233, cy + 233},
    };
    const int designCount = Scaled(500);
    for (int i = 0; i < designCount; ++i)
        designSize.push_back({px(rng), py(rng)});

    // The rest with the window shrunk: a ring of pixels along the rim, where
    // the SWR is at its most extreme, and random pixels everywhere.
    std::vector<QPoint> shrunk;
    for (int dx = -radius - 1; dx <= radius + 1; dx += 3)
        for (int dy = -radius - 1; dy <= radius + 1; ++dy) {
            const double d = std::hypot(double(dx), double(dy));
            if (d > radius - 1.5 && d < radius + 1.5) shrunk.push_back({cx + dx, cy + dy});
        }
    const int shrunkCount = Scaled(19500);
    for (int i = 0; i < shrunkCount; ++i)
        shrunk.push_back({px(rng), py(rng)});

    int inside = 0, unread = 0, refused = 0, clicks = 0;
    double worst = 0.0;
    std::string worstAt;
    auto storm = [&](const std::vector<QPoint>& points) {
        for (size_t i = 0; i < points.size(); ++i) {
            if (i % 8 == 0) ForgetMarkers();
            ++clicks;
            const QPoint p = points[i];
            const double d = std::hypot(double(p.x() - cx), double(p.y() - cy));
            const std::string ctx =
                "click at " + std::to_string(p.x()) + "," + std::to_string(p.y());
            const std::optional<TNetwork> n = Click(p.x(), p.y());
            const QStringList errors = TakeRecordedErrors();
            ASSERT_TRUE(AtMostOneWellFormedError(errors)) << ctx;
            if (d < radius) {
                EXPECT_TRUE(errors.isEmpty()) << ctx << ": " << errors.join(" | ").toStdString();
            }
            if (!errors.isEmpty()) {
                ++refused;
            } else if (!n) {
                ++unread;
                // Only a pixel exactly on the unit circle has no reading.
                EXPECT_DOUBLE_EQ(d, radius) << ctx;
            } else {
                EXPECT_TRUE(std::isfinite(n->L) && n->L >= 0) << ctx << " L=" << n->L;
                EXPECT_TRUE(std::isfinite(n->C) && n->C >= 0) << ctx << " C=" << n->C;
                ExpectFieldsShow(*n, ctx);
                EXPECT_EQ(F->Frequency(), 7.0) << ctx;
                if (d < radius) {
                    ++inside;
                    const double residual = InputReflection(*n, F->Frequency());
                    if (residual > worst) {
                        worst = residual;
                        worstAt = ctx;
                    }
                    EXPECT_LT(residual, 1e-6)
                        << ctx << " R=" << n->Load.R << " X=" << n->Load.X << " L=" << n->L
                        << " C=" << n->C << (n->IsCL ? " CL" : " LC");
                }
            }
            ExpectSaneFields(true, ctx);
            if (HasFailure()) return;
        }
    };
    storm(designSize);
    if (HasFailure()) return;
    ShrinkWindow();
    storm(shrunk);
    if (HasFailure()) return;
    RestoreDesignSize();
    EXPECT_GT(inside, (designCount + shrunkCount) / 3);
    EXPECT_GE(unread, 4); // at least the four axis points of the rim
    std::printf("[ clicks   ] %d clicks, %d inside, %d unread, %d refused; worst |reflection| "
                "%.3g at %s\n",
                clicks, inside, unread, refused, worst, worstAt.c_str());

    // A few hundred through the real mouse path.
    const int mouseCount = Scaled(300);
    ForgetMarkers();
    for (int i = 0; i < mouseCount; ++i) {
        const QPoint p(px(rng), py(rng));
        const size_t markers = F->Chart()->Markers().size();
        ClickAt(F, p);
        const QStringList errors = TakeRecordedErrors();
        ASSERT_TRUE(AtMostOneWellFormedError(errors));
        ExpectSaneFields(true, "mouse click");
        if (std::hypot(p.x() - double(cx), p.y() - double(cy)) < radius - 2) {
            // The click reached the handler, which marked the antenna and the
            // transition point; the same pixel solves to what is shown.
            EXPECT_TRUE(errors.isEmpty());
            EXPECT_EQ(F->Chart()->Markers().size(), markers + 2);
            const QString shownAfterMouse = F->edL->text() + u'|' + F->edC->text();
            const std::optional<TNetwork> n = Click(p.x(), p.y());
            ASSERT_TRUE(n.has_value());
            EXPECT_EQ(F->edL->text() + u'|' + F->edC->text(), shownAfterMouse)
                << "mouse click at " << p.x() << "," << p.y();
        }
        if (HasFatalFailure()) return;
        if (i % 32 == 31) ForgetMarkers();
    }
    ExpectChartStillWorks();
    if (HasFailure()) return;

    // Then, in the same session, sweeps at the extremes of SWR, their tables,
    // and a network from each polar point that matches the load read at its
    // pixel; then a resize.
    const double swrs[] = {1.0, 1.0001, 4.2, 100.0, 1e6, 0.5};
    F->edFR->setText(QStringLiteral("7"));
    for (double swr : swrs) {
        ForgetMarkers();
        CloseAllDataWindows();
        const std::string ctx = "sweep at SWR " + std::to_string(swr);
        Guarded([&] { F->WriteLcPsvPoints(swr); });
        const QStringList errors = TakeRecordedErrors();
        EXPECT_TRUE(errors.isEmpty()) << ctx << ": " << errors.join(" | ").toStdString();
        const QList<TfrmData*> windows = AllDataWindows();
        ASSERT_EQ(windows.size(), 1) << ctx;
        ExpectSaneTable(windows.front(), errors.isEmpty(), ctx);
        ExpectSaneFields(true, ctx);
        if (HasFatalFailure()) return;
    }
    CloseAllDataWindows();

    ShrinkWindow();
    for (double swr : swrs) {
        const std::string ctx = "SWR " + std::to_string(swr);
        for (int angle = -180; angle <= 180; angle += 5) {
            ForgetMarkers();
            double l = -1, c = -1;
            bool isCL = false, read = false;
            Guarded([&] { read = F->SolveAtPolar(l, c, swr, angle, isCL); });
            ASSERT_TRUE(TakeRecordedErrors().isEmpty()) << ctx << " angle " << angle;
            if (!read) continue;
            EXPECT_TRUE(std::isfinite(l) && l >= 0) << ctx << " angle " << angle;
            EXPECT_TRUE(std::isfinite(c) && c >= 0) << ctx << " angle " << angle;
            const TPointD p = F->Chart()->PolarToPixel(angle, swr);
            const int x = RoundPixel(p.X), y = RoundPixel(p.Y);
            if (std::hypot(x - 411.0, y - 356.0) >= 330) continue;
            TNetwork n;
            ASSERT_TRUE(F->Chart()->ReadPointer(x, y, false, n.Load));
            n.L = l;
            n.C = c;
            n.IsCL = isCL;
            EXPECT_LT(InputReflection(n, 7.0), 1e-6) << ctx << " angle " << angle;
        }
        if (HasFatalFailure()) return;
    }
    RestoreDesignSize();

    // Shrinking the window crops the paint box under the chart; clicks and
    // painting go on, and growing it back restores the design size.
    Form->resize(500, 400);
    QCoreApplication::processEvents();
    ASSERT_TRUE(TakeRecordedErrors().isEmpty());
    EXPECT_EQ(F->pbSmith->width(), 500);
    for (QPoint p : {QPoint(100, 100), QPoint(411, 356), QPoint(499, 337), QPoint(700, 600)}) {
        const std::optional<TNetwork> n = Click(p.x(), p.y());
        EXPECT_TRUE(TakeRecordedErrors().isEmpty()) << p.x() << "," << p.y();
        EXPECT_TRUE(n.has_value());
        ExpectSaneFields(true, "after shrinking");
    }
    F->Chart()->Present();
    Form->repaint();
    ASSERT_TRUE(TakeRecordedErrors().isEmpty());
    RestoreDesignSize();
    ExpectChartStillWorks();
}

} // namespace

// ---- The command line against hostile output targets and files ----

namespace {

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

} // namespace

// Every mode, its output unwritable (a full disk, a closed stdout): one line
// with the reason and status 1, never 0 with a cut or missing answer.
TEST(HostileCli, OutputThatCannotBeWrittenIsAnErrorInEveryMode) {
    QTemporaryDir dir;
    const QString s1p = WriteFile(dir, "a.s1p", "# MHz Z RI R 50\n7 0.5 0.2\n7.1 0.6 0.1\n");
    QByteArray many;
    for (int i = 0; i < 20000; ++i)
        many += "7.1 25 -30\n";
    const QString loads = WriteFile(dir, "loads.txt", many);
    const QStringList single = {"-f", "7", "-r", "25", "-x", "-30"};
    const QList<QStringList> modes = {
        single,
        single + QStringList{"--json"},
        single + QStringList{"--parts", "--coil-form", "20", "--wire", "1.5"},
        {"--envelope", "--swr", "2"},
        {"--touchstone", s1p},
        {"--touchstone", s1p, "--json"},
        {"--bandwidth", "-f", "7.05", "--touchstone", s1p},
        {"--batch", loads},
        {"--batch", "--json"}, // from stdin
        {"--help"},
        {"--line", "list"},
    };
    const std::pair<TOutputTo, QString> faults[] = {
        {TOutputTo::FullDevice, "No space left on device"},
        {TOutputTo::Closed, "Bad file descriptor"}};
    for (const QStringList& args : modes)
        for (const auto& [to, reason] : faults) {
            SCOPED_TRACE((args.join(' ') + " / " + reason).toStdString());
            const TRun r = MatchTo(
                args, to, args.contains("--json") && args[0] == "--batch" ? loads : QString());
            EXPECT_EQ(r.Status, 1);
            EXPECT_EQ(r.Err, "pentarix-match: cannot write the output: " + reason + "\n");
        }
}

// A directory is no list of loads, on standard input as by name.
TEST(HostileCli, ADirectoryAsBatchInputIsRefused) {
    const TRun r = MatchTo({"--batch"}, TOutputTo::Test, QStringLiteral("/tmp"));
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "pentarix-match: standard input: is a directory\n");
}

// Points no network can be designed for (0 Hz, no resistance, R below 1e-6 or
// above 1e9 ohm, a load of 1e300 ohm, a line whose loss overflows) keep what
// can be computed, status 0; the table and the JSON agree field by field.
TEST(HostileCli, TableAndJsonAgreeOnEveryPointOfAHostileFile) {
    QTemporaryDir dir;
    const QString hostile =
        WriteFile(dir, "h.s1p",
                  "# MHz Z RI R 50\n0 1 0\n7 4e8 0\n7.05 1e-8 0\n7.1 1e300 1e300\n"
                  "7.2 0 1\n7.3 0.5 0.2\n7.4 1 0\n7.5 2e-8 3\n");
    const QString shack = WriteFile(dir, "m.s1p", "# MHz S RI R 50\n146 0 0\n");
    const QList<QStringList> runs = {
        {"--touchstone", hostile},
        {"--touchstone", hostile, "--line", "RG-213/U", "--length", "30"},
        {"--touchstone", shack, "--line", "RG-174", "--length", "10000", "--at", "shack"},
        {"--touchstone", hostile, "--line", "RG-174", "--length", "10000", "--at", "shack"},
    };
    int designed = 0, undesigned = 0;
    for (const QStringList& args : runs) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const TRun table = Match(args), json = Match(args + QStringList{"--json"});
        ASSERT_EQ(table.Status, 0) << table.Err.toStdString();
        ASSERT_EQ(json.Status, 0) << json.Err.toStdString();
        EXPECT_EQ(table.Err + json.Err, "");
        QStringList rows = table.Out.split('\n', Qt::SkipEmptyParts);
        while (!rows.isEmpty() && !rows.front().startsWith("f [MHz]"))
            rows.removeFirst();
        ASSERT_FALSE(rows.isEmpty());
        rows.removeFirst();
        const QJsonArray points = QJsonDocument::fromJson(json.Out.toUtf8()).array();
        ASSERT_EQ(points.size(), rows.size());
        for (qsizetype i = 0; i < rows.size(); ++i) {
            SCOPED_TRACE(rows[i].toStdString());
            const QStringList cells = rows[i].split(';');
            ASSERT_EQ(cells.size(), 7);
            const QJsonObject p = points[i].toObject();
            auto same = [](const QString& cell, double value, double tolerance) {
                return std::fabs(cell.toDouble() - value) <=
                       tolerance * std::max(1.0, std::fabs(value));
            };
            EXPECT_TRUE(same(cells[0], p["frequency_mhz"].toDouble(), 5e-4));
            const QJsonValue load = p["load"];
            EXPECT_EQ(cells[1].isEmpty(), load.isNull());
            if (!load.isNull()) {
                EXPECT_TRUE(same(cells[1], load["r"].toDouble(), 5e-4));
                EXPECT_TRUE(same(cells[2], load["x"].toDouble(), 5e-4));
                EXPECT_EQ(cells[3].isEmpty(), load["swr"].isNull());
                if (!cells[3].isEmpty()) {
                    EXPECT_TRUE(same(cells[3], load["swr"].toDouble(), 5e-4));
                }
            }
            const QJsonArray networks = p["networks"].toArray();
            EXPECT_EQ(cells[4].isEmpty(), networks.isEmpty());
            ++(networks.isEmpty() ? undesigned : designed);
            for (const QJsonValue n : networks) {
                if (!n["chart"].toBool()) continue;
                const QJsonValue l =
                    n["series"]["kind"] == "L" ? n["series"]["value"] : QJsonValue(0.0);
                const QJsonValue c =
                    n["shunt"]["kind"] == "C" ? n["shunt"]["value"] : QJsonValue(0.0);
                EXPECT_TRUE(same(cells[4], l.toDouble(), 5e-4));
                EXPECT_TRUE(same(cells[5], c.toDouble(), 5e-2));
                EXPECT_EQ(cells[6], n["arrangement"] == "shunt-at-load" ? "1" : "0");
            }
        }
        // The line's figures where they can be computed, null where not.
        if (args.contains(shack)) {
            EXPECT_TRUE(json.Out.contains("\"line\": null"));
        }
    }
    EXPECT_GT(designed, 0);
    EXPECT_GT(undesigned, 0);
}
