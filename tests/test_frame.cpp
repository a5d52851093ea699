// The tuner frame inside the main window: layout, clicks on the chart, the
// SWR circle button, the pointer crosshair and the impedance apply.
#include "framefixture.h"
#include "lcphysics.h"
#include "numtext.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <complex>
#include <optional>
#include <vector>

namespace {

using cd = std::complex<double>;
constexpr int kCx = 411, kCy = 356, kRadius = 330;

// The load a pixel stands for on an ordinary Smith chart of 50 ohms: right is
// the open circuit, up the inductive half.
cd PixelImpedance(int x, int y) {
    const cd gamma(double(x - kCx) / kRadius, double(kCy - y) / kRadius);
    return 50.0 * (1.0 + gamma) / (1.0 - gamma);
}

QPointF ImpedancePixel(cd z) {
    const cd gamma = (z - 50.0) / (z + 50.0);
    return {kCx + kRadius * gamma.real(), kCy - kRadius * gamma.imag()};
}

double Parsed(const QString& text) {
    bool ok = false;
    const double v = text.toDouble(&ok);
    EXPECT_TRUE(ok) << text.toStdString();
    return v;
}

const QRegularExpression kLText(QStringLiteral("^[0-9]+\\.[0-9]{3}$"));
const QRegularExpression kCText(QStringLiteral("^[0-9]+\\.[0-9]$"));

struct Fields {
    QString L, C;
    bool LC, CL;
    double Frequency;
    bool operator==(const Fields& o) const {
        return L == o.L && C == o.C && LC == o.LC && CL == o.CL && Frequency == o.Frequency;
    }
};

Fields FieldsOf(const TvSmithChart* f) {
    return {f->edL->text(), f->edC->text(), f->chkL->isChecked(), f->chkC->isChecked(),
            f->Frequency()};
}

int CountColorInRow(const QImage& image, int y, QRgb rgb) {
    int n = 0;
    for (int x = 0; x < image.width(); ++x)
        n += (image.pixel(x, y) & 0xFFFFFF) == (rgb & 0xFFFFFF);
    return n;
}

int CountColorInRow(const TLayer& layer, int y, TColor color) {
    int n = 0;
    for (int x = 0; x < layer.Width(); ++x)
        n += layer.Pixel(x, y) == color;
    return n;
}

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        TakeRecordedErrors();
        form = ShowMainWindow();
        frame = form->FTunerFrame;
        ASSERT_NE(frame, nullptr);
        ASSERT_NE(frame->Chart(), nullptr);
    }
    void TearDown() override { EXPECT_TRUE(TakeRecordedErrors().isEmpty()); }

    TSmithChart& Chart() { return *frame->Chart(); }
    size_t MarkerCount() { return Chart().Markers().size(); }
    size_t ArcCount() { return Chart().Arcs().size(); }

    std::unique_ptr<TForm1> form;
    TvSmithChart* frame = nullptr;
};

} // namespace

// ---------------------------------------------------------------- layout

TEST_F(FrameTest, MainWindowHoldsFrameOverWholeClientAndChartAtDesignPlace) {
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Pentarix"));
    // The window grows by its menu bar; the frame keeps the design size under it.
    const int menu = form->MainMenu->height();
    EXPECT_EQ(form->size(), QSize(823, 772 + menu));
    EXPECT_EQ(frame->parentWidget(), form.get());
    EXPECT_EQ(frame->geometry(), QRect(0, menu, 823, 772));
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->pbSmith->geometry(), QRect(0, 0, 823, 710));
    EXPECT_EQ(frame->pnBottom->geometry(), QRect(0, 710, 823, 62));
    EXPECT_EQ(Chart().CenterX(), 411);
    EXPECT_EQ(Chart().CenterY(), 356);
    EXPECT_EQ(Chart().Radius(), 330);
    EXPECT_EQ(Chart().Composite().Width(), 823);
    EXPECT_EQ(Chart().Composite().Height(), 710);
    // What the paint box shows is the chart's picture at the paint box's size.
    EXPECT_EQ(frame->pbSmith->Picture().size(), QSize(823, 710));
}

TEST_F(FrameTest, ResizingMovesLayersWithPaintBoxButNeverTheChartCentre) {
    for (const QSize size : {QSize(1000, 900), QSize(500, 400), QSize(823, 772)}) {
        form->resize(size + QSize(0, form->MainMenu->height()));
        QApplication::processEvents();
        SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
        EXPECT_EQ(frame->size(), size);
        EXPECT_EQ(frame->pbSmith->geometry(), QRect(0, 0, size.width(), size.height() - 62));
        EXPECT_EQ(frame->pnBottom->geometry(), QRect(0, size.height() - 62, size.width(), 62));
        EXPECT_EQ(Chart().CenterX(), 411);
        EXPECT_EQ(Chart().CenterY(), 356);
        EXPECT_EQ(Chart().Radius(), 330);
        for (const TLayer* layer :
             {&Chart().GridLayer(), &Chart().CursorLayer(), &Chart().MarkerLayer(),
              &Chart().CircleLayer(), &Chart().Composite()}) {
            EXPECT_EQ(layer->Width(), size.width());
            EXPECT_EQ(layer->Height(), size.height() - 62);
        }
    }
}

TEST_F(FrameTest, PanelControlsSitWhereDesignedWithTheirTexts) {
    struct Edit {
        QLineEdit* edit;
        QRect geometry;
        const char* text;
        bool readOnly;
    };
    for (const Edit& e : {Edit{frame->edFR, {63, 13, 43, 19}, "7", false},
                          Edit{frame->edPSV, {63, 37, 44, 19}, "4.2", false},
                          Edit{frame->edL, {194, 12, 80, 19}, "", true},
                          Edit{frame->edC, {195, 35, 80, 19}, "", true}}) {
        SCOPED_TRACE(e.edit->objectName().toStdString() + e.text);
        EXPECT_EQ(e.edit->parentWidget(), frame->pnBottom);
        EXPECT_EQ(e.edit->geometry(), e.geometry);
        EXPECT_EQ(e.edit->text(), QString::fromUtf8(e.text));
        EXPECT_EQ(e.edit->isReadOnly(), e.readOnly);
    }

    struct Button {
        QAbstractButton* button;
        QRect geometry;
        const char* text;
    };
    for (const Button& b : {Button{frame->btnAdd, {113, 37, 30, 21}, "Add"},
                            Button{frame->chkL, {338, 16, 45, 17}, "LC"},
                            Button{frame->chkC, {338, 36, 45, 17}, "CL"},
                            Button{frame->Button1, {408, 37, 97, 21}, "LC-PSV Points"}}) {
        SCOPED_TRACE(b.text);
        EXPECT_EQ(b.button->parentWidget(), frame->pnBottom);
        EXPECT_EQ(b.button->geometry(), b.geometry);
        EXPECT_EQ(b.button->text(), QString::fromUtf8(b.text));
    }
    EXPECT_FALSE(frame->chkL->isEnabled());
    EXPECT_FALSE(frame->chkC->isEnabled());
    EXPECT_FALSE(frame->chkL->isChecked());
    EXPECT_FALSE(frame->chkC->isChecked());
    EXPECT_TRUE(frame->btnAdd->isEnabled());
    EXPECT_TRUE(frame->Button1->isEnabled());

    struct Label {
        QLabel* label;
        int left, top;
        const char* text;
    };
    for (const Label& l :
         {Label{frame->Label1, 6, 15, "Frekvence"}, Label{frame->Label2, 113, 15, "MHz"},
          Label{frame->Label3, 32, 40, "PSV"}, Label{frame->Label6, 282, 15, "uH"},
          Label{frame->Label7, 283, 37, "pF"}, Label{frame->Label8, 312, 24, "TRX"},
          Label{frame->Label9, 379, 24, "ANT"},
          Label{frame->Label10, 522, 4, "Klikni na plochu grafu"},
          Label{frame->Label11, 522, 19, "Modrý bod - impedance antény"},
          Label{frame->Label12, 521, 35, "Červený bod - impedance  přechodu LC nebo CL"}}) {
        SCOPED_TRACE(l.text);
        EXPECT_EQ(l.label->parentWidget(), frame->pnBottom);
        EXPECT_EQ(l.label->text(), QString::fromUtf8(l.text));
        EXPECT_EQ(l.label->pos(), QPoint(l.left, l.top));
        EXPECT_EQ(l.label->width(), l.label->sizeHint().width());
    }
    // Right-justified labels grow to the left: their right edge stays put.
    for (const auto& [label, text] :
         {std::pair{frame->Label4, "L serie"}, std::pair{frame->Label5, "C par."}}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(label->parentWidget(), frame->pnBottom);
        EXPECT_EQ(label->text(), QString::fromUtf8(text));
        EXPECT_EQ(label->x() + label->width(), 187);
        EXPECT_EQ(label->width(), label->sizeHint().width());
        EXPECT_TRUE(label->alignment() & Qt::AlignRight);
    }
}

TEST_F(FrameTest, TabVisitsInputsResultsAndCommandsInDesignOrder) {
    const QList<QWidget*> expected = {frame->edFR,   frame->edPSV, frame->edL,  frame->edC,
                                      frame->btnAdd, frame->chkL,  frame->chkC, frame->Button1};
    QList<QWidget*> seen;
    QWidget* w = frame->edFR;
    for (int guard = 0; guard < 1000; ++guard) {
        if (expected.contains(w) && !seen.contains(w)) seen.append(w);
        w = w->nextInFocusChain();
        if (w == frame->edFR) break;
    }
    EXPECT_EQ(seen, expected);
}

// ---------------------------------------------------------------- clicks

TEST_F(FrameTest, ClickAtCentreIsMatchedLoadWithoutArc) {
    ClickAt(frame, {kCx, kCy});
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
    ASSERT_EQ(MarkerCount(), 2u);
    const TMarkerRec& blue = *Chart().Markers()[0];
    const TMarkerRec& red = *Chart().Markers()[1];
    EXPECT_EQ(blue.Color, clBlue);
    EXPECT_EQ(QPoint(blue.PosX, blue.PosY), QPoint(kCx, kCy));
    EXPECT_FALSE(blue.IsSwrCircle);
    EXPECT_EQ(red.Color, 0);
    EXPECT_EQ(QPoint(red.PosX, red.PosY), QPoint(kCx, kCy));
    EXPECT_FALSE(red.IsSwrCircle);
    EXPECT_EQ(ArcCount(), 0u);
    EXPECT_EQ(frame->edL->text(), QStringLiteral("0.000"));
    EXPECT_EQ(frame->edC->text(), QStringLiteral("0.0"));
    EXPECT_TRUE(frame->chkC->isChecked());
    EXPECT_FALSE(frame->chkL->isChecked());
    EXPECT_DOUBLE_EQ(frame->Frequency(), 7.0);
}

TEST_F(FrameTest, ClickDrawsLoadArcAndTransitionAndShowsNetwork) {
    // One inductive load above 50 ohms (CL) and one capacitive below (LC).
    for (const QPoint p : {QPoint(600, 250), QPoint(300, 500)}) {
        SCOPED_TRACE(testing::Message() << p.x() << "," << p.y());
        const size_t markers = MarkerCount(), arcs = ArcCount();
        ClickAt(frame, p);
        EXPECT_TRUE(TakeRecordedErrors().isEmpty());
        ASSERT_EQ(MarkerCount(), markers + 2);
        ASSERT_EQ(ArcCount(), arcs + 1);
        const TMarkerRec& blue = *Chart().Markers()[markers];
        const TMarkerRec& red = *Chart().Markers()[markers + 1];
        EXPECT_EQ(blue.Color, clBlue);
        EXPECT_EQ(QPoint(blue.PosX, blue.PosY), p);
        EXPECT_EQ(red.Color, 0);

        // Rebuild the network from the texts and follow it on an ordinary chart.
        TNetwork shown;
        const cd z = PixelImpedance(p.x(), p.y());
        shown.Load.R = z.real();
        shown.Load.X = z.imag();
        shown.L = Parsed(frame->edL->text());
        shown.C = Parsed(frame->edC->text());
        shown.IsCL = frame->chkC->isChecked();
        EXPECT_NE(frame->chkC->isChecked(), frame->chkL->isChecked());
        EXPECT_EQ(shown.IsCL, p == QPoint(600, 250));
        // Rounding of the texts leaves a small mismatch only.
        EXPECT_LT(InputReflection(shown, 7.0), 0.01);
        const QPointF transition = ImpedancePixel(LcCircuit(shown, 7.0).Transition);
        EXPECT_NEAR(red.PosX, transition.x(), 2.0);
        EXPECT_NEAR(red.PosY, transition.y(), 2.0);

        const TArcRec& arc = *Chart().Arcs()[arcs];
        EXPECT_EQ(QPoint(arc.EndX, arc.EndY), p);
        EXPECT_EQ(QPoint(arc.StartX, arc.StartY), QPoint(red.PosX, red.PosY));
    }
}

TEST_F(FrameTest, InductanceIsTransitionReactanceOverOmega) {
    // A CL point's L is |Xm| / W and an LC point's |Xm - X| / W, with Xm read
    // at the transition point the solver finds for the load.
    for (const QString& fr : {QStringLiteral("7"), QStringLiteral("14.2")}) {
        frame->edFR->setText(fr);
        const double w = 6.283185307179586477 * fr.toDouble();
        for (const QPoint p :
             {QPoint(600, 250), QPoint(300, 500), QPoint(700, 420), QPoint(200, 300)}) {
            SCOPED_TRACE(testing::Message() << fr.toStdString() << " " << p.x() << "," << p.y());
            const std::optional<TNetwork> net = frame->SolveAtPixel(p.x(), p.y());
            ASSERT_TRUE(net);
            TSmithChart probe(kCx, kCy, kRadius, nullptr);
            probe.SetSize(823, 710);
            TMatch match;
            probe.SolveMatch(net->Load.Theta, net->Load.Swr, match);
            EXPECT_EQ(match.IsCL, net->IsCL);
            const TImpedance zm =
                TSmithChart::GammaToImpedance(match.MatchAngle, match.MatchMagnitude);
            // The network's first part takes the load to that very point, up to
            // the chart's ten-digit pi.
            const cd t = LcCircuit(*net, fr.toDouble()).Transition;
            EXPECT_NEAR(t.real(), zm.R, 1e-8 * std::abs(t));
            EXPECT_NEAR(t.imag(), zm.X, 1e-8 * std::abs(t));
            const double l = net->IsCL ? std::fabs(zm.X) / w : std::fabs(zm.X - net->Load.X) / w;
            EXPECT_NEAR(Parsed(frame->edL->text()), l, 0.0005 + 1e-9);
            EXPECT_NEAR(net->L, l, 1e-9 * std::max(1.0, l));
        }
    }
}

TEST_F(FrameTest, PixelOnUnitCircleChangesNothing) {
    ClickAt(frame, {600, 250});
    ASSERT_TRUE(TakeRecordedErrors().isEmpty());
    const Fields before = FieldsOf(frame);
    const size_t markers = MarkerCount(), arcs = ArcCount();
    for (const QPoint p : {QPoint(kCx + kRadius, kCy), QPoint(kCx, kCy - kRadius),
                           QPoint(kCx - kRadius, kCy), QPoint(kCx, kCy + kRadius)}) {
        SCOPED_TRACE(testing::Message() << p.x() << "," << p.y());
        ClickAt(frame, p);
        EXPECT_TRUE(TakeRecordedErrors().isEmpty());
        EXPECT_EQ(MarkerCount(), markers);
        EXPECT_EQ(ArcCount(), arcs);
        EXPECT_TRUE(FieldsOf(frame) == before);
        EXPECT_FALSE(frame->SolveAtPixel(p.x(), p.y()).has_value());
    }
    // SWR 2000 at 0 and 90 degrees lands on the rim pixels above.
    for (const double angle : {0.0, 90.0}) {
        double l = -1.0, c = -2.0;
        bool isCL = true;
        EXPECT_FALSE(frame->SolveAtPolar(l, c, 2000.0, angle, isCL));
        EXPECT_EQ(l, -1.0);
        EXPECT_EQ(c, -2.0);
        EXPECT_TRUE(isCL);
        isCL = false;
        EXPECT_FALSE(frame->SolveAtPolar(l, c, 2000.0, angle, isCL));
        EXPECT_FALSE(isCL);
        EXPECT_EQ(MarkerCount(), markers);
        EXPECT_EQ(ArcCount(), arcs);
        EXPECT_TRUE(FieldsOf(frame) == before);
    }
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
}

TEST_F(FrameTest, BadFrequencyEndsClickAfterDrawingAndKeepsFields) {
    ClickAt(frame, {600, 250});
    ASSERT_TRUE(TakeRecordedErrors().isEmpty());
    const Fields before = FieldsOf(frame);
    ASSERT_EQ(before.Frequency, 7.0);
    struct Case {
        const char* text;
        const char* error;
    };
    for (const Case& c :
         {Case{"0", "'0' is not a valid frequency."}, Case{"-7", "'-7' is not a valid frequency."},
          Case{"7,5", "'7,5' is not a valid floating point value."},
          Case{"abc", "'abc' is not a valid floating point value."},
          Case{"", "'' is not a valid floating point value."}}) {
        SCOPED_TRACE(c.text);
        frame->edFR->setText(QString::fromUtf8(c.text));
        // An LC point: had it been solved, both indicators and texts would change.
        const QPoint p(300, 500);
        const size_t markers = MarkerCount(), arcs = ArcCount();
        ClickAt(frame, p);
        EXPECT_EQ(TakeRecordedErrors(), QStringList{QString::fromUtf8(c.error)});
        EXPECT_TRUE(FieldsOf(frame) == before);
        EXPECT_TRUE(frame->chkC->isChecked());
        // Load, arc and transition come before the frequency is read; the
        // earlier click's markers stay.
        ASSERT_EQ(MarkerCount(), markers + 2);
        EXPECT_EQ(ArcCount(), arcs + 1);
        EXPECT_EQ(Chart().Markers()[markers]->Color, clBlue);
        EXPECT_EQ(QPoint(Chart().Markers()[markers]->PosX, Chart().Markers()[markers]->PosY), p);
        EXPECT_EQ(Chart().Markers()[markers + 1]->Color, 0);
        EXPECT_EQ(Chart().Markers()[0]->Color, clBlue);
        EXPECT_EQ(QPoint(Chart().Markers()[0]->PosX, Chart().Markers()[0]->PosY), QPoint(600, 250));
    }
    // A good frequency afterwards solves again.
    frame->edFR->setText(QStringLiteral("7"));
    ClickAt(frame, {300, 500});
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
    EXPECT_TRUE(frame->chkL->isChecked());
    EXPECT_FALSE(frame->chkC->isChecked());
}

TEST_F(FrameTest, PolarPointOnPixelSolvesLikeClickThere) {
    // SWR 3 is |gamma| 0.5, 165 pixels: the four axis angles land exactly on pixels.
    for (const double angle : {0.0, 90.0, 180.0, -90.0}) {
        const TPointD p = Chart().PolarToPixel(angle, 3.0);
        ASSERT_EQ(p.X, std::round(p.X));
        ASSERT_EQ(p.Y, std::round(p.Y));
        SCOPED_TRACE(testing::Message() << angle << " -> " << p.X << "," << p.Y);
        double l = -1, c = -1;
        bool isCL = false;
        ASSERT_TRUE(frame->SolveAtPolar(l, c, 3.0, angle, isCL));
        ClickAt(frame, QPoint(int(p.X), int(p.Y)));
        EXPECT_TRUE(TakeRecordedErrors().isEmpty());
        EXPECT_EQ(frame->edL->text(), FormatFloat(QStringLiteral("#0.000"), l));
        EXPECT_EQ(frame->edC->text(), FormatFloat(QStringLiteral("#0.0"), c));
        EXPECT_EQ(frame->chkC->isChecked(), isCL);
        EXPECT_EQ(frame->chkL->isChecked(), !isCL);
        const std::optional<TNetwork> net = frame->SolveAtPixel(int(p.X), int(p.Y));
        ASSERT_TRUE(net);
        EXPECT_EQ(net->L, l);
        EXPECT_EQ(net->C, c);
        EXPECT_EQ(net->IsCL, isCL);
    }
}

// The key property: every pixel of the disc gets a network that matches its
// load to 50 ohms, and the fields show that network.
TEST(FramePhysics, EveryPixelOfDiscIsMatchedToFiftyOhms) {
    TakeRecordedErrors();
    for (const double fMHz : {7.0, 1.8, 144.3}) {
        // A hidden frame of the main window's size: the same chart, but no
        // window to repaint on every marker, which keeps thousands of solves quick.
        auto owner = std::make_unique<TvSmithChart>();
        TvSmithChart* frame = owner.get();
        frame->resize(823, 772);
        frame->CreateChart();
        ASSERT_EQ(frame->Chart()->CenterX(), kCx);
        ASSERT_EQ(frame->Chart()->CenterY(), kCy);
        ASSERT_EQ(frame->Chart()->Radius(), kRadius);
        // Pictures play no part here; small layers make every redraw cheap.
        frame->Chart()->SetSize(32, 32);
        frame->edFR->setText(QString::number(fMHz));
        // 7 MHz on the dense grid, the other bands on a coarser one.
        const int step = fMHz == 7.0 ? 7 : 23;
        int solved = 0;
        std::vector<QPoint> pixels;
        for (int y = kCy - 329; y <= kCy + 329; y += step)
            for (int x = kCx - 329; x <= kCx + 329; x += step)
                if ((x - kCx) * (x - kCx) + (y - kCy) * (y - kCy) <= 329 * 329)
                    pixels.emplace_back(x, y);
        // Exactly on r = 1 (50 +- j100) and on g = 1 (1/50 S), where one part
        // has nothing to do, and the neighbours of the matched centre.
        for (const QPoint p : {QPoint(576, 191), QPoint(576, 521), QPoint(246, 191),
                               QPoint(246, 521), QPoint(412, 356), QPoint(410, 356),
                               QPoint(411, 355), QPoint(411, 357), QPoint(412, 357)})
            pixels.push_back(p);
        for (const QPoint pixel : pixels) {
            const int x = pixel.x(), y = pixel.y();
            SCOPED_TRACE(testing::Message() << fMHz << " MHz at " << x << "," << y);
            const std::optional<TNetwork> net = frame->SolveAtPixel(x, y);
            ASSERT_TRUE(net.has_value());
            ASSERT_TRUE(TakeRecordedErrors().isEmpty());
            ++solved;

            // The load is the pixel's point of an ordinary chart. The chart's
            // angles use pi to ten digits: the reading may turn by up to 5e-10
            // rad, which moves Z by |dZ/dgamma| = 100 / |1 - gamma|^2 times that.
            const cd z = PixelImpedance(x, y);
            const cd gamma(double(x - kCx) / kRadius, double(kCy - y) / kRadius);
            const double tol = 5e-10 * 100.0 / std::norm(1.0 - gamma) + 1e-9 * std::abs(z);
            ASSERT_NEAR(net->Load.R, z.real(), tol);
            ASSERT_NEAR(net->Load.X, z.imag(), tol);
            const double g = std::hypot(x - kCx, y - kCy) / kRadius;
            ASSERT_NEAR(net->Load.Swr, (1 + g) / (1 - g), 1e-9 * (1 + g) / (1 - g));

            ASSERT_TRUE(std::isfinite(net->L) && std::isfinite(net->C));
            ASSERT_GE(net->L, 0.0);
            ASSERT_GE(net->C, 0.0);
            EXPECT_LT(InputReflection(*net, fMHz), 1e-6)
                << "L " << net->L << " C " << net->C << " CL " << net->IsCL << " R " << net->Load.R
                << " X " << net->Load.X;

            // The fields: never a minus, the designed digits, the same network.
            const QString lt = frame->edL->text(), ct = frame->edC->text();
            ASSERT_TRUE(kLText.match(lt).hasMatch()) << lt.toStdString();
            ASSERT_TRUE(kCText.match(ct).hasMatch()) << ct.toStdString();
            ASSERT_NEAR(lt.toDouble(), net->L, 0.0005 + 1e-9);
            ASSERT_NEAR(ct.toDouble(), net->C, 0.05 + 1e-9);
            ASSERT_EQ(frame->chkC->isChecked(), net->IsCL);
            ASSERT_EQ(frame->chkL->isChecked(), !net->IsCL);
            ASSERT_DOUBLE_EQ(frame->Frequency(), fMHz);

            // The red marker sits on the transition point of that network.
            const auto& markers = frame->Chart()->Markers();
            ASSERT_GE(markers.size(), 2u);
            const TMarkerRec& blue = *markers[markers.size() - 2];
            const TMarkerRec& red = *markers.back();
            ASSERT_EQ(blue.Color, clBlue);
            ASSERT_EQ(QPoint(blue.PosX, blue.PosY), QPoint(x, y));
            ASSERT_EQ(red.Color, 0);
            const QPointF t = ImpedancePixel(LcCircuit(*net, fMHz).Transition);
            ASSERT_NEAR(red.PosX, t.x(), 1.0);
            ASSERT_NEAR(red.PosY, t.y(), 1.0);

            // Keeps every redraw small: markers accumulate otherwise.
            if (markers.size() > 60) {
                frame->Chart()->ClearMarkers();
                frame->Chart()->ClearArcs();
            }
        }
        EXPECT_GT(solved, fMHz == 7.0 ? 6000 : 500);
    }
}

// ---------------------------------------------------------------- SWR circles

TEST_F(FrameTest, AddStoresSwrCircleOfTypedSwr) {
    frame->edPSV->setText(QString());
    QTest::mouseClick(frame->btnAdd, Qt::LeftButton);
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
    ASSERT_EQ(MarkerCount(), 1u);
    EXPECT_TRUE(Chart().Markers()[0]->IsSwrCircle);
    EXPECT_EQ(Chart().Markers()[0]->Swr, 1.0);

    frame->edPSV->setText(QStringLiteral("4.2"));
    QTest::mouseClick(frame->btnAdd, Qt::LeftButton);
    QTest::mouseClick(frame->btnAdd, Qt::LeftButton);
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
    ASSERT_EQ(MarkerCount(), 3u);
    for (size_t i = 1; i < 3; ++i) {
        EXPECT_TRUE(Chart().Markers()[i]->IsSwrCircle);
        EXPECT_DOUBLE_EQ(Chart().Markers()[i]->Swr, 4.2);
    }
    EXPECT_EQ(ArcCount(), 0u);
}

TEST_F(FrameTest, BadSwrAddsNothingAndLaterAddStillDraws) {
    struct Case {
        const char* text;
        const char* error;
    };
    for (const Case& c : {Case{"4,2", "'4,2' is not a valid floating point value."},
                          Case{"abc", "'abc' is not a valid floating point value."},
                          Case{"-1", "PSV musí být alespoň 1."}}) {
        SCOPED_TRACE(c.text);
        frame->edPSV->setText(QString::fromUtf8(c.text));
        QTest::mouseClick(frame->btnAdd, Qt::LeftButton);
        EXPECT_EQ(TakeRecordedErrors(), QStringList{QString::fromUtf8(c.error)});
        EXPECT_EQ(MarkerCount(), 0u);
    }

    // SWR 4.2 is |gamma| 3.2/5.2: a circle of about 203 pixels round the centre.
    const int r = int(std::lround(kRadius * 3.2 / 5.2));
    auto grayNear = [&](const QImage& image, int x, int y) {
        int n = 0;
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                n += (image.pixel(x + dx, y + dy) & 0xFFFFFF) == 0x808080;
        return n;
    };
    EXPECT_EQ(grayNear(frame->pbSmith->Picture(), kCx - r, kCy), 0);
    frame->edPSV->setText(QStringLiteral("4.2"));
    QTest::mouseClick(frame->btnAdd, Qt::LeftButton);
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
    ASSERT_EQ(MarkerCount(), 1u);
    EXPECT_TRUE(Chart().Markers()[0]->IsSwrCircle);
    EXPECT_DOUBLE_EQ(Chart().Markers()[0]->Swr, 4.2);
    // Shown at once, on the left and at the bottom of the circle.
    EXPECT_GT(grayNear(frame->pbSmith->Picture(), kCx - r, kCy), 0);
    EXPECT_GT(grayNear(frame->pbSmith->Picture(), kCx, kCy + r), 0);
}

// Below SWR 1 there is no circle: Add and the sweep refuse it with one message
// and leave no trace, no step to undo; empty text (SWR 1) and 1 itself draw.
TEST_F(FrameTest, SwrBelowOneIsRefusedByAddAndTheSweep) {
    const struct {
        const char* text;
        bool accepted;
    } rows[] = {{"0.5", false}, {"0.999", false}, {"-3", false}, {"1", true}, {"", true}};
    for (const auto& row : rows)
        for (QPushButton* button : {frame->btnAdd, frame->Button1}) {
            SCOPED_TRACE(testing::Message()
                         << "'" << row.text << "' " << button->text().toStdString());
            frame->edPSV->setText(QString::fromUtf8(row.text));
            const size_t markers = MarkerCount();
            const bool undo = frame->actUndo->isEnabled();
            const qsizetype windows = AllDataWindows().size();
            QTest::mouseClick(button, Qt::LeftButton);
            const QStringList errors = TakeRecordedErrors();
            if (row.accepted) {
                EXPECT_TRUE(errors.isEmpty());
                EXPECT_GT(MarkerCount(), markers);
                EXPECT_TRUE(frame->actUndo->isEnabled());
                continue;
            }
            EXPECT_EQ(errors, QStringList{QStringLiteral("PSV musí být alespoň 1.")});
            EXPECT_EQ(MarkerCount(), markers);
            EXPECT_EQ(frame->actUndo->isEnabled(), undo);
            EXPECT_EQ(AllDataWindows().size(), windows);
        }
    CloseAllDataWindows();
}

// ---------------------------------------------------------------- pointer

TEST_F(FrameTest, PointerMoveDrawsCrosshairAndShowsItBeforeAnyClick) {
    const QPoint p(500, 300);
    EXPECT_EQ(CountColorInRow(Chart().CursorLayer(), p.y(), clGreen), 0);
    const int presents = frame->pbSmith->PresentCount();
    QTest::mouseMove(frame->pbSmith, p);
    QApplication::processEvents();
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
    EXPECT_GT(frame->pbSmith->PresentCount(), presents);
    // A dotted line across the whole row: about every other pixel is green.
    EXPECT_GT(CountColorInRow(Chart().CursorLayer(), p.y(), clGreen), 823 / 3);
    EXPECT_GT(CountColorInRow(frame->pbSmith->Picture(), p.y(), 0x008000), 823 / 4);
    EXPECT_EQ(MarkerCount(), 0u);
    EXPECT_TRUE(frame->edL->text().isEmpty());

    // Moving on erases the old line.
    const QPoint q(450, 200);
    QTest::mouseMove(frame->pbSmith, q);
    QApplication::processEvents();
    EXPECT_GT(CountColorInRow(Chart().CursorLayer(), q.y(), clGreen), 823 / 3);
    EXPECT_EQ(CountColorInRow(Chart().CursorLayer(), p.y(), clGreen), 0);
}

// ---------------------------------------------------------------- apply

TEST_F(FrameTest, ApplyWritesFiftyOhmsAndReportsSuccess) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    int applied = 0;
    frame->SetOnApply([&] { ++applied; });
    frame->SetSettingsFolder(dir.path());
    Z0 = 75;
    frame->btnAplyClick();
    EXPECT_EQ(Z0, 50);
    EXPECT_EQ(applied, 1);
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
    QFile file(QDir(dir.path()).filePath(QStringLiteral("ANALYZER.INI")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines =
        QString::fromUtf8(file.readAll()).split(QRegularExpression(QStringLiteral("\r?\n")));
    const int section = lines.indexOf(QStringLiteral("[COM_PORT]"));
    ASSERT_GE(section, 0);
    int key = -1;
    for (int i = section + 1; i < lines.size() && !lines[i].startsWith(u'['); ++i)
        if (lines[i] == QStringLiteral("CH_IMP=50")) key = i;
    EXPECT_GT(key, section);
}

TEST_F(FrameTest, ApplyToImpossibleFolderStaysSilent) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString plain = QDir(dir.path()).filePath(QStringLiteral("plain"));
    {
        QFile f(plain);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    frame->SetSettingsFolder(QDir(plain).filePath(QStringLiteral("sub")));
    int applied = 0;
    frame->SetOnApply([&] { ++applied; });
    EXPECT_NO_THROW(frame->btnAplyClick());
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
    EXPECT_EQ(Z0, 50);
    EXPECT_FALSE(QFile::exists(QDir(frame->SettingsFolder()).filePath("ANALYZER.INI")));
}
