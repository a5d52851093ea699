#pragma once
// The tuner frame: the chart's paint box above, the panel with frequency, SWR,
// results and commands below.

#include "analyserwindow.h"
#include "bandtablewindow.h"
#include "currentstep.h"
#include "design.h"
#include "designpage.h"
#include "fData.h"
#include "feedlinewindow.h"
#include "history.h"
#include "measurement.h"
#include "networkwindow.h"
#include "paintbox.h"
#include "session.h"
#include "smithchart.h"
#include "swrplot.h"
#include "touchstone.h"
#include "tunerdesign.h"
#include "tunerwindow.h"

#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The reference impedance in ohms, program-wide.
extern int Z0;

// One solved load: the network and the load it was solved for.
struct TNetwork {
    double L = 0.0; // microhenries
    double C = 0.0; // picofarads
    bool IsCL = false;
    TReading Load;
};

// The measurement as shown, read where the design keeps it.
struct TShownMeasurement {
    const TTouchstone* P = nullptr;
    bool has_value() const { return P != nullptr; }
    explicit operator bool() const { return P != nullptr; }
    const TTouchstone* operator->() const { return P; }
    const TTouchstone& operator*() const { return *P; }
};

class TvSmithChart : public QFrame {
    Q_OBJECT
public:
    explicit TvSmithChart(QWidget* parent = nullptr);
    ~TvSmithChart() override;

    TPaintBox* pbSmith;
    QWidget* pnBottom;
    QLineEdit* edFR;
    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* edPSV;
    QLabel* Label3;
    QLineEdit* edL;
    QLineEdit* edC;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label7;
    QPushButton* btnAdd;
    QRadioButton* chkL;
    QRadioButton* chkC;
    QLabel* Label8;
    QLabel* Label9;
    QLabel* Label10;
    QLabel* Label11;
    QLabel* Label12;
    QPushButton* Button1;

    TSmithChart* Chart() const { return FChart.get(); }
    // What the user is designing; the panel's fields and every window follow it.
    TDesign& Design() { return FDesign; }
    const TDesign& Design() const { return FDesign; }
    // The frequency of the current step, in MHz.
    double Frequency() const { return FEditing.FrequencyMHz; }
    // The last standing step's load and frequency with the panel's fields now.
    TCurrentStep CurrentStep() const;
    // The data window the running sweep writes to; null between sweeps.
    TfrmData* DataForm() const { return FDataForm.data(); }
    // The chart's right-click menu; its actions carry their shortcuts in the frame.
    QMenu* ChartMenu() const { return FChartMenu; }
    QAction* actNetworkDetails = nullptr;
    // Opens the network details window, or brings it forward, for the last
    // solved load (or the one under the pointer before any).
    void ShowNetworkWindow();
    TfrmNetwork* NetworkWindow() const { return FNetworkWindow.data(); }
    QAction* actTunerDesign = nullptr;
    QAction* actSwrPlot = nullptr;
    // The SWR over frequency of the chart's network for the last load.
    void ShowSwrPlot();
    TfrmSwrPlot* SwrPlot() const { return FSwrPlot.data(); }
    // A tuner-design window for the SWR in the panel; several may be open.
    void ShowTunerDesign();
    // The feed line window for the current step; "Použít jako zátěž" there
    // solves its tuner's-end impedance as a click on it would.
    QAction* actFeedLine = nullptr;
    void ShowFeedLineWindow();
    TfrmFeedLine* FeedLineWindow() const { return FFeedLineWindow.data(); }
    QAction* actTuner = nullptr;
    void ShowTunerWindow();
    // "Analyzátor…": live sweeps as the measurement "živě".
    QAction* actAnalyser = nullptr;
    // "Aktivní měření": the open measurements, the active one checked.
    QMenu* mnMeasurements = nullptr;
    void ShowAnalyserWindow();
    void UpdateMeasurementMenu();
    TfrmAnalyser* AnalyserWindow() const { return FAnalyserWindow.data(); }
    TfrmTuner* TunerWindow() const { return FTunerWindow.data(); }
    // A load solved as a click on it would, at fMHz; antenna: the antenna's
    // own impedance when the load is the tuner's end of the feed line.
    void TakeLoad(const TLoad& load, double fMHz, std::optional<TLoad> antenna = std::nullopt);
    // The session: undo, redo and clear of what the actions added to the chart.
    QAction* actUndo = nullptr;
    QAction* actRedo = nullptr;
    QAction* actClear = nullptr;
    QAction* actSavePicture = nullptr;
    QAction* actCopyPicture = nullptr;
    void Undo();
    void Redo();
    void ClearAnnotations();
    // The chart as composed on the screen, saved as PNG; nothing is left
    // behind when the write fails.
    void SavePicture(const QString& path);
    QImage Picture();
    // The current step's design on one page: the chart, the network chosen
    // in "Síť" (the chart's without it), its parts and its SWR over frequency.
    QAction* actSaveDesign = nullptr;
    TDesignPage DesignPage();
    void SaveDesign(const QString& path);
    bool Dragging() const { return FDrag.Dragging(); }

    // A measured antenna from a Touchstone file: its trace on the chart.
    QAction* actOpenMeasurement = nullptr;
    QAction* actCloseMeasurement = nullptr;
    QAction* actBandTable = nullptr;
    void OpenMeasurement(const QString& path);
    void CloseMeasurement();
    TShownMeasurement Measurement() const { return {FDesign.Shown()}; }
    // The band table: the chart's network at every measured frequency, in
    // one window that follows the open measurement and closes with it.
    TfrmBandTable* ShowBandTable();
    TfrmBandTable* BandTable() const { return FBandTable.data(); }
    // "Ladicí člen v pásmu": with a measurement, while "Ladicí člen" shows a T or Pi.
    QAction* actTunerBand = nullptr;
    TfrmBandTable* ShowTunerBand();
    void SetOnApply(std::function<void()> onApply) { FOnApply = std::move(onApply); }
    // Where btnAplyClick writes ANALYZER.INI; empty means the user's config folder.
    void SetSettingsFolder(const QString& folder) { FSettingsFolder = folder; }
    const QString& SettingsFolder() const { return FSettingsFolder; }

    void CreateChart();
    void RedrawChart();

    // Handlers; each runs inside the application's error guard.
    void FrameResize();
    void btnAplyClick();
    void pbSmithMouseMove(int x, int y);
    void RedrawReadout();
    void PlaceToolWindow(TToolWindow* tool);
    // The one window of its kind, made when there is none, then placed and raised.
    template <class TWindow, class TMake> TWindow* ShowTool(QPointer<TWindow>& window, TMake make) {
        if (!window) {
            window = make();
            window->setAttribute(Qt::WA_DeleteOnClose, true);
        }
        PlaceToolWindow(window);
        window->show();
        window->raise();
        return window;
    }
    // What a new window should leave visible, in screen pixels: the main
    // window, and the disc and the panel at chartWeight per pixel.
    std::vector<TKeepClear> KeepClearRegions(int chartWeight) const;
    void btnAddClick();
    void pbSmithClick();
    void Button1Click();

    void AddSwrCircle(bool circle, double r, double x, double swr);
    // The project: the design with its measurement in one file.
    QAction* actSaveProject = nullptr;
    QAction* actOpenProject = nullptr;
    void SaveProject(const QString& path);
    void OpenProject(const QString& path);
    // The panel as a step shows it; the drag's preview and its cancel.
    void ShowFields(const TCurrentStep& fields);
    void ShowPreview(double l, double c, bool isCL);
    double ReadFrequency();
    // Solves the load at a paint-box pixel as a click there does; empty when
    // the pixel lies exactly on the unit circle, where nothing is read.
    std::optional<TNetwork> SolveAtPixel(int x, int y);
    // Solves the pixel nearest to the polar point; false when it has no reading.
    bool SolveAtPolar(double& l, double& c, double swr, double a, bool& isCL);
    // Solves a load already read, as a click does after its reading; at the
    // frequency given, else at the panel's, read when a click reads it.
    void SolveReading(TNetwork& net, std::optional<double> fMHz = std::nullopt);
    void WriteLcPsvPoints(double swr);
    void AppendDataLine(const QString& line);
    void DataWindowClosed();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildChartMenu();
    // The panel's fields and the chart follow the design.
    void DesignChanged(unsigned what);
    // The step the panel's fields hold now goes into the design.
    void CommitStep();
    void Recorded(const std::function<void()>& action);
    void UpdateHistoryActions();
    void UpdateLinePath();
    void SaveProjectAs();
    void OpenProjectAs();
    void SavePictureAs();
    void SaveDesignAs();
    void WriteDesign(const QString& path, const TDesignPage& page);
    void CopyPicture();
    void OpenMeasurementAs();
    void ShowBandTableAction() { ShowBandTable(); }
    void ShowTunerBandAction() { ShowTunerBand(); }
    // A click near the trace takes the measured point itself; false when none is near.
    bool TakeTracePoint(int x, int y);
    void UpdateMeasurementActions();
    void ShowMeasurement();

    TDesign FDesign;
    THistory FHistory{FDesign};
    std::unique_ptr<TAnnotationKeeper> FKeeper;
    TDrag FDrag{*this};
    // The step the panel is writing: its load, frequency and antenna, put
    // into the design with the fields after each action.
    TCurrentStep FEditing;
    // The frame writes the step it commits itself; the echo is not shown again.
    bool FCommitting = false;

    QPointer<TfrmData> FDataForm;
    std::unique_ptr<TSmithChart> FChart;
    std::function<void()> FOnApply;
    QString FSettingsFolder;
    std::vector<QPointer<TfrmData>> FDataWindows;
    QMenu* FChartMenu = nullptr;
    QPoint FMenuPoint{-1, -1};
    QPointer<TfrmNetwork> FNetworkWindow;
    QPointer<TfrmSwrPlot> FSwrPlot;
    QPointer<TfrmFeedLine> FFeedLineWindow;
    QPointer<TfrmTuner> FTunerWindow;
    QPointer<TfrmAnalyser> FAnalyserWindow;
    QPointer<TfrmBandTable> FBandTable;
    QPointer<TfrmBandTable> FTunerBand;
    std::vector<QPointer<TfrmTunerDesign>> FTunerWindows;
};
