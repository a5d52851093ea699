// The project: the design saved whole and opened again, the measurement's
// points with it.
#include "apperror.h"
#include "numtext.h"
#include "partspane.h"
#include "project.h"
#include "savefile.h"
#include "vSmith.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString ProjectErrorText(const EProjectError& e, const QString& path) {
    const QString name = QFileInfo(path).fileName();
    switch (e.Code) {
    case TProjectFault::Unreadable:
        return QStringLiteral("Projekt '%1' nelze přečíst.").arg(name);
    case TProjectFault::NotJson:
        return QStringLiteral("Soubor '%1' není projekt Pentarixu, nebo je poškozený či neúplný.")
            .arg(name);
    case TProjectFault::NotAProject:
        return QStringLiteral("Soubor '%1' není projekt Pentarixu.").arg(name);
    case TProjectFault::NewerVersion:
        return QStringLiteral(
                   "Projekt '%1' uložila novější verze Pentarixu (formát %2); tato verze "
                   "čte formát %3.")
            .arg(name)
            .arg(e.Version)
            .arg(ProjectFormatVersion);
    case TProjectFault::BadValue:
        break;
    }
    return QStringLiteral("Projekt '%1' je poškozený: chybná hodnota '%2'.")
        .arg(name, QString::fromStdString(e.Key));
}

} // namespace

void TvSmithChart::SaveProject(const QString& path) {
    try {
        SaveAtomically(path, ProjectJson(FDesign.State()));
    } catch (const ESaveError& e) {
        throw std::runtime_error("Projekt nelze uložit: " + std::string(e.what()));
    }
}

void TvSmithChart::OpenProject(const QString& path) {
    TDesignState state;
    try {
        state = ReadProjectFile(path);
    } catch (const EProjectError& e) {
        // Read whole before anything changes: a bad file leaves the design as it was.
        throw EConvertError(ProjectErrorText(e, path));
    }
    // The winding by the pane's rules: a text that cannot be wound gives way to none.
    try {
        state.Winding = WindingFromTexts(state.WindingTexts);
    } catch (const std::exception&) {
        state.Winding = {};
    }
    const bool lineInUse = state.LineInUse;
    if (!lineInUse && FFeedLineWindow) {
        FFeedLineWindow->close();
        delete FFeedLineWindow.data();
    }
    // The chart starts again: its annotations and the history belong to the
    // design that was open.
    if (FChart) FChart->TakeAnnotationsFrom({0, 0});
    FHistory.Reset();
    const TCurrentStep step = state.Step;
    FDesign.Assign(std::move(state));
    if (lineInUse) ShowFeedLineWindow();
    // The project's load drawn on the chart as a click on it draws it: one
    // step, with the same numbers as when it was saved.
    if (step.Load && FChart) {
        Recorded([&] {
            TNetwork net;
            const TPolarOfImpedance polar =
                ImpedanceToPolar(step.Load->R, step.Load->X, ChartReference);
            net.Load = {polar.Swr, polar.Theta, step.Load->R, step.Load->X};
            FChart->ClearCursorLayer();
            SolveReading(net, step.FrequencyMHz);
            FEditing.Antenna = step.Antenna;
        });
    }
    UpdateHistoryActions();
    RedrawReadout();
}

void TvSmithChart::SaveProjectAs() {
    const QString folder = ExistingFolderOrHome(QStandardPaths::DocumentsLocation);
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Uložit projekt"), folder,
                                     QStringLiteral("Projekt Pentarix (*.pentarix)"));
    if (path.isEmpty()) return;
    SaveProject(path.endsWith(QLatin1String(".pentarix"), Qt::CaseInsensitive)
                    ? path
                    : path + QStringLiteral(".pentarix"));
}

void TvSmithChart::OpenProjectAs() {
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Otevřít projekt"),
        ExistingFolderOrHome(QStandardPaths::DocumentsLocation),
        QStringLiteral("Projekt Pentarix (*.pentarix);;Všechny soubory (*)"));
    if (!path.isEmpty()) OpenProject(path);
}
