#pragma once
// The design on one A4 page: the chart as on the screen, the load, the
// chosen network's schematic and values, its parts as built, windings,
// ratings, and its SWR over frequency. Saved as PDF to keep or share.

#include "parts.h"
#include "response.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <optional>
#include <vector>

struct TDesignPage {
    QImage Chart;
    TLoad Load;
    double FrequencyMHz = 0.0;
    TDesignOptions Options;
    TWindingOptions Winding;
    TNetworkReport Report; // the chosen network
    int Number = 1;        // its row in "Síť"
    TPartsReport Parts;
    TLoadModel Model = TLoadModel::Constant;
    double Span = 0.2; // half the plotted span, as a fraction of the frequency
    std::vector<TSwrPoint> Curve;
    TBandEdges Tight, Loose;
    std::optional<double> CentreSwr;
    QString Version;
    QDateTime When;
};

// Everything but the picture, the version and the stamp, for the network at
// index (of DesignNetworks' list) of load at f. The trace, for the measured
// model, is only read here.
TDesignPage MakeDesignPage(const TLoad& load, double fMHz, const TDesignOptions& options,
                           const TWindingOptions& winding, int index, TLoadModel model,
                           double span, const TTouchstone* trace);

// The page as a finished PDF file's bytes.
QByteArray DesignPdf(const TDesignPage& page);
