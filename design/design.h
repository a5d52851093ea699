#pragma once
// What the user is designing, held once: the current step, the measurement,
// the feed line, the options and the choices the windows make. The frame,
// the chart, every window and the page observe it through one signal; none
// keeps a copy of its own.

#include "currentstep.h"
#include "feedline.h"
#include "lnetwork.h"
#include "parts.h"
#include "response.h"
#include "touchstone.h"
#include "tpinetwork.h"

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

// What a change touched, so that each observer redoes only its part.
enum TDesignChange : unsigned {
    dcStep = 1u << 0,          // the current step: load, frequency, the panel's results
    dcFrequencyText = 1u << 1, // the panel's frequency field as typed
    dcMeasurement = 1u << 2,   // opened, closed, or moved through the line and back
    dcFeed = 1u << 3,          // the line, its length, where the point and the tuner stand
    dcOptions = 1u << 4,       // series, Qs, power, Z0
    dcWinding = 1u << 5,
    dcChosen = 1u << 6, // the network picked in "Síť"
    dcPlot = 1u << 7,   // the SWR plot's load model and span
    dcSwrText = 1u << 8,
    dcCoverage = 1u << 9, // the region the tuner reaches, shaded on the chart
    dcTuner = 1u << 10,   // the T or Pi "Ladicí člen" shows
    dcAll = (1u << 11) - 1
};

// The winding inputs as typed, and what they describe.
struct TWindingTexts {
    QString Form, Wire, Pitch, Core;
};

// A measurement open beside the active one, drawn for comparison.
struct TOtherMeasurement {
    QString Name;
    TTouchstone Measured;
};
// The measurements open at once, the active one included.
constexpr int MaxMeasurements = 8;

// The whole state, plain data: what a project file holds.
struct TDesignState {
    TCurrentStep Step;
    QString FrequencyText = QStringLiteral("7");
    QString SwrText = QStringLiteral("4.2");
    std::optional<TTouchstone> Measured; // the active measurement
    QString MeasurementName;
    std::vector<TOtherMeasurement> Others; // opened before it, the oldest first
    bool MoveTrace = false;                // asked to show the measurement at the tuner's end
    TFeed Feed;
    bool LineInUse = false; // the feed line takes part in the design
    TDesignOptions Options;
    TWindingTexts WindingTexts;
    TWindingOptions Winding;
    int ChosenNetwork = -1; // a row of DesignNetworks' list; -1: the chart's
    TLoadModel Model = TLoadModel::Constant;
    double Span = DefaultSpan; // half the plotted span, as a fraction of the frequency
};

class TDesign : public QObject {
    Q_OBJECT
public:
    explicit TDesign(QObject* parent = nullptr);

    const TDesignState& State() const { return F; }
    // Replaces everything at once (a project opened): one signal, dcAll.
    void Assign(TDesignState state);

    const TCurrentStep& Step() const { return F.Step; }
    void SetStep(const TCurrentStep& step);
    const QString& FrequencyText() const { return F.FrequencyText; }
    void SetFrequencyText(const QString& text);
    const QString& SwrText() const { return F.SwrText; }
    void SetSwrText(const QString& text);

    bool HasMeasurement() const { return F.Measured.has_value(); }
    const TTouchstone* Measured() const { return F.Measured ? &*F.Measured : nullptr; }
    const QString& MeasurementName() const { return F.MeasurementName; }
    // A new measurement makes the measured load model the plot's; closing it
    // falls back to the constant impedance. Opening one adds it as the active
    // measurement, the one before kept among the others (one of the same name
    // is replaced); there is room for MaxMeasurements.
    void OpenMeasurement(TTouchstone measurement, const QString& name);
    bool RoomForMeasurement(const QString& name) const;
    // Closes the active measurement (the others stay, none active), or
    // without one the last of the others.
    void CloseMeasurement();
    const std::vector<TOtherMeasurement>& Others() const { return F.Others; }
    // Makes the other measurement at index the active one (the active one, if
    // any, takes its place among the others).
    void ActivateMeasurement(std::size_t other);
    // An analyser's sweep as the measurement named "živě": a new one opens as
    // a file would; while it is open each sweep only replaces its points.
    static QString LiveName() { return QStringLiteral("živě"); }
    // False, and nothing changed, when there is no room for another.
    bool ShowLiveSweep(TTouchstone sweep);
    bool MoveTraceAsked() const { return F.MoveTrace; }
    void SetMoveTrace(bool on);
    // The measurement as shown: at the tuner's end while that is asked and
    // the line is in use, else as measured; null without one.
    const TTouchstone* Shown() const;
    bool TraceMoved() const { return FMoved.has_value(); }

    const TFeed& Feed() const { return F.Feed; }
    void SetFeed(const TFeed& feed);
    bool LineInUse() const { return F.LineInUse; }
    void SetLineInUse(bool inUse);

    // The current step's antenna impedance: the antenna the step's load was
    // moved from, else the load itself, or its reading at the shack moved back
    // through the line when the feed says it was read there. None without a
    // load; throws where the line cannot carry it.
    std::optional<TLoad> AntennaLoad() const;

    const TDesignOptions& Options() const { return F.Options; }
    void SetOptions(const TDesignOptions& options);
    const TWindingTexts& WindingTexts() const { return F.WindingTexts; }
    const TWindingOptions& Winding() const { return F.Winding; }
    void SetWinding(const TWindingTexts& texts, const TWindingOptions& winding);
    int ChosenNetwork() const { return F.ChosenNetwork; }
    void SetChosenNetwork(int index);
    TLoadModel Model() const { return F.Model; }
    void SetModel(TLoadModel model);
    double Span() const { return F.Span; }
    void SetSpan(double fraction);

    // Changes made inside one Batch() go out as one signal at its end.
    class TBatch {
    public:
        explicit TBatch(TDesign& design) : D(design) { ++D.FBatchDepth; }
        ~TBatch();
        TBatch(const TBatch&) = delete;
        TBatch& operator=(const TBatch&) = delete;

    private:
        TDesign& D;
    };

    // The loads the tuner of "Ladicí člen" reaches, while it is asked for:
    // the cells known at multiples of stride (coarse first). A view, not
    // part of the design's state: neither undone nor saved.
    // With it, the measured points the tuner cannot match at their own
    // frequency.
    void SetCoverage(std::shared_ptr<const TCoverageGrid> grid, int stride,
                     std::vector<TLoad> unmatched = {});
    const std::shared_ptr<const TCoverageGrid>& Coverage() const { return FCoverage; }
    int CoverageStride() const { return FCoverageStride; }
    const std::vector<TLoad>& Unmatched() const { return FUnmatched; }
    // The T or Pi "Ladicí člen" shows while it is open (none for the L
    // networks or when closed), for the page.
    void SetShownTuner(const std::optional<TTuner>& tuner);
    const std::optional<TTuner>& ShownTuner() const { return FShownTuner; }

signals:
    void Changed(unsigned what);
    // Sent, never batched, before the points Shown() points at are replaced or
    // freed: a view that paints from them lets go first (a repaint of the
    // chart can paint a docked window before Changed reaches it).
    void ShownReleasing();

private:
    std::shared_ptr<const TCoverageGrid> FCoverage;
    int FCoverageStride = 1;
    std::vector<TLoad> FUnmatched;
    std::optional<TTuner> FShownTuner;
    void Touch(unsigned what);
    void ReleaseShown();
    void UpdateMoved();

    TDesignState F;
    std::optional<TTouchstone> FMoved;
    int FBatchDepth = 0;
    unsigned FPending = 0;
};
