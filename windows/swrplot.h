#pragma once
// The window "Průběh PSV": the SWR over frequency that the chart's network,
// designed at the current frequency for the last clicked load, presents, with
// the bandwidths at SWR 1.5 and 2, under a choice of load models.

#include "response.h"
#include "toolwindow.h"

#include <QString>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QCategoryAxis;
class QLineSeries;
class QValueAxis;
class QChartView;

// The SWR axis of every plot of it: log10 of the SWR from 1 to 10, labelled
// at these; off-scale values stop a little above the top.
struct TSwrTick {
    double Swr;
    const char* Label;
};
const std::vector<TSwrTick>& SwrTicks();
constexpr double SwrTop = 10.0;
constexpr double SwrDrawCap = 12.0;
double SwrToAxis(double swr);
// A step of 1, 2 or 5 times a power of ten giving at most about eight ticks.
double NiceStep(double span);
QString LoadModelNameCs(TLoadModel model);
// "šířka pásma PSV ≤ 1.5: …" for the edges found around f0.
QString BandWidthTextCs(const TBandEdges& edges, double limit, std::optional<double> centreSwr,
                        double f0MHz, TLoadModel model);

class TfrmSwrPlot : public TToolWindow {
    Q_OBJECT
public:
    explicit TfrmSwrPlot(QWidget* parent = nullptr, TDesign* design = nullptr);

    // The network is designed at f0 for load; the plot follows at once.
    void SetDesign(const TLoad& load, double f0MHz);
    const TLoad& DesignLoad() const { return FLoad; }
    double DesignFrequency() const { return FF0; }
    // The measured trace, copied; nullptr when the measurement is closed.
    // A new measurement makes the measured model the current one; closing it
    // falls back to the constant impedance.
    void SetMeasurement(const TTouchstone* trace);
    void SetModel(TLoadModel model);
    TLoadModel Model() const { return Design().Model(); }
    // Half the plotted span as a fraction of the design frequency (0.2: ±20 %).
    void SetSpan(double fraction);
    double Span() const { return Design().Span(); }

    bool HasDesign() const { return FHasDesign; }
    const std::vector<TSwrPoint>& Curve() const { return FCurve; }
    // With the measured model, the same network's SWR over each measurement
    // open beside the active one, in the chart's order.
    const std::vector<std::vector<TSwrPoint>>& OtherCurves() const { return FOtherCurves; }
    const TBandEdges& BandTight() const { return FTight; } // SWR ≤ 1.5
    const TBandEdges& BandLoose() const { return FLoose; } // SWR < 2
    // What Ctrl+C copies: one "f;SWR" line per point, empty SWR where the model has none.
    QString CurveText() const;

    QComboBox* cbModel;
    QComboBox* cbSpan;
    QLabel* lbDesign;
    QLabel* lbBandTight;
    QLabel* lbBandLoose;
    QChartView* chartView;

    static constexpr int CurvePoints = 1001;

protected:
    void DesignChanged(unsigned what) override;
    void ShowStep(const TLoad& load, double fMHz) override;
    void ClearStep() override;
    std::optional<double> ShownFrequency() const override;

private:
    bool HasRange() const;
    void Recompute();
    void ShowCurve();
    void ShowTexts();
    void SyncModelBox();

    TLoad FLoad;
    double FF0 = 7.0;
    bool FHasDesign = false;
    // The antenna the shown load was moved from ("Použít jako zátěž").
    std::optional<TLoad> FAntenna;
    std::vector<TSwrPoint> FCurve;
    std::vector<std::vector<TSwrPoint>> FOtherCurves;
    std::vector<QLineSeries*> FOtherSeries;
    QCategoryAxis* FAxisSwr;
    TBandEdges FTight, FLoose;
    std::optional<double> FCentreSwr;
    TLNetwork FNetwork;

    QLineSeries* FCurveSeries;
    QLineSeries* FTightLine;
    QLineSeries* FLooseLine;
    QLineSeries* FDesignLine;
    QValueAxis* FAxisF;
};
