#include "tpinetwork.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double Huge = std::numeric_limits<double>::max();

// Angular frequency in radians per microsecond: with µH it gives ohms.
double Omega(double fMHz) {
    return 2.0 * M_PI * fMHz;
}

// 1/Q, zero for a lossless part.
double LossFactor(double q) {
    return std::isfinite(q) ? 1.0 / q : 0.0;
}

// The T and the Pi are duals: the T's stage after C_out (shunt coil, series
// C_in) in admittance is the Pi's (series coil, shunt C_in) in impedance. So
// one quadratic serves both: with the immittance after C_out written p + jq
// (T: Y1 = p - jq; Pi: Z1 = p + jq), the coil's term t (T: its admittance
// scale 1/(X_L(1+ε²)); Pi: its reactance X_L) gives a + jb = p + εt + j(q + t),
// and C_in (with its ESR δ|X|) matches exactly when a + δb = k(a² + b²),
// k = Z0 for the T and 1/Z0 for the Pi, b > 0 being C_in's sign.
struct TFamily {
    TTunerKind Kind;
    double W;     // ω, rad/µs
    double Eps;   // 1/Q of the coil
    double Delta; // 1/Q of the capacitors
    double K;     // Z0 (T) or 1/Z0 (Pi)
    TComplex Zl;  // the load
    TComplex Yl;  // and its admittance
    double RDual; // R_L (T) or G_L (Pi): what turns |current|² or |voltage|² into load power
    TPartRange CIn, L;
    double InvW, InvK;

    TFamily(const TTunerProblem& pr, const TLoad& load)
        : Kind(pr.Tuner.Kind), W(Omega(pr.FrequencyMHz)), Eps(LossFactor(pr.Q.Coil)),
          Delta(LossFactor(pr.Q.Capacitor)), K(Kind == TTunerKind::Tee ? pr.Z0 : 1.0 / pr.Z0),
          Zl(load.Z()), Yl(1.0 / load.Z()),
          RDual(Kind == TTunerKind::Tee ? load.R : (1.0 / load.Z()).real()), CIn(pr.Tuner.CIn),
          L(pr.Tuner.L), InvW(1.0 / W), InvK(1.0 / K) {}

    // A capacitor's reactance magnitude.
    double CapX(double pf) const { return 1e6 / (W * pf); }

    struct TRoot {
        bool Valid = false;
        double CIn = 0.0, L = 0.0, Efficiency = 0.0;
        double T = 0.0, A = 0.0, B = 0.0, PQ2 = 0.0, XOut = 0.0;
        bool InRange = false;
    };

    // The stage's immittance p + jq after C_out.
    void AfterOut(double cOutPf, double& p, double& q, double& xOut) const {
        xOut = CapX(cOutPf);
        // Reciprocals written out: the library's complex division guards
        // against overflow at a cost that dominates the whole solve.
        if (Kind == TTunerKind::Tee) {
            const double r = Zl.real() + xOut * Delta, x = Zl.imag() - xOut;
            const double n = 1.0 / (r * r + x * x);
            p = r * n;
            q = x * n;
        } else {
            const double s = 1.0 / (xOut * (1.0 + Delta * Delta));
            const double g = Yl.real() + Delta * s, b = Yl.imag() + s;
            const double n = 1.0 / (g * g + b * b);
            p = g * n;
            q = -b * n;
        }
    }

    // Both members of the family at C_out, the smaller t first; a member is
    // invalid where its root leaves the physical side (t or b not positive).
    int Solve(double cOutPf, TRoot roots[2]) const {
        double p, q, xOut;
        AfterOut(cOutPf, p, q, xOut);
        const double pq2 = p * p + q * q;
        const double a2 = K * (1.0 + Eps * Eps);
        const double b1 = 2.0 * K * (Eps * p + q) - (Eps + Delta);
        const double c0 = K * pq2 - p - Delta * q;
        const double disc = b1 * b1 - 4.0 * a2 * c0;
        if (!(disc >= 0.0)) return 0;
        // The stable pair of roots: no difference of near-equal terms.
        const double sq = std::sqrt(disc);
        const double m = -0.5 * (b1 + (b1 >= 0 ? sq : -sq));
        double t[2] = {m / a2, m != 0.0 ? c0 / m : m / a2};
        if (t[0] > t[1]) std::swap(t[0], t[1]);
        for (int n = 0; n < 2; ++n) {
            const double ti = t[n];
            TRoot& r = roots[n];
            r = TRoot{};
            const double b = q + ti;
            if (!(ti > 0.0) || !(b > 0.0)) continue;
            const double a = p + Eps * ti;
            const double d = a * a + b * b;
            r.T = ti;
            r.A = a;
            r.B = b;
            r.PQ2 = pq2;
            r.XOut = xOut;
            // C_in = 1e6/(ω x_in) and L = X_L/ω, with x_in and X_L from above,
            // written with as few divisions as the solve can have: they are
            // most of its cost, and a coverage map makes millions of solves.
            if (Kind == TTunerKind::Tee) {
                r.L = 1.0 / (ti * (1.0 + Eps * Eps) * W);
                r.CIn = 1e6 * d / (W * b);
            } else {
                r.L = ti * InvW;
                r.CIn = 1e6 * InvW * b * (1.0 + Delta * Delta) / d;
            }
            r.Efficiency = RDual * pq2 * InvK / d;
            r.Valid = std::isfinite(r.L) && std::isfinite(r.CIn) && r.L > 0 && r.CIn > 0;
            r.InRange = r.Valid && CIn.Holds(r.CIn) && L.Holds(r.L);
        }
        return 2;
    }
};

// Inside: the member farthest inside the ranges, to find a narrow window.
enum class TGoal { LeastLoss, LargestCIn, LargestCOut, LeastL, Inside };

// What a goal minimises for one member; Huge outside the ranges.
double Objective(TGoal goal, const TFamily::TRoot& r, double cOut) {
    if (!r.InRange) return Huge;
    switch (goal) {
    case TGoal::LeastLoss:
        return -r.Efficiency;
    case TGoal::LargestCIn:
        return -r.CIn;
    case TGoal::LargestCOut:
        return -cOut;
    case TGoal::LeastL:
        return r.L;
    case TGoal::Inside:
        break;
    }
    return Huge;
}

// One member of the family: C_out, and which root.
struct TMember {
    double S = 0.0; // 1/C_out, pF⁻¹: the reactance of C_out goes with it
    int Branch = 0;
    double Value = Huge;
    double Efficiency = 0.0;
    double Margin = -Huge; // how far inside the ranges (relative; negative outside)
    bool Found() const { return Value < Huge; }
};

class TFamilySearch {
public:
    // The family scanned at `steps` + 1 values of C_out, evenly on a
    // logarithmic scale; each goal then starts from the same scan.
    // Brent stops within `tolerance` of C_out, relative.
    TFamilySearch(const TFamily& family, const TPartRange& cOut, int steps, double tolerance)
        : F(family), Tolerance(tolerance) {
        S0 = 1.0 / cOut.Max;
        S1 = 1.0 / cOut.Min;
        Last = S1 == S0 ? 0 : std::min(steps, MaxSteps);
        const double ratio = Last ? std::pow(S1 / S0, 1.0 / Last) : 1.0;
        double s = S0;
        for (int i = 0; i <= Last; ++i, s *= ratio) {
            ScanS[i] = i == Last ? S1 : s;
            ScanAny[i] = F.Solve(1.0 / ScanS[i], ScanRoots[i]) > 0;
        }
    }

    // The member at s on a branch (the smaller or the larger root).
    TMember At(TGoal goal, double s, int branch) const {
        TFamily::TRoot roots[2];
        const bool any = F.Solve(1.0 / s, roots) > 0;
        return MemberOf(goal, s, any, roots, branch);
    }

    // The best member for the goal; ties (within rounding) go to the lower loss.
    TMember Best(TGoal goal) const {
        TMember best;
        TMember row[MaxSteps + 1];
        for (int b = 0; b < 2; ++b) {
            for (int i = 0; i <= Last; ++i)
                row[i] = MemberOf(goal, ScanS[i], ScanAny[i], ScanRoots[i], b);
            for (int i = 0; i <= Last; ++i) {
                if (row[i].Found()) {
                    const bool leftWorse = i == 0 || !(row[i - 1].Value < row[i].Value);
                    const bool rightWorse = i == Last || !(row[i + 1].Value < row[i].Value);
                    // Beside a point outside, the best may lie in between:
                    // near where a branch is born the values change steeply.
                    const bool besideOut =
                        (i > 0 && !row[i - 1].Found()) || (i < Last && !row[i + 1].Found());
                    if ((leftWorse && rightWorse) || besideOut) Keep(best, Refine(goal, b, row, i));
                    continue;
                }
                // Outside the ranges here and at both neighbours, but nearest
                // them: a window of matches may lie between the scan's points.
                if (!(row[i].Margin > -Huge)) continue;
                const bool leftFarther =
                    i == 0 || (!row[i - 1].Found() && row[i - 1].Margin <= row[i].Margin);
                const bool rightFarther =
                    i == Last || (!row[i + 1].Found() && row[i + 1].Margin <= row[i].Margin);
                if (leftFarther && rightFarther) Keep(best, Window(goal, b, row, i));
            }
        }
        return best;
    }

private:
    static constexpr int MaxSteps = 64;
    const TFamily& F;
    double Tolerance;
    double S0, S1;
    int Last = 0;
    double ScanS[MaxSteps + 1];
    bool ScanAny[MaxSteps + 1];
    TFamily::TRoot ScanRoots[MaxSteps + 1][2];

    TMember MemberOf(TGoal goal, double s, bool any, const TFamily::TRoot roots[2],
                     int branch) const {
        TMember m;
        m.S = s;
        m.Branch = branch;
        if (!any || !roots[branch].Valid) return m;
        const TFamily::TRoot& r = roots[branch];
        m.Margin = std::min({r.CIn / F.CIn.Min - 1.0, 1.0 - r.CIn / F.CIn.Max, r.L / F.L.Min - 1.0,
                             1.0 - r.L / F.L.Max});
        m.Value = goal == TGoal::Inside ? -m.Margin : Objective(goal, r, 1.0 / s);
        m.Efficiency = r.Efficiency;
        return m;
    }

    // The members nearest the ranges around scan point i; when the nearest
    // lies inside, the goal's best between the window's edges.
    TMember Window(TGoal goal, int branch, const TMember* row, int i) const {
        const double lo = i > 0 ? row[i - 1].S : row[i].S;
        const double hi = i < Last ? row[i + 1].S : row[i].S;
        if (!(hi > lo)) return {};
        TMember start = row[i];
        start.Value = -start.Margin; // the scan's value was the goal's
        const TMember peak = Brent(TGoal::Inside, branch, lo, hi, start);
        if (!(peak.Margin >= 0)) return {};
        const TMember inside = At(goal, peak.S, branch);
        if (!inside.Found()) return {};
        const TMember left = Edge(goal, branch, inside, row[i > 0 ? i - 1 : i]);
        const TMember right = Edge(goal, branch, inside, row[i < Last ? i + 1 : i]);
        TMember best = inside;
        Keep(best, left);
        Keep(best, right);
        if (right.S > left.S) Keep(best, Brent(goal, branch, left.S, right.S, inside));
        return best;
    }

    static void Keep(TMember& best, const TMember& m) {
        if (!m.Found()) return;
        const double tol = 1e-10 * std::max(1.0, std::fabs(best.Value));
        if (!best.Found() || m.Value < best.Value - tol ||
            (m.Value <= best.Value + tol && m.Efficiency > best.Efficiency))
            best = m;
    }

    // The last member inside the ranges between a member in (in) and one
    // outside (out): bisection, as the edge may be where a root vanishes.
    // Where both ends have the root, the edge is where a part reaches its
    // limit, a smooth crossing: false position (Illinois) on the margin
    // finds it in a few steps; bisection elsewhere.
    TMember Edge(TGoal goal, int branch, TMember in, const TMember& outside) const {
        double out = outside.S;
        double mIn = in.Margin, mOut = outside.Margin;
        int side = 0;
        // As much finer than the minimiser's tolerance as an edge needs to
        // be: the best member often lies on it.
        const double tolerance = 1e-4 * Tolerance;
        for (int i = 0; i < 100 && std::fabs(out - in.S) > tolerance * in.S; ++i) {
            double next = 0.5 * (in.S + out);
            const bool secant = mIn > 0 && mOut < 0 && mOut > -Huge;
            if (secant) {
                next = in.S + (out - in.S) * mIn / (mIn - mOut);
                // Keep strictly inside, so that the bracket always shrinks.
                const double lo = std::min(in.S, out), hi = std::max(in.S, out);
                const double guard = 1e-3 * (hi - lo);
                next = std::clamp(next, lo + guard, hi - guard);
            }
            const TMember m = At(goal, next, branch);
            const double mNext = m.Margin;
            if (m.Found()) {
                in = m;
                mIn = mNext;
                if (side == 1 && secant) mOut *= 0.5;
                side = 1;
            } else {
                out = next;
                mOut = mNext;
                if (side == -1 && secant) mIn *= 0.5;
                side = -1;
            }
        }
        return in;
    }

    // Around a scanned local minimum: the edges of the ranges where the
    // neighbours fall outside, then Brent's minimiser between.
    TMember Refine(TGoal goal, int branch, const TMember* row, int i) const {
        const int last = Last;
        TMember lo = row[i], hi = row[i];
        if (i > 0) lo = row[i - 1].Found() ? row[i - 1] : Edge(goal, branch, row[i], row[i - 1]);
        if (i < last) hi = row[i + 1].Found() ? row[i + 1] : Edge(goal, branch, row[i], row[i + 1]);
        TMember best = row[i];
        Keep(best, lo);
        Keep(best, hi);
        // The goal falling to an edge and rising from it: the edge is the
        // best here, and Brent would only creep towards it.
        const bool loEdge = i > 0 && !row[i - 1].Found(), hiEdge = i < last && !row[i + 1].Found();
        for (const auto& [edge, isEdge] : {std::pair{lo, loEdge}, std::pair{hi, hiEdge}}) {
            if (!isEdge || !edge.Found() || !(edge.Value < row[i].Value)) continue;
            const TMember probe = At(goal, edge.S + 1e-6 * (row[i].S - edge.S), branch);
            if (probe.Found() && probe.Value >= edge.Value) return best;
        }
        if (hi.S - lo.S > 0) Keep(best, Brent(goal, branch, lo.S, hi.S, row[i]));
        return best;
    }

    // Brent's minimiser (golden sections with parabolic steps) on [a, b],
    // started from a known point of it (an end too).
    TMember Brent(TGoal goal, int branch, double a, double b, const TMember& start) const {
        constexpr double Golden = 0.3819660112501051;
        const double tol = Tolerance;
        TMember x = start.S >= a && start.S <= b ? start : At(goal, a + Golden * (b - a), branch);
        TMember w = x, v = x;
        double d = 0.0, e = 0.0;
        for (int iter = 0; iter < 100; ++iter) {
            const double xm = 0.5 * (a + b);
            const double tol1 = tol * std::fabs(x.S) + 1e-15, tol2 = 2.0 * tol1;
            if (std::fabs(x.S - xm) <= tol2 - 0.5 * (b - a)) break;
            bool golden = true;
            if (std::fabs(e) > tol1 && x.Found() && w.Found() && v.Found()) {
                double r = (x.S - w.S) * (x.Value - v.Value);
                double q = (x.S - v.S) * (x.Value - w.Value);
                double p = (x.S - v.S) * q - (x.S - w.S) * r;
                q = 2.0 * (q - r);
                if (q > 0) p = -p;
                q = std::fabs(q);
                const double etemp = e;
                e = d;
                if (!(std::fabs(p) >= std::fabs(0.5 * q * etemp) || p <= q * (a - x.S) ||
                      p >= q * (b - x.S))) {
                    d = p / q;
                    const double u = x.S + d;
                    if (u - a < tol2 || b - u < tol2) d = xm >= x.S ? tol1 : -tol1;
                    golden = false;
                }
            }
            if (golden) {
                e = x.S >= xm ? a - x.S : b - x.S;
                d = Golden * e;
            }
            const double u = std::fabs(d) >= tol1 ? x.S + d : x.S + (d >= 0 ? tol1 : -tol1);
            const TMember mu = At(goal, u, branch);
            if (mu.Value <= x.Value) {
                (u >= x.S ? a : b) = x.S;
                v = w;
                w = x;
                x = mu;
            } else {
                (u < x.S ? a : b) = u;
                if (mu.Value <= w.Value || w.S == x.S) {
                    v = w;
                    w = mu;
                } else if (mu.Value <= v.Value || v.S == x.S || v.S == w.S) {
                    v = mu;
                }
            }
        }
        return x;
    }
};

// The setting of a member with its stress at a power into the tuner.
TTunerSetting SettingOf(const TFamily& f, const TMember& m, double powerW) {
    TFamily::TRoot roots[2];
    const double cOut = 1.0 / m.S;
    TTunerSetting s;
    if (f.Solve(cOut, roots) > 0 && roots[m.Branch].Valid) {
        const TFamily::TRoot& r = roots[m.Branch];
        s.CInPf = r.CIn;
        s.LUh = r.L;
        s.COutPf = cOut;
        s.Efficiency = std::clamp(r.Efficiency, 0.0, 1.0);
        s.LossDb = s.Efficiency > 0 ? std::max(0.0, -10.0 * std::log10(s.Efficiency)) : 0.0;
        const double d = r.A * r.A + r.B * r.B;
        const double capFactor = std::hypot(1.0, f.Delta);
        const double xIn = f.CapX(r.CIn);
        const double xl = f.W * r.L;
        if (f.Kind == TTunerKind::Tee) {
            // Matched: a real input current I = sqrt(P/Z0) flows through C_in.
            const double iIn = std::sqrt(powerW / f.K);
            const double v2 = iIn / std::sqrt(d);
            s.PeakVIn = std::sqrt(2.0) * iIn * xIn * capFactor;
            s.RmsA = v2 / (xl * std::hypot(1.0, f.Eps));
            s.PeakVOut = std::sqrt(2.0) * v2 * std::sqrt(r.PQ2) * r.XOut * capFactor;
        } else {
            const double vIn = std::sqrt(powerW / f.K);
            s.PeakVIn = std::sqrt(2.0) * vIn;
            s.RmsA = vIn / std::sqrt(d);
            s.PeakVOut = std::sqrt(2.0) * s.RmsA * std::sqrt(r.PQ2);
        }
    }
    return s;
}

// Impedance of a capacitor and of a coil with their series loss resistance.
TComplex CapZ(double x, double delta) {
    return {x * delta, -x};
}
TComplex CoilZ(double x, double eps) {
    return {x * eps, x};
}

double GammaMagnitude(TComplex z, double z0) {
    return std::abs((z - z0) / (z + z0));
}

// The lowest |Γ| any setting inside the ranges gives: C_in by golden
// sections for each (C_out, L), those on a grid, then a shrinking pattern
// search from the best. Only for loads no setting matches.
double NearestGamma(const TTunerProblem& pr, const TLoad& load) {
    const TTuner& t = pr.Tuner;
    const double lc0 = std::log(t.CIn.Min), lc1 = std::log(t.CIn.Max);
    auto bestOverCIn = [&](double cOut, double l, int iterations) {
        auto g = [&](double lc) {
            return GammaMagnitude(TunerInputImpedance(pr, std::exp(lc), l, cOut, load), pr.Z0);
        };
        // A coarse look first: |Γ| need not be unimodal in C_in with lossy parts.
        constexpr int Coarse = 8;
        int bi = 0;
        double bv = Huge;
        for (int i = 0; i <= Coarse; ++i) {
            const double v = g(lc0 + (lc1 - lc0) * i / Coarse);
            if (v < bv) bv = v, bi = i;
        }
        double a = lc0 + (lc1 - lc0) * std::max(0, bi - 1) / Coarse;
        double b = lc0 + (lc1 - lc0) * std::min(Coarse, bi + 1) / Coarse;
        constexpr double R = 0.6180339887498949;
        double x1 = b - R * (b - a), x2 = a + R * (b - a);
        double f1 = g(x1), f2 = g(x2);
        for (int i = 0; i < iterations && b - a > 1e-12; ++i) {
            if (f1 < f2) {
                b = x2, x2 = x1, f2 = f1, x1 = b - R * (b - a), f1 = g(x1);
            } else {
                a = x1, x1 = x2, f1 = f2, x2 = a + R * (b - a), f2 = g(x2);
            }
        }
        return std::min({bv, f1, f2});
    };
    const double so0 = std::log(t.COut.Min), so1 = std::log(t.COut.Max);
    const double sl0 = std::log(t.L.Min), sl1 = std::log(t.L.Max);
    constexpr int Grid = 16;
    double best = Huge, bo = so0, bl = sl0;
    // The grid only picks the start: coarse inner searches suffice there.
    for (int i = 0; i <= Grid; ++i)
        for (int j = 0; j <= Grid; ++j) {
            const double so = so0 + (so1 - so0) * i / Grid, sl = sl0 + (sl1 - sl0) * j / Grid;
            const double v = bestOverCIn(std::exp(so), std::exp(sl), 16);
            if (v < best) best = v, bo = so, bl = sl;
        }
    best = bestOverCIn(std::exp(bo), std::exp(bl), 60);
    double ho = (so1 - so0) / Grid, hl = (sl1 - sl0) / Grid;
    for (int i = 0; i < 200 && (ho > 1e-10 || hl > 1e-10); ++i) {
        bool moved = false;
        for (const auto& [dO, dL] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
            const double so = std::clamp(bo + dO * ho, so0, so1);
            const double sl = std::clamp(bl + dL * hl, sl0, sl1);
            const double v = bestOverCIn(std::exp(so), std::exp(sl), 60);
            if (v < best) {
                best = v, bo = so, bl = sl, moved = true;
                break;
            }
        }
        if (!moved) ho *= 0.5, hl *= 0.5;
    }
    return best;
}

bool LowImpedanceAtOutput(const TTunerProblem& pr, const TLoad& load) {
    // The T's series C_out sees the load's series resistance; the Pi's shunt
    // C_out its parallel resistance.
    if (pr.Tuner.Kind == TTunerKind::Tee) return load.R < pr.Z0;
    return (load.R * load.R + load.X * load.X) / load.R < pr.Z0;
}

} // namespace

TTunerFault RangeFault(const TPartRange& range) {
    if (!(range.Min > 0) || !std::isfinite(range.Max)) return TTunerFault::NotPositive;
    if (range.Min > range.Max) return TTunerFault::MinAboveMax;
    return TTunerFault::None;
}

TComplex TunerInputImpedance(const TTunerProblem& pr, double cInPf, double lUh, double cOutPf,
                             const TLoad& load) {
    const double w = Omega(pr.FrequencyMHz);
    const double eps = LossFactor(pr.Q.Coil), delta = LossFactor(pr.Q.Capacitor);
    const TComplex zIn = CapZ(1e6 / (w * cInPf), delta);
    const TComplex zOut = CapZ(1e6 / (w * cOutPf), delta);
    const TComplex zL = CoilZ(w * lUh, eps);
    if (pr.Tuner.Kind == TTunerKind::Tee) {
        const TComplex z1 = load.Z() + zOut;
        return 1.0 / (1.0 / z1 + 1.0 / zL) + zIn;
    }
    const TComplex z2 = 1.0 / (1.0 / load.Z() + 1.0 / zOut) + zL;
    return 1.0 / (1.0 / z2 + 1.0 / zIn);
}

TTunerReport TuneLoad(const TTunerProblem& pr, const TLoad& load, double powerW) {
    TTunerReport rep;
    if (!IsMatchable(load)) return rep;
    const TFamily family(pr, load);
    const TFamilySearch search(family, pr.Tuner.COut, 64, 1e-7);
    const TMember least = search.Best(TGoal::LeastLoss);
    if (!least.Found()) {
        rep.NearestSwr =
            std::min(SwrCap, SwrOfMagnitude(std::min(NearestGamma(pr, load), 1.0 - 1e-16)));
        return rep;
    }
    rep.Reachable = true;
    rep.NearestSwr = 1.0;
    rep.LeastLoss = SettingOf(family, least, powerW);
    rep.LargestCAtOutput = LowImpedanceAtOutput(pr, load);
    const TGoal largest = rep.LargestCAtOutput ? TGoal::LargestCOut : TGoal::LargestCIn;
    rep.LargestC = SettingOf(family, search.Best(largest), powerW);
    rep.LeastL = SettingOf(family, search.Best(TGoal::LeastL), powerW);
    for (TTunerSetting* s : {&rep.LargestC, &rep.LeastL})
        s->PenaltyDb = std::max(0.0, s->LossDb - rep.LeastLoss.LossDb);
    return rep;
}

std::vector<TFamilyPoint> TunerFamily(const TTunerProblem& pr, const TLoad& load, int steps) {
    std::vector<TFamilyPoint> points;
    if (!IsMatchable(load) || steps < 1) return points;
    const TFamily family(pr, load);
    const TPartRange& c = pr.Tuner.COut;
    for (int i = 0; i <= steps; ++i) {
        TFamilyPoint p;
        p.COutPf = i == steps ? c.Max : c.Min * std::pow(c.Max / c.Min, double(i) / steps);
        TFamily::TRoot roots[2];
        if (family.Solve(p.COutPf, roots) > 0)
            for (int b = 0; b < 2; ++b)
                if (roots[b].InRange && roots[b].Efficiency > 0)
                    p.LossDb[b] =
                        std::max(0.0, -10.0 * std::log10(std::min(roots[b].Efficiency, 1.0)));
        points.push_back(p);
    }
    return points;
}

TCoverageCell CoverageAt(const TTunerProblem& pr, TComplex gamma) {
    TCoverageCell cell;
    cell.Known = true;
    if (!(std::norm(gamma) < 1.0)) return cell;
    const TLoad load = LoadOfGamma(gamma, pr.Z0);
    if (!IsMatchable(load)) return cell;
    const TFamily family(pr, load);
    // Coarser than a single load's search: a map has hundreds of thousands of
    // points, a window narrower than a step is still found by its margin, and
    // near an inner optimum the loss is flat (1e-3 of C_out leaves it within
    // 1e-6 dB of the single load's search).
    const TMember least = TFamilySearch(family, pr.Tuner.COut, 16, 1e-3).Best(TGoal::LeastLoss);
    if (!least.Found()) return cell;
    cell.Reachable = true;
    const double eta = std::clamp(least.Efficiency, 0.0, 1.0);
    cell.LeastLossDb = eta > 0 ? std::max(0.0, -10.0 * std::log10(eta)) : 0.0;
    return cell;
}

TComplex CoverageGamma(int n, int i, int j) {
    const double step = 2.0 / (n - 1);
    return {-1.0 + step * i, -1.0 + step * j};
}

TCoverageGrid EmptyCoverageGrid(int n) {
    TCoverageGrid g;
    g.N = n;
    g.Cells.assign(std::size_t(n) * n, TCoverageCell{});
    return g;
}

bool FillCoverage(const TTunerProblem& pr, TCoverageGrid& grid, int stride,
                  const std::atomic<bool>* cancel) {
    stride = std::max(1, stride);
    for (int j = 0; j < grid.N; j += stride) {
        if (cancel && cancel->load(std::memory_order_relaxed)) return false;
        for (int i = 0; i < grid.N; i += stride) {
            TCoverageCell& c = grid.Cells[std::size_t(j) * grid.N + i];
            if (!c.Known) c = CoverageAt(pr, CoverageGamma(grid.N, i, j));
        }
    }
    return true;
}

TComplex TSettingTuner::InputImpedance(const TLoad& load, double fMHz) const {
    TTunerProblem pr = FProblem;
    pr.FrequencyMHz = fMHz;
    return TunerInputImpedance(pr, FSetting.CInPf, FSetting.LUh, FSetting.COutPf, load);
}

TTunerDrive TSettingTuner::Drive(const TLoad& load, double fMHz, double powerW) const {
    TTunerDrive d;
    d.InputZ = InputImpedance(load, fMHz);
    // The setting's efficiency and stress were found for this load; the
    // currents and voltages scale with the square root of the power.
    d.OutputW = powerW * FSetting.Efficiency;
    const double scale = FPowerW > 0 ? std::sqrt(powerW / FPowerW) : 0.0;
    d.SeriesRmsA = FSetting.RmsA * scale;
    d.ShuntPeakV = std::max(FSetting.PeakVIn, FSetting.PeakVOut) * scale;
    return d;
}
