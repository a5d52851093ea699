#pragma once
// The design on one A4 page: the chart as on the screen, the load, the
// chosen network's schematic and values, its parts as built, windings,
// ratings, and its SWR over frequency. Saved as PDF to keep or share.

#include "parts.h"
#include "response.h"
#include "station.h"
#include "tpinetwork.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <QStringList>
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
    double Span = DefaultSpan; // half the plotted span, as a fraction of the frequency
    std::vector<TSwrPoint> Curve;
    TBandEdges Tight, Loose;
    std::optional<double> CentreSwr;
    QString Version;
    QDateTime When;
    // What it was designed from: the measurement's file, and the chain
    // through the feed line when the line takes part.
    QString MeasurementName;
    std::optional<TFeed> Feed;
    std::optional<TStationResult> Station;
    // The T or Pi of "Ladicí člen" when it is open, and what it does for the load.
    std::optional<TTuner> Tuner;
    std::optional<TTunerReport> TunerReport;
};

// Everything but the picture, the version and the stamp, for the network at
// index (of DesignNetworks' list) of load at f. The trace, for the measured
// model, is only read here. With a feed line (and the antenna the load was
// moved from, when it is the tuner's end), the curve models the antenna
// moved through the line and the page states the whole chain.
TDesignPage MakeDesignPage(const TLoad& load, double fMHz, const TDesignOptions& options,
                           const TWindingOptions& winding, int index, TLoadModel model, double span,
                           const TTouchstone* trace, const TFeed* feed = nullptr,
                           const std::optional<TLoad>& antenna = std::nullopt);

// The lines under the load's: the measurement's file, the cable, its length,
// where the tuner stands, both ends of the line and where the power goes.
QStringList SourceLinesCs(const TDesignPage& page);

// The page as a finished PDF file's bytes.
QByteArray DesignPdf(const TDesignPage& page);
