// The network core: matching physics over many loads, standard values,
// losses and stress, and agreement with the chart's own click.
#include "lnetwork.h"
#include "smithchart.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace {

constexpr double Bands[] = {1.85, 3.65, 7.1, 14.175, 50.15};

// Loads spread over the chart: R log-uniform 0.3..3000 ohms, X -2000..2000.
std::vector<TLoad> RandomLoads(int count) {
    std::mt19937_64 rng(20261208);
    std::uniform_real_distribution<double> logR(std::log(0.3), std::log(3000.0)), x(-2000, 2000);
    std::vector<TLoad> loads;
    for (int i = 0; i < count; ++i)
        loads.push_back({std::exp(logR(rng)), x(rng)});
    return loads;
}

// Power lost in the parts, from the voltages and currents the stress reports:
// an independent account of what the efficiency says.
double PartLosses(const TLNetwork& n, const TLoad& load, double f, const TQuality& q,
                  const TStress& s) {
    double lost = 0.0;
    if (n.Series.Present())
        lost += s.SeriesRmsA * s.SeriesRmsA * std::fabs(ElementReactance(n.Series, f)) /
                (n.Series.Kind == TElementKind::Coil ? q.Coil : q.Capacitor);
    if (n.Shunt.Present())
        lost += s.ShuntPeakV * s.ShuntPeakV / 2.0 * std::fabs(ElementSusceptance(n.Shunt, f)) /
                (n.Shunt.Kind == TElementKind::Coil ? q.Coil : q.Capacitor);
    (void)load;
    return lost;
}

} // namespace

TEST(NetworkCore, EveryNetworkMatchesAndTheCountFollowsTheConditions) {
    for (const TLoad& load : RandomLoads(4000))
        for (const double f : Bands)
            for (const double z0 : {50.0, 75.0}) {
                SCOPED_TRACE(testing::Message() << load.R << " " << load.X << " f " << f);
                const std::vector<TLNetwork> nets = MatchingNetworks(load, f, z0);
                const bool seriesAtLoad = load.R <= z0;
                const bool shuntAtLoad = load.R / (load.R * load.R + load.X * load.X) <= 1 / z0;
                ASSERT_EQ(nets.size(), size_t(2 * seriesAtLoad + 2 * shuntAtLoad));
                for (const TLNetwork& n : nets) {
                    const TComplex zin = InputImpedance(n, load, f);
                    EXPECT_LT(std::abs(zin - z0) / z0, 1e-9);
                    // Lossless parts lose nothing; finite Qs lose more as Q falls.
                    EXPECT_NEAR(NetworkStress(n, load, f, Lossless, 100, z0).Efficiency, 1.0, 1e-9);
                    double previous = 1.0;
                    for (const double q : {1000.0, 100.0, 10.0}) {
                        const TStress s = NetworkStress(n, load, f, {q, q}, 100, z0);
                        EXPECT_LT(s.Efficiency, previous);
                        EXPECT_NEAR(100.0 * (1 - s.Efficiency), PartLosses(n, load, f, {q, q}, s),
                                    1e-6 * 100.0);
                        previous = s.Efficiency;
                    }
                }
                EXPECT_TRUE(nets.front().Chart);
                EXPECT_TRUE(nets.front().LowPass());
                EXPECT_EQ(nets.front().Arrangement == TArrangement::ShuntAtLoad,
                          ChartChoosesShuntAtLoad(load, z0));
                EXPECT_EQ(std::count_if(nets.begin(), nets.end(),
                                        [](const TLNetwork& n) { return n.Chart; }),
                          1);
            }
}

TEST(NetworkCore, SpecialLoads) {
    // A matched load needs no parts; a load on r = 1 needs one series part.
    const std::vector<TLNetwork> matched = MatchingNetworks({50, 0}, 7);
    ASSERT_EQ(matched.size(), 1u);
    EXPECT_FALSE(matched[0].Series.Present() || matched[0].Shunt.Present());
    const TLNetwork onCircle = ChartNetwork({50, -30}, 7);
    EXPECT_EQ(onCircle.Series.Kind, TElementKind::Coil);
    EXPECT_FALSE(onCircle.Shunt.Present());
    EXPECT_NEAR(onCircle.Series.Value, 30 / (2 * M_PI * 7), 1e-12);
    for (const TLoad bad : {TLoad{0, 10}, TLoad{-1, 0}, TLoad{NAN, 0}, TLoad{10, INFINITY}})
        EXPECT_TRUE(MatchingNetworks(bad, 7).empty());
    EXPECT_TRUE(DesignNetworks({0, 5}, 7, {}).empty());
}

TEST(StandardValues, NearestOnALogScaleInAnyDecade) {
    struct Case {
        double value;
        TESeries series;
        double expected;
    };
    const Case cases[] = {
        {9.6, TESeries::E12, 10.0},     {0.096, TESeries::E12, 0.1},   {8.9, TESeries::E12, 8.2},
        {4.5e-3, TESeries::E6, 4.7e-3}, {1.04, TESeries::E24, 1.0},    {2.85, TESeries::E24, 3.0},
        {463.0, TESeries::E48, 464.0},  {1.5e5, TESeries::E96, 1.5e5}, {1.2345, TESeries::None, 1.2345},
        {1.22, TESeries::E6, 1.0},      {1.23, TESeries::E6, 1.5},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(NearestStandard(c.value, c.series), c.expected, 1e-12 * c.expected)
            << c.value;
    const double e48[] = {1.00, 1.05, 1.10, 1.15, 1.21, 1.27, 1.33, 1.40, 1.47, 1.54, 1.62, 1.69,
                          1.78, 1.87, 1.96, 2.05, 2.15, 2.26, 2.37, 2.49, 2.61, 2.74, 2.87, 3.01,
                          3.16, 3.32, 3.48, 3.65, 3.83, 4.02, 4.22, 4.42, 4.64, 4.87, 5.11, 5.36,
                          5.62, 5.90, 6.19, 6.49, 6.81, 7.15, 7.50, 7.87, 8.25, 8.66, 9.09, 9.53};
    EXPECT_EQ(SeriesMembers(TESeries::E48), std::vector<double>(std::begin(e48), std::end(e48)));
    EXPECT_EQ(SeriesMembers(TESeries::E96).size(), 96u);
    // Whatever the value, the chosen member is at least as near as every other.
    for (const TLoad& l : RandomLoads(300))
        for (const TESeries s : {TESeries::E6, TESeries::E24, TESeries::E96}) {
            const double v = l.R * 1e-3, chosen = NearestStandard(v, s);
            for (const double m : SeriesMembers(s))
                for (const double scale : {1e-5, 1e-4, 1e-3, 1e-2, 1e-1, 1.0, 10.0})
                    EXPECT_LE(std::fabs(std::log(chosen / v)),
                              std::fabs(std::log(m * scale / v)) + 1e-12);
        }
}

TEST(StandardValues, ReportsOfSnappedParts) {
    for (const TLoad& load : RandomLoads(200)) {
        TDesignOptions o;
        o.Series = TESeries::E24;
        for (const TNetworkReport& r : DesignNetworks(load, 7.1, o)) {
            ASSERT_TRUE(r.HasStandard);
            EXPECT_GE(r.StandardSwr, 1.0);
            EXPECT_GE(r.WorstSwr, r.StandardSwr - 1e-12);
            EXPECT_EQ(r.Standard.Series.Kind, r.Network.Series.Kind);
            EXPECT_EQ(r.Standard.Shunt.Kind, r.Network.Shunt.Kind);
        }
    }
    TDesignOptions none;
    none.Series = TESeries::None;
    EXPECT_FALSE(DesignNetworks({25, -30}, 7, none).front().HasStandard);
}

// The chart's click and the core agree on the chart's network for every
// pixel of the disc: same arrangement, same L and C.
TEST(NetworkCore, ChartNetworkEqualsTheClick) {
    TSmithChart chart(411, 356, 330, nullptr);
    const double f = 7.0;
    int compared = 0;
    for (int y = 356 - 329; y <= 356 + 329; y += 5)
        for (int x = 411 - 329; x <= 411 + 329; x += 5) {
            TReading load;
            if ((x - 411) * (x - 411) + (y - 356) * (y - 356) >= 329 * 329) continue;
            if (x == 411 && y == 356) continue; // matched: no transition to compute
            ASSERT_TRUE(chart.ReadPointer(x, y, false, load));
            TMatch match;
            chart.SolveMatch(load.Theta, load.Swr, match);
            const TImpedance zm = TSmithChart::GammaToImpedance(match.MatchAngle, match.MatchMagnitude);
            const double l = ChartSeriesL(match.IsCL, {load.R, load.X}, zm, f);
            const double c = ChartShuntC(match.IsCL, {load.R, load.X}, zm, f);
            const TLNetwork n = ChartNetwork({load.R, load.X}, f);
            SCOPED_TRACE(testing::Message() << "pixel " << x << "," << y);
            const double coreL = n.Series.Present() ? n.Series.Value : 0.0;
            const double coreC = n.Shunt.Present() ? n.Shunt.Value : 0.0;
            EXPECT_NE(n.Series.Kind, TElementKind::Capacitor);
            EXPECT_NE(n.Shunt.Kind, TElementKind::Coil);
            EXPECT_NEAR(l, coreL, 1e-7 * (1 + coreL));
            EXPECT_NEAR(c, coreC, 1e-7 * (1 + coreC));
            if (coreL > 1e-6 && coreC > 1e-3) {
                EXPECT_EQ(match.IsCL, n.Arrangement == TArrangement::ShuntAtLoad);
            }
            chart.ClearMarkers();
            chart.ClearArcs();
            ++compared;
        }
    EXPECT_GT(compared, 10000);
}
