// The L-network solver: the chart's geometry, with its markers and first move.
#include "chartgeometry.h"
#include "fpcheck.h"
#include "smithchart.h"

bool TSmithChart::SolveLNetwork(double phi, double swr, TMatch& match) {
    match.MatchAngle = 0.0;
    match.MatchSwr = 0.0;

    const double m = ChartMagnitude(swr);
    match.IsCL = ChartDecidesCL(phi, m);
    AddPolarMarker(clBlue, phi, swr);

    const TFirstMove move = ChartTransition(phi, m, match);
    if (!move.Drawn) return true;
    AddArc(move.CentreU, 0.0, move.Radius, match.MatchAngle, match.MatchSwr, phi, swr);
    return true;
}

bool TSmithChart::SolveMatch(double phi, double swr, TMatch& match) {
    return SolveLNetwork(phi, swr, match);
}
