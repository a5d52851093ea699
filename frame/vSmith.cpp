#include "vSmith.h"

#include "analyzersettings.h"
#include "apperror.h"
#include "fpcheck.h"
#include "numtext.h"

#include <QCursor>
#include <QResizeEvent>
#include <cmath>

int Z0 = 50;

namespace {

constexpr int BottomPanelHeight = 62;

QLabel* MakeLabel(QWidget* parent, int left, int top, const QString& text,
                  bool rightJustified = false) {
    auto* label = new QLabel(text, parent);
    label->adjustSize();
    const int width = label->width();
    label->setGeometry(left, top, width, 13);
    if (rightJustified) label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

// Right-justified labels keep their right edge when their text is wider.
QLabel* MakeRightLabel(QWidget* parent, int left, int top, int width, const QString& text) {
    QLabel* label = MakeLabel(parent, left, top, text, true);
    const int w = std::max(width, label->width());
    label->setGeometry(left + width - w, top, w, 13);
    return label;
}

QLineEdit* MakeEdit(QWidget* parent, int left, int top, int width, const QString& text,
                    bool readOnly) {
    auto* edit = new QLineEdit(text, parent);
    edit->setGeometry(left, top, width, 19);
    edit->setReadOnly(readOnly);
    return edit;
}

// A result shows from its first digit, however long it is.
void SetResultText(QLineEdit* edit, const QString& text) {
    edit->setText(text);
    edit->setCursorPosition(0);
}

void SetBackground(QWidget* widget, TColor color) {
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, ColorToRgb(color));
    widget->setPalette(pal);
    widget->setAutoFillBackground(true);
}

// The panel's SWR: empty means 1. Below 1 there is no circle, and drawing
// one of the same radius under the wrong label would mislead.
double PanelSwr(const QString& text) {
    if (text.isEmpty()) return 1.0;
    const double swr = StrToFloat(text);
    if (!(swr >= 1.0)) throw std::runtime_error("PSV musí být alespoň 1");
    return swr;
}

} // namespace

TvSmithChart::TvSmithChart(QWidget* parent) : QFrame(parent) {
    resize(598, 316);
    setFrameShape(QFrame::NoFrame);
    SetBackground(this, clWhite);

    pbSmith = new TPaintBox(this);
    pbSmith->setGeometry(0, 0, 598, 254);
    SetBackground(pbSmith, clBtnFace);
    pnBottom = new QWidget(this);
    pnBottom->setGeometry(0, 254, 598, BottomPanelHeight);
    SetBackground(pnBottom, clWhite);

    edFR = MakeEdit(pnBottom, 63, 13, 43, QStringLiteral("7"), false);
    Label1 = MakeLabel(pnBottom, 6, 15, QStringLiteral("Frekvence"));
    Label2 = MakeLabel(pnBottom, 113, 15, QStringLiteral("MHz"));
    edPSV = MakeEdit(pnBottom, 63, 37, 44, QStringLiteral("4.2"), false);
    Label3 = MakeLabel(pnBottom, 32, 40, QStringLiteral("PSV"));
    edL = MakeEdit(pnBottom, 194, 12, 80, QString(), true);
    edC = MakeEdit(pnBottom, 195, 35, 80, QString(), true);
    Label4 = MakeRightLabel(pnBottom, 156, 15, 31, QStringLiteral("L serie"));
    Label5 = MakeRightLabel(pnBottom, 159, 37, 28, QStringLiteral("C par."));
    Label6 = MakeLabel(pnBottom, 282, 15, QStringLiteral("uH"));
    Label7 = MakeLabel(pnBottom, 283, 37, QStringLiteral("pF"));
    btnAdd = new QPushButton(QStringLiteral("Add"), pnBottom);
    btnAdd->setGeometry(113, 37, 30, 21);
    chkL = new QRadioButton(QStringLiteral("LC"), pnBottom);
    chkL->setGeometry(338, 16, 45, 17);
    chkL->setEnabled(false);
    chkC = new QRadioButton(QStringLiteral("CL"), pnBottom);
    chkC->setGeometry(338, 36, 45, 17);
    chkC->setEnabled(false);
    Label8 = MakeLabel(pnBottom, 312, 24, QStringLiteral("TRX"));
    Label9 = MakeLabel(pnBottom, 379, 24, QStringLiteral("ANT"));
    Label10 = MakeLabel(pnBottom, 522, 4, QStringLiteral("Klikni na plochu grafu"));
    Label11 = MakeLabel(pnBottom, 522, 19, QStringLiteral("Modrý bod - impedance antény"));
    Label12 = MakeLabel(pnBottom, 521, 35,
                        QStringLiteral("Červený bod - impedance  přechodu LC nebo CL"));
    Button1 = new QPushButton(QStringLiteral("LC-PSV Points"), pnBottom);
    Button1->setGeometry(408, 37, 97, 21);

    setTabOrder(edFR, edPSV);
    setTabOrder(edPSV, edL);
    setTabOrder(edL, edC);
    setTabOrder(edC, btnAdd);
    setTabOrder(btnAdd, chkL);
    setTabOrder(chkL, chkC);
    setTabOrder(chkC, Button1);

    // On a screen of another device scale the chart is drawn again, as on a resize.
    pbSmith->OnDeviceScaleChange = [this] { Guarded([this] { FrameResize(); }); };
    pbSmith->OnClick = [this] { Guarded([this] { pbSmithClick(); }); };
    pbSmith->OnMouseMove = [this](int x, int y) {
        Guarded([this, x, y] { pbSmithMouseMove(x, y); });
    };
    connect(btnAdd, &QPushButton::clicked, this, [this] { Guarded([this] { btnAddClick(); }); });
    connect(Button1, &QPushButton::clicked, this, [this] { Guarded([this] { Button1Click(); }); });
    // The design starts from what the windows last remembered.
    {
        TDesignState start;
        start.Options = TfrmNetwork::SavedOptions();
        start.WindingTexts = TfrmNetwork::SavedWindingTexts();
        start.Winding = TfrmNetwork::SavedWinding();
        start.Feed = TfrmFeedLine::SavedFeed();
        start.FrequencyText = edFR->text();
        start.SwrText = edPSV->text();
        FDesign.Assign(std::move(start));
    }
    // The windows follow the steps, not the typing; they only say when the field differs.
    connect(edFR, &QLineEdit::textChanged, this, [this](const QString& text) {
        Guarded([this, &text] { FDesign.SetFrequencyText(text); });
    });
    connect(edPSV, &QLineEdit::textChanged, this,
            [this](const QString& text) { Guarded([this, &text] { FDesign.SetSwrText(text); }); });
    connect(&FDesign, &TDesign::Changed, this,
            [this](unsigned what) { Guarded([this, what] { DesignChanged(what); }); });
    FHistory.OnChanged = [this] { UpdateHistoryActions(); };
    BuildChartMenu();
}

namespace {

// The chart's annotations as the design's history keeps them.
class TChartKeeper : public TAnnotationKeeper {
public:
    explicit TChartKeeper(TvSmithChart& frame) : F(frame) {}
    TCount Count() const override {
        const TSmithChart::TAnnotationCount c = F.Chart()->AnnotationCount();
        return {c.Markers, c.Arcs};
    }
    TTaken TakeFrom(TCount from) override {
        return std::make_shared<TSmithChart::TAnnotations>(
            F.Chart()->TakeAnnotationsFrom({from.Markers, from.Arcs}));
    }
    void Restore(TTaken taken) override {
        F.Chart()->RestoreAnnotations(
            std::move(*std::static_pointer_cast<TSmithChart::TAnnotations>(taken)));
    }

private:
    TvSmithChart& F;
};

} // namespace

void TvSmithChart::DesignChanged(unsigned what) {
    if ((what & dcFrequencyText) && edFR->text() != FDesign.FrequencyText())
        edFR->setText(FDesign.FrequencyText());
    if ((what & dcSwrText) && edPSV->text() != FDesign.SwrText()) edPSV->setText(FDesign.SwrText());
    if (what & dcStep) {
        if (!FCommitting) ShowFields(FDesign.Step());
        if (actSaveDesign) actSaveDesign->setEnabled(FDesign.Step().Load.has_value());
    }
    if (what & (dcMeasurement | dcTuner)) UpdateMeasurementActions();
    if (what & dcMeasurement) UpdateMeasurementMenu();
    if (what & dcMeasurement) {
        ShowMeasurement();
    }
    if (what & (dcStep | dcFeed)) UpdateLinePath();
    if ((what & dcCoverage) && FChart)
        FChart->SetCoverage(FDesign.Coverage(), FDesign.CoverageStride(), FDesign.Unmatched());
}

// The antenna's impedance along the line to the shack, wherever the tuner
// stands, while the line takes part: the path that turns one end's point
// into the other's.
void TvSmithChart::UpdateLinePath() {
    if (!FChart) return;
    const TCurrentStep& step = FDesign.Step();
    std::vector<TLoad> path;
    if (FDesign.LineInUse() && step.Load) {
        try {
            const TFeed& feed = FDesign.Feed();
            path = LinePath(feed.Line, step.FrequencyMHz, feed.LengthM, *FDesign.AntennaLoad());
        } catch (const std::exception&) {
            // A load the line cannot carry has no path.
        }
    }
    FChart->SetLinePath(path);
}

void TvSmithChart::BuildChartMenu() {
    FChartMenu = new QMenu(this);
    auto add = [this](const QString& text, const QList<QKeySequence>& keys, auto handler) {
        QAction* action = FChartMenu->addAction(text);
        action->setShortcuts(keys);
        // Works wherever the focus is in the window, and the menu shows the key.
        action->setShortcutContext(Qt::WindowShortcut);
        action->setShortcutVisibleInContextMenu(true);
        addAction(action);
        connect(action, &QAction::triggered, this,
                [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
        return action;
    };
    actUndo =
        add(QStringLiteral("Zpět"), {QKeySequence(Qt::CTRL | Qt::Key_Z)}, &TvSmithChart::Undo);
    actRedo =
        add(QStringLiteral("Znovu"),
            {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
            &TvSmithChart::Redo);
    actClear = add(QStringLiteral("Smazat body a oblouky"), {}, &TvSmithChart::ClearAnnotations);
    FChartMenu->addSeparator();
    actSavePicture = add(QStringLiteral("Uložit obrázek…"), {QKeySequence(Qt::CTRL | Qt::Key_S)},
                         &TvSmithChart::SavePictureAs);
    actCopyPicture =
        add(QStringLiteral("Kopírovat obrázek"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)},
            &TvSmithChart::CopyPicture);
    actSaveDesign =
        add(QStringLiteral("Uložit návrh…"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
            &TvSmithChart::SaveDesignAs);
    // A design needs a load.
    actSaveDesign->setEnabled(false);
    FChartMenu->addSeparator();
    actNetworkDetails = add(QStringLiteral("Detaily sítě…"), {QKeySequence(Qt::CTRL | Qt::Key_D)},
                            &TvSmithChart::ShowNetworkWindow);
    actTunerDesign =
        add(QStringLiteral("Návrh ladicího členu…"), {}, &TvSmithChart::ShowTunerDesign);
    actFeedLine = add(QStringLiteral("Napáječ…"), {QKeySequence(Qt::CTRL | Qt::Key_L)},
                      &TvSmithChart::ShowFeedLineWindow);
    actTuner = add(QStringLiteral("Ladicí člen…"), {QKeySequence(Qt::CTRL | Qt::Key_T)},
                   &TvSmithChart::ShowTunerWindow);
    FChartMenu->addSeparator();
    actOpenMeasurement =
        add(QStringLiteral("Otevřít měření…"), {QKeySequence(Qt::CTRL | Qt::Key_O)},
            &TvSmithChart::OpenMeasurementAs);
    actCloseMeasurement = add(QStringLiteral("Zavřít měření"), {}, &TvSmithChart::CloseMeasurement);
    actBandTable = add(QStringLiteral("Tabulka pásma…"), {}, &TvSmithChart::ShowBandTableAction);
    actTunerBand =
        add(QStringLiteral("Ladicí člen v pásmu…"), {}, &TvSmithChart::ShowTunerBandAction);
    actTunerBand->setEnabled(false);
    actSwrPlot = add(QStringLiteral("Průběh PSV…"), {}, &TvSmithChart::ShowSwrPlot);
    // The project's entries are the main menu's only: the chart's menu stays as it was.
    auto addOwn = [this](const QString& text, const QKeySequence& key, auto handler) {
        auto* action = new QAction(text, this);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setShortcutVisibleInContextMenu(true);
        addAction(action);
        connect(action, &QAction::triggered, this,
                [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
        return action;
    };
    actOpenProject =
        addOwn(QStringLiteral("Otevřít projekt…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O),
               &TvSmithChart::OpenProjectAs);
    actSaveProject =
        addOwn(QStringLiteral("Uložit projekt…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P),
               &TvSmithChart::SaveProjectAs);
    mnMeasurements = new QMenu(QStringLiteral("Aktivní měření"), this);
    mnMeasurements->setEnabled(false);
    actAnalyser =
        addOwn(QStringLiteral("Analyzátor…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A),
               &TvSmithChart::ShowAnalyserWindow);
    UpdateMeasurementActions();
    setAcceptDrops(true);
    UpdateHistoryActions();
    // A click gives the chart the keyboard focus, so that Ctrl+Z takes it back.
    pbSmith->setFocusPolicy(Qt::ClickFocus);
    pbSmith->installEventFilter(this);
    pbSmith->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(pbSmith, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        FMenuPoint = pos;
        FChartMenu->exec(pbSmith->mapToGlobal(pos));
        FMenuPoint = QPoint(-1, -1);
    });
}

void TvSmithChart::ShowNetworkWindow() {
    if (!FNetworkWindow) {
        FNetworkWindow = new TfrmNetwork(nullptr, &FDesign);
        FNetworkWindow->setAttribute(Qt::WA_DeleteOnClose, true);
    }
    if (!FDesign.Step().Load && FChart) {
        // Before any click: the point under the right-click, else under the pointer.
        QPoint p = FMenuPoint;
        if (p.x() < 0) p = pbSmith->mapFromGlobal(QCursor::pos());
        TReading reading;
        if (pbSmith->rect().contains(p) && FChart->ReadPointer(p.x(), p.y(), false, reading) &&
            reading.R > 0)
            FNetworkWindow->SetLoad({reading.R, reading.X}, ReadFrequency());
    }
    PlaceToolWindow(FNetworkWindow);
    FNetworkWindow->show();
    FNetworkWindow->raise();
}

void TvSmithChart::ShowFeedLineWindow() {
    if (!FFeedLineWindow) {
        FFeedLineWindow = new TfrmFeedLine(ChartReference, nullptr, &FDesign);
        FFeedLineWindow->setAttribute(Qt::WA_DeleteOnClose, true);
        FFeedLineWindow->SetOnUseAsLoad(
            [this](const TLoad& load, double fMHz, const TLoad& antenna) {
                TakeLoad(load, fMHz, antenna);
            });
    }
    PlaceToolWindow(FFeedLineWindow);
    FFeedLineWindow->show();
    FFeedLineWindow->raise();
}

void TvSmithChart::ShowAnalyserWindow() {
    ShowTool(FAnalyserWindow, [this] { return new TfrmAnalyser(nullptr, &FDesign); });
}

void TvSmithChart::ShowTunerWindow() {
    ShowTool(FTunerWindow, [this] { return new TfrmTuner(nullptr, &FDesign); });
}

void TvSmithChart::ShowTunerDesign() {
    // The Qs the details window uses.
    const TQuality q = FDesign.Options().Q;
    auto* window = new TfrmTunerDesign(edPSV->text(), q.Coil, q.Capacitor);
    FTunerWindows.push_back(window);
    std::erase_if(FTunerWindows, [](const QPointer<TfrmTunerDesign>& w) { return w.isNull(); });
    PlaceToolWindow(window);
    window->show();
    window->raise();
}

void TvSmithChart::ShowSwrPlot() {
    if (!FSwrPlot) FSwrPlot = new TfrmSwrPlot(this, &FDesign);
    PlaceToolWindow(FSwrPlot);
    FSwrPlot->show();
    FSwrPlot->raise();
}

// A tool window goes into the main window's docks where it keeps them; else
// it opens beside the main window where there is room, or where it hides
// least of the chart and of the panel.
void TvSmithChart::PlaceToolWindow(TToolWindow* tool) {
    if (auto* host = dynamic_cast<TToolWindowHost*>(window()); host && host->HoldToolWindow(tool))
        return;
    const QWidget* main = window();
    if (!main || !main->isVisible()) return;
    const QRect mainFrame = main->frameGeometry();
    tool->PlaceAwayFrom(KeepClearRegions(1), QPoint(mainFrame.right() + 1, mainFrame.top()));
}

std::vector<TKeepClear> TvSmithChart::KeepClearRegions(int chartWeight) const {
    const QRect mainFrame = window()->frameGeometry();
    QRect chart(pbSmith->mapToGlobal(QPoint(0, 0)), pbSmith->size());
    if (FChart) {
        const int r = FChart->Radius();
        chart = chart.intersected(
            QRect(pbSmith->mapToGlobal(QPoint(FChart->CenterX() - r, FChart->CenterY() - r)),
                  QSize(2 * r + 1, 2 * r + 1)));
    }
    const QRect panel(pnBottom->mapToGlobal(QPoint(0, 0)), pnBottom->size());
    return {{mainFrame, 1}, {chart, chartWeight}, {panel, chartWeight}};
}

TvSmithChart::~TvSmithChart() {
    // The windows go before the design they observe; the frame stops following it.
    FDesign.disconnect(this);
    // The chart presents to the paint box, so it goes before the controls.
    FChart.reset();
    delete FSwrPlot.data();
    // Data windows have no owner; those still open at exit go with the frame.
    for (QPointer<TfrmData>& window : FDataWindows)
        delete window.data();
    delete FNetworkWindow.data();
    delete FFeedLineWindow.data();
    delete FTunerWindow.data();
    delete FAnalyserWindow.data();
    // Before the measurement its rows are read from.
    delete FBandTable.data();
    delete FTunerBand.data();
    for (QPointer<TfrmTunerDesign>& window : FTunerWindows)
        delete window.data();
}

void TvSmithChart::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    const int w = width(), h = height();
    pnBottom->setGeometry(0, h - BottomPanelHeight, w, BottomPanelHeight);
    pbSmith->setGeometry(0, 0, w, std::max(0, h - BottomPanelHeight));
    Guarded([this] { FrameResize(); });
}

void TvSmithChart::CreateChart() {
    FHistory.SetKeeper(nullptr);
    // The design size gets the design radius; a smaller frame (a small
    // screen) a chart scaled to fit above the panel.
    const double scale = std::min({1.0, width() / 823.0, height() / 772.0});
    const int radius = static_cast<int>(330 * scale);
    FChart = std::make_unique<TSmithChart>(width() / 2, height() / 2 - 30, radius, pbSmith);
    FChart->SetSize(pbSmith->width(), pbSmith->height());
    FKeeper = std::make_unique<TChartKeeper>(*this);
    FHistory.SetKeeper(FKeeper.get());
}

void TvSmithChart::RedrawChart() {
    FChart->ClearGridLayer();
    FChart->DrawGrid();
    FChart->Present();
}

void TvSmithChart::FrameResize() {
    if (FChart) FChart->SetSize(pbSmith->width(), pbSmith->height());
}

void TvSmithChart::pbSmithMouseMove(int x, int y) {
    if (!FChart) return;
    TReading reading;
    const bool read = FChart->ReadPointer(x, y, true, reading);
    if (FDrag.Dragging() && read && pbSmith->rect().contains(x, y)) FDrag.PreviewAt(reading);
}

void TvSmithChart::AddSwrCircle(bool circle, double r, double x, double swr) {
    if (FChart) FChart->AddImpedanceMarker(circle, 0, r, x, double(Z0), swr);
}

void TvSmithChart::btnAddClick() {
    const double swr = PanelSwr(edPSV->text());
    Recorded([&] { AddSwrCircle(true, 0.0, 0.0, swr); });
}

void TvSmithChart::btnAplyClick() {
    try {
        Z0 = 50;
        if (FSettingsFolder.isEmpty())
            WriteAnalyzerSetting(24, QString::number(Z0));
        else
            WriteAnalyzerSetting(FSettingsFolder, 24, QString::number(Z0));
        if (FOnApply) FOnApply();
    } catch (...) {
        // Applying the impedance never troubles the user, whatever fails.
    }
}

double TvSmithChart::ReadFrequency() {
    const double f = StrToFloat(edFR->text());
    if (!(f > 0))
        throw EConvertError(QStringLiteral("'%1' is not a valid frequency").arg(edFR->text()));
    return f;
}

std::optional<TNetwork> TvSmithChart::SolveAtPixel(int x, int y) {
    TNetwork net;
    if (!FChart->ReadPointer(x, y, false, net.Load)) return std::nullopt;
    SolveReading(net);
    return net;
}

void TvSmithChart::SolveReading(TNetwork& net, std::optional<double> fMHz) {
    const TReading& load = net.Load;

    TMatch match;
    FChart->SolveMatch(load.Theta, load.Swr, match);
    const TImpedance zm = TSmithChart::GammaToImpedance(match.MatchAngle, match.MatchMagnitude);
    FChart->AddPolarMarker(0, match.MatchAngle, match.MatchSwr);

    const double f = fMHz ? *fMHz : ReadFrequency();
    // The load and its frequency become the current step together.
    FEditing.Load = TLoad{load.R, load.X};
    FEditing.FrequencyMHz = f;
    FEditing.Antenna.reset();
    net.IsCL = match.IsCL;
    // Each field is written as soon as its value stands, so an error in the
    // capacitance leaves the inductance shown.
    net.L = ChartSeriesL(match.IsCL, {load.R, load.X}, zm, f);
    (match.IsCL ? chkC : chkL)->setChecked(true);
    SetResultText(edL, FormatFloat(QStringLiteral("#0.000"), net.L));
    net.C = ChartShuntC(match.IsCL, {load.R, load.X}, zm, f);
    SetResultText(edC, FormatFloat(QStringLiteral("#0.0"), net.C));
}

void TvSmithChart::pbSmithClick() {
    if (!FChart) return;
    const QPoint p = mapFromGlobal(QCursor::pos());
    if (!TakeTracePoint(p.x(), p.y())) Recorded([&] { SolveAtPixel(p.x(), p.y()); });
}

bool TvSmithChart::SolveAtPolar(double& l, double& c, double swr, double a, bool& isCL) {
    const TPointD p = FChart->PolarToPixel(a, swr);
    const std::optional<TNetwork> net = SolveAtPixel(RoundPixel(p.X), RoundPixel(p.Y));
    if (!net) return false;
    l = net->L;
    c = net->C;
    isCL = net->IsCL;
    return true;
}

void TvSmithChart::Button1Click() {
    const double swr = PanelSwr(edPSV->text());
    Recorded([&] { WriteLcPsvPoints(swr); });
}

void TvSmithChart::WriteLcPsvPoints(double swr) {
    bool isCL = false;
    // Computes one angle and writes its line; a point without a reading keeps
    // its line, with empty fields, so the table has one line per angle.
    auto computeAndWrite = [&](int angle) {
        double l = 0.0, c = 0.0;
        QString line = FormatFloat(QStringLiteral("#0"), angle);
        if (SolveAtPolar(l, c, swr, angle, isCL))
            line += u';' + FormatFloat(QStringLiteral("#0.000"), l) + u';' +
                    FormatFloat(QStringLiteral("#0.0"), c) + u';' +
                    (isCL ? QStringLiteral("1") : QStringLiteral("0"));
        else
            line += QStringLiteral(";;;");
        AppendDataLine(line);
    };

    // 18 steps of 10 degrees each way from 0; where LC and CL swap between two
    // steps, the angles around the step are written again one degree apart.
    constexpr int Steps = 18, StepDegrees = 10;
    // The halves refine differently: up, at every swap, the 20 degrees below the
    // step and the step itself; down, at the first swap only, 10 degrees either
    // side. Kept so that a table lines up line for line with earlier ones.
    constexpr int UpRefineFrom = -20, UpRefineTo = 0;
    constexpr int DownRefineFrom = -10, DownRefineTo = 10;
    bool previous = false;
    for (int i = 0; i <= Steps; ++i) {
        const int a = StepDegrees * i;
        computeAndWrite(a);
        if (i > 0 && isCL != previous)
            for (int j = UpRefineFrom; j <= UpRefineTo; ++j)
                computeAndWrite(a + j);
        previous = isCL;
    }
    bool refined = false;
    for (int i = 0; i <= Steps; ++i) {
        const int a = -StepDegrees * i;
        computeAndWrite(a);
        if (i > 0 && isCL != previous && !refined) {
            for (int j = DownRefineFrom; j <= DownRefineTo; ++j)
                computeAndWrite(a + j);
            refined = true;
        }
        previous = isCL;
    }
    FDataForm = nullptr;
}

void TvSmithChart::AppendDataLine(const QString& line) {
    if (!FDataForm) {
        auto* form = new TfrmData(nullptr);
        FDataForm = form;
        // Closed windows leave null pointers behind; forget them here.
        std::erase_if(FDataWindows, [](const QPointer<TfrmData>& w) { return w.isNull(); });
        if (!FDataWindows.empty()) form->CascadeFrom(FDataWindows.back());
        // A lone table opens off the disc and the panel where the screen has room.
        if (window()->isVisible()) form->KeepClearOnFirstShow(KeepClearRegions(16));
        FDataWindows.push_back(form);
        form->FOnClosed = [this] { DataWindowClosed(); };
        const QString separator(33, u'*');
        form->meData->appendPlainText(separator);
        form->meData->appendPlainText(QStringLiteral(" F = ") + edFR->text() +
                                      QStringLiteral(" MHz, PSV = ") + edPSV->text());
        form->meData->appendPlainText(QStringLiteral("Úhel Ro; L [uH]; C [pF]; LC=0 / CL=1  "));
        form->meData->appendPlainText(separator);
    }
    FDataForm->show();
    FDataForm->raise();
    FDataForm->meData->appendPlainText(line);
}

void TvSmithChart::DataWindowClosed() {
    FDataForm = nullptr;
}
