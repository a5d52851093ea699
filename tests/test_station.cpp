// The station chain against an independent construction: the chain's ABCD
// matrices multiplied out, the power followed as Re(V I*) at each junction;
// and the measured band edges against the crossing worked out by hand.
#include "fpcheck.h"
#include "response.h"
#include "station.h"

#include <gtest/gtest.h>
#include <random>

namespace {

using C = std::complex<double>;

struct TMatrix {
    C A = 1, B = 0, C_ = 0, D = 1;
};
TMatrix operator*(const TMatrix& m, const TMatrix& n) {
    return {m.A * n.A + m.B * n.C_, m.A * n.B + m.B * n.D, m.C_ * n.A + m.D * n.C_,
            m.C_ * n.B + m.D * n.D};
}
TMatrix SeriesZ(C z) {
    return {1, z, 0, 1};
}
TMatrix ShuntY(C y) {
    return {1, 0, y, 1};
}
// The part as the textbook has it: jωL + ωL/Q, 1/(jωC) + its loss.
C PartZ(const TElement& e, double fMHz, const TQuality& q) {
    const double w = 2 * M_PI * fMHz * 1e6;
    if (e.Kind == TElementKind::Coil) return C(w * e.Value * 1e-6 / q.Coil, w * e.Value * 1e-6);
    const double x = 1 / (w * e.Value * 1e-12);
    return C(x / q.Capacitor, -x);
}
// The tuner from the transmitter's side to the load's; the node the parts share.
TMatrix TunerMatrix(const TLNetwork& n, double fMHz, const TQuality& q) {
    const TMatrix series = n.Series.Present() ? SeriesZ(PartZ(n.Series, fMHz, q)) : TMatrix{};
    // A shunt part's admittance with its loss conductance |B|/Q.
    TMatrix shunt;
    if (n.Shunt.Present()) {
        const double w = 2 * M_PI * fMHz * 1e6;
        const double b = n.Shunt.Kind == TElementKind::Capacitor ? w * n.Shunt.Value * 1e-12
                                                                 : -1 / (w * n.Shunt.Value * 1e-6);
        const double qs = n.Shunt.Kind == TElementKind::Capacitor ? q.Capacitor : q.Coil;
        shunt = ShuntY(C(std::fabs(b) / qs, b));
    }
    return n.Arrangement == TArrangement::SeriesAtLoad ? shunt * series : series * shunt;
}
TMatrix LineMatrix(const TFeed& feed, double fMHz) {
    const TAbcd m = LineAbcd(feed.Line, fMHz, feed.LengthM);
    return {m.A, m.B, m.C, m.D};
}

// V and I at the input of m, with v and i at its output.
std::pair<C, C> Back(const TMatrix& m, C v, C i) {
    return {m.A * v + m.B * i, m.C_ * v + m.D * i};
}

} // namespace

TEST(Station, PowerAndImpedancesAgreeWithTheChainOfMatrices) {
    std::mt19937 random(5);
    std::uniform_real_distribution<double> rr(2, 800), xx(-800, 800), ff(1.8, 30), ll(0, 80),
        unit(0, 1);
    TFeed rg213;
    rg213.Line = *FindLine("RG-213/U");
    TFeed lossy = rg213;
    lossy.Line = LineOf(75, 0.8, {{10, 6.0}, {100, 25.0}});
    int checked = 0;
    for (int i = 0; i < 600; ++i) {
        const TLoad antenna{rr(random), xx(random)};
        const double f = ff(random), p = 1 + 999 * unit(random);
        const bool lossless = i % 5 == 0;
        const TQuality q =
            lossless ? Lossless : TQuality{50 + 400 * unit(random), 300 + 3000 * unit(random)};
        TStationSetup setup;
        setup.PowerW = p;
        setup.Z0 = i % 3 ? 50.0 : 75.0;
        setup.Q = q;
        const int kind =
            i % 5; // no line; tuner in the shack, at the antenna; reading at either end
        if (kind > 0) {
            TFeed feed = i % 2 ? rg213 : lossy;
            feed.LengthM = ll(random);
            feed.Tuner = kind <= 2 ? TTunerAt::Shack : TTunerAt::Antenna;
            feed.Point = kind % 2 ? TPointAt::Antenna : TPointAt::Shack;
            setup.Feed = feed;
        }
        try {
            const TLoad given =
                setup.Feed && setup.Feed->Point == TPointAt::Shack
                    ? LoadOf(MoveThroughLine(setup.Feed->Line, f, setup.Feed->LengthM, antenna.Z()))
                    : antenna;
            const TLoad tunerLoad = StationTunerLoad(StationOf(setup, {}), given, f);
            if (!IsMatchable(tunerLoad)) continue;
            const TLNetwork net = ChartNetwork(tunerLoad, f, setup.Z0);
            const std::optional<TStationResult> got = DesignStation(setup, given, f);
            ASSERT_TRUE(got);
            const TStationResult& r = *got;
            ASSERT_TRUE(r.PowerKnown);
            const std::string where = "case " + std::to_string(i);

            // Power in = power at the antenna + each part's dissipation, and none is negative.
            EXPECT_DOUBLE_EQ(r.TransmitterW, p) << where;
            EXPECT_NEAR(r.AntennaW + r.TunerLossW + r.LineLossW, p, 1e-12 * p) << where;
            EXPECT_GE(r.TunerLossW, -1e-12 * p) << where;
            EXPECT_GE(r.LineLossW, -1e-12 * p) << where;

            // The chain multiplied out, driven by 1 A into the antenna.
            const TMatrix tuner = TunerMatrix(net, f, q);
            const bool line = bool(setup.Feed);
            const bool tunerAtAntenna = line && setup.Feed->Tuner == TTunerAt::Antenna;
            const TMatrix lineM = line ? LineMatrix(*setup.Feed, f) : TMatrix{};
            auto [vTunerOut, iTunerOut] = std::pair<C, C>(antenna.Z(), 1.0);
            if (line && !tunerAtAntenna)
                std::tie(vTunerOut, iTunerOut) = Back(lineM, vTunerOut, iTunerOut);
            const auto [vTunerIn, iTunerIn] = Back(tuner, vTunerOut, iTunerOut);
            const auto [vTx, iTx] = tunerAtAntenna ? Back(lineM, vTunerIn, iTunerIn)
                                                   : std::pair<C, C>(vTunerIn, iTunerIn);
            const double scale2 = p / (vTx * std::conj(iTx)).real(); // |I|² scale for p watts
            const double scale = std::sqrt(scale2);
            EXPECT_NEAR(r.AntennaW, antenna.R * scale2, 1e-7 * p) << where;
            EXPECT_NEAR(r.TunerInput.PowerW, (vTunerIn * std::conj(iTunerIn)).real() * scale2,
                        1e-7 * p)
                << where;
            const C zTx = vTx / iTx;
            EXPECT_NEAR(std::abs(r.Transmitter.Z.Z() - zTx), 0, 1e-7 * std::abs(zTx)) << where;
            // The stresses at the power the tuner carries.
            const bool seriesAtLoad = net.Arrangement == TArrangement::SeriesAtLoad;
            if (net.Series.Present()) {
                EXPECT_NEAR(r.Tuner.SeriesRmsA,
                            std::abs(seriesAtLoad ? iTunerOut : iTunerIn) * scale,
                            1e-7 * r.Tuner.SeriesRmsA)
                    << where;
            }
            if (net.Shunt.Present()) {
                EXPECT_NEAR(r.Tuner.ShuntPeakV,
                            std::sqrt(2.0) * std::abs(seriesAtLoad ? vTunerIn : vTunerOut) * scale,
                            1e-7 * r.Tuner.ShuntPeakV)
                    << where;
            }
            // Lossless parts present the system's Z0 at the tuner's input.
            if (lossless) {
                EXPECT_NEAR(r.TunerInput.Z.R, setup.Z0, 1e-7 * setup.Z0) << where;
                EXPECT_NEAR(r.TunerInput.Z.X, 0, 1e-7 * setup.Z0) << where;
                EXPECT_NEAR(r.TunerLossW, 0, 1e-9 * p) << where;
            }
            ++checked;
        } catch (const EMathError&) {
        }
    }
    EXPECT_GT(checked, 500);

    // A line that lets nothing through: everything lost in it, nothing
    // undefined after it, wherever the tuner stands.
    for (const TTunerAt tuner : {TTunerAt::Shack, TTunerAt::Antenna}) {
        TStationSetup setup;
        setup.Feed = TFeed{LineOf(50, 0.66, {{10, 1000}}), 1e5, TPointAt::Antenna, tuner};
        const std::optional<TStationResult> r = DesignStation(setup, {30, 20}, 7.1);
        ASSERT_TRUE(r && r->PowerKnown);
        EXPECT_EQ(r->AntennaW, 0);
        EXPECT_NEAR(r->LineLossW + r->TunerLossW, 100, 1e-12);
        EXPECT_TRUE(std::isfinite(r->Tuner.SeriesRmsA) && std::isfinite(r->Tuner.ShuntPeakV));
    }
}

// A measurement whose SWR leaves the limit at one point only, between two
// steps of an even search: the edge is the crossing between that point and
// the one before it. The load there runs 50 + t(100 + j150) ohm, linear in R
// and X; SWR 2 is |Γ| = 1/3, i.e. 9 t² |100 + j150|² = |100 + t(100 + j150)|²,
// 260000 t² - 20000 t - 10000 = 0.
TEST(Station, MeasuredEdgeIsTheCrossingBetweenTwoPoints) {
    TTouchstone trace;
    const int n = 10001, excursion = 2240;
    for (int i = 0; i < n; ++i) {
        TTouchstonePoint p;
        p.FrequencyMHz = 1.0 + 29.0 * i / (n - 1);
        p.R = i == excursion ? 150.0 : 50.0;
        p.X = i == excursion ? 150.0 : 0.0;
        trace.Points.push_back(p);
    }
    const double t = (20000.0 + std::sqrt(20000.0 * 20000.0 + 4 * 260000.0 * 10000.0)) / 520000.0;
    const double f1 = trace.Points[excursion - 1].FrequencyMHz,
                 f2 = trace.Points[excursion].FrequencyMHz,
                 f3 = trace.Points[excursion + 1].FrequencyMHz;
    for (const double f0 : {7.1, 9.0}) {
        const TBandResponse response({50, 0}, f0, TLoadModel::Measured, &trace);
        const TBandEdges e = response.Edges(SwrLimitLoose, 1.0, 30.0);
        if (f0 < f2) {
            ASSERT_TRUE(e.HighMHz);
            EXPECT_NEAR(*e.HighMHz, f1 + t * (f2 - f1), 1e-9) << f0;
            EXPECT_FALSE(e.LowMHz);
        } else {
            ASSERT_TRUE(e.LowMHz);
            EXPECT_NEAR(*e.LowMHz, f3 - t * (f3 - f2), 1e-9) << f0;
            EXPECT_FALSE(e.HighMHz);
        }
    }
}

// With a line, a reading at the shack and the antenna it comes from give one
// model: the antenna's, moved through the line at every frequency.
TEST(Station, BandwidthModelIsTheAntennasWhereverTheReadingWasTaken) {
    TFeed feed;
    feed.Line = *FindLine("RG-213/U");
    feed.LengthM = 30;
    const TLoad antenna{55, -68};
    const TLoad shack = LoadOf(MoveThroughLine(feed.Line, 7.1, 30, antenna.Z()));
    for (const TTunerAt tuner : {TTunerAt::Shack, TTunerAt::Antenna})
        for (const TLoadModel model : {TLoadModel::Constant, TLoadModel::Reactance}) {
            TFeed atAntenna = feed, atShack = feed;
            atAntenna.Tuner = atShack.Tuner = tuner;
            atShack.Point = TPointAt::Shack;
            const TBandResponse a(antenna, 7.1, model, nullptr, 50, &atAntenna);
            const TBandResponse s(shack, 7.1, model, nullptr, 50, &atShack);
            const TBandEdges ea = a.Edges(SwrLimitLoose, 3.55, 10.65),
                             es = s.Edges(SwrLimitLoose, 3.55, 10.65);
            for (const auto& [x, y] :
                 {std::pair(ea.LowMHz, es.LowMHz), std::pair(ea.HighMHz, es.HighMHz)}) {
                ASSERT_EQ(bool(x), bool(y));
                if (x) {
                    EXPECT_NEAR(*y, *x, 1e-7);
                }
            }
            // Only a constant antenna behind a tuner at the antenna stays matched.
            EXPECT_EQ(ea.Complete(), tuner == TTunerAt::Shack || model == TLoadModel::Reactance);
        }
}
