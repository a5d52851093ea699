#include "analyserwindow.h"

#include "apperror.h"
#include "numtext.h"
#include "ranges.h"
#include "savefile.h"
#include "touchstonetext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTime>
#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

const QString LibreEntry = QStringLiteral("LibreVNA (TCP)");
const QString LibreKey = QStringLiteral("tcp");
// The range any typed frequency takes (the device checks its own).
double SweepFrequency(const QLineEdit* edit) {
    const double f = StrToFloat(edit->text());
    if (!ValidFrequencyMHz(f))
        throw EConvertError(
            QStringLiteral("'%1' není platný kmitočet, musí být od %2 do %3 MHz")
                .arg(edit->text(), Fmt("#0.000", MinFrequencyMHz), Fmt("#0", MaxFrequencyMHz)));
    return f;
}

} // namespace

TfrmAnalyser::TfrmAnalyser(QWidget* parent, TDesign* design)
    : TToolWindow(QStringLiteral("Analyzátor"), 11, Qt::Window | Qt::WindowStaysOnTopHint, parent,
                  design) {
    auto* grid = new QGridLayout(this);
    auto label = [this](const QString& text) { return new QLabel(text, this); };
    auto edit = [this](const QString& text) {
        auto* e = new QLineEdit(text, this);
        e->setMaximumWidth(90);
        return e;
    };
    cbDevice = new QComboBox(this);
    cbDevice->setEditable(true);
    cbDevice->setMinimumWidth(260);
    edHost = edit(QStringLiteral("localhost"));
    edHost->setMaximumWidth(160);
    edPort = edit(QString::number(LibreVnaDefaultPort));
    edStart = edit(QStringLiteral("1"));
    edStop = edit(QStringLiteral("30"));
    edPoints = edit(QString::number(NanoVnaPoints));
    btnOnce = new QPushButton(QStringLiteral("Jedno měření"), this);
    chkContinuous = new QCheckBox(QStringLiteral("Průběžně"), this);
    btnSave = new QPushButton(QStringLiteral("Uložit měření…"), this);
    btnSave->setEnabled(false);
    lbStatus = new QLabel(this);
    lbStatus->setWordWrap(true);
    lbStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);

    grid->addWidget(label(QStringLiteral("zařízení")), 0, 0);
    grid->addWidget(cbDevice, 0, 1, 1, 3);
    grid->addWidget(label(QStringLiteral("adresa")), 1, 0);
    grid->addWidget(edHost, 1, 1);
    grid->addWidget(label(QStringLiteral("port")), 1, 2);
    grid->addWidget(edPort, 1, 3);
    grid->addWidget(label(QStringLiteral("od [MHz]")), 2, 0);
    grid->addWidget(edStart, 2, 1);
    grid->addWidget(label(QStringLiteral("do [MHz]")), 2, 2);
    grid->addWidget(edStop, 2, 3);
    grid->addWidget(label(QStringLiteral("bodů")), 3, 0);
    grid->addWidget(edPoints, 3, 1);
    grid->addWidget(btnOnce, 4, 0, 1, 2);
    grid->addWidget(chkContinuous, 4, 2, 1, 2);
    grid->addWidget(btnSave, 5, 0, 1, 2);
    grid->addWidget(lbStatus, 6, 0, 1, 5);
    grid->addWidget(lbNotice, 7, 0, 1, 5);
    grid->setColumnStretch(4, 1);
    grid->setRowStretch(8, 1);

    FillDevices();
    RestoreInputs();
    ShowDeviceKind();
    connect(cbDevice, &QComboBox::currentTextChanged, this, [this] { ShowDeviceKind(); });
    connect(btnOnce, &QPushButton::clicked, this, [this] { Guarded([this] { SweepOnce(); }); });
    connect(btnSave, &QPushButton::clicked, this, [this] { Guarded([this] { SaveSweepAs(); }); });
    FNext.setSingleShot(true);
    connect(&FNext, &QTimer::timeout, this, [this] {
        if (!chkContinuous->isChecked()) return;
        // Inputs that no longer read stop the sweeps with the message; a device
        // not there (even one that fails at once) is tried again.
        bool read = false;
        Guarded([this, &read] {
            SweepOnce();
            read = true;
        });
        if (!read) chkContinuous->setChecked(false);
    });
    connect(chkContinuous, &QCheckBox::toggled, this, [this](bool on) {
        if (!on) {
            FNext.stop();
            return;
        }
        if (!FAnalyser || !FAnalyser->Busy()) FNext.start(0);
    });
    SetCopyText([this] { return lbStatus->text(); });
    resize(420, 260);
    Observe();
}

TfrmAnalyser::~TfrmAnalyser() = default;

namespace {

// The fields the window remembers, by their keys in the settings group.
const char* const InputKeys[] = {"host", "port", "start", "stop", "points"};

} // namespace

void TfrmAnalyser::RestoreInputs() {
    const std::unique_ptr<QSettings> s = OpenSettings();
    if (!s) return;
    s->beginGroup(QStringLiteral("liveSweep"));
    QLineEdit* const edits[] = {edHost, edPort, edStart, edStop, edPoints};
    for (size_t i = 0; i < std::size(edits); ++i) {
        const QString v = s->value(QString::fromLatin1(InputKeys[i])).toString();
        if (!v.isEmpty()) edits[i]->setText(v);
    }
    const QString device = s->value(QStringLiteral("device")).toString();
    if (!device.isEmpty()) cbDevice->setCurrentText(device);
}

void TfrmAnalyser::SaveInputs() const {
    const std::unique_ptr<QSettings> s = OpenSettings();
    if (!s) return;
    s->beginGroup(QStringLiteral("liveSweep"));
    const QLineEdit* const edits[] = {edHost, edPort, edStart, edStop, edPoints};
    for (size_t i = 0; i < std::size(edits); ++i)
        s->setValue(QString::fromLatin1(InputKeys[i]), edits[i]->text().trimmed());
    s->setValue(QStringLiteral("device"), cbDevice->currentText().trimmed());
}

void TfrmAnalyser::FillDevices() {
    std::vector<TAnalyserPort> ports = ListAnalyserPorts();
    std::stable_partition(ports.begin(), ports.end(),
                          [](const TAnalyserPort& p) { return p.NanoVna; });
    for (const TAnalyserPort& port : ports) {
        const QString what = port.NanoVna ? QStringLiteral("NanoVNA") : port.Description;
        cbDevice->addItem(
            what.isEmpty() ? port.Name : QStringLiteral("%1 (%2)").arg(port.Name, what), port.Name);
    }
    cbDevice->addItem(LibreEntry, LibreKey);
    // A NanoVNA found comes first; else the first port, else LibreVNA.
    cbDevice->setCurrentIndex(0);
    cbDevice->lineEdit()->setPlaceholderText(QStringLiteral("port, např. /dev/ttyACM0"));
}

void TfrmAnalyser::ShowDeviceKind() {
    const bool libre = cbDevice->currentText() == LibreEntry;
    edHost->setEnabled(libre);
    edPort->setEnabled(libre);
}

QString TfrmAnalyser::Target() const {
    const QString text = cbDevice->currentText().trimmed();
    const int index = cbDevice->findText(text);
    const QString key = index >= 0 ? cbDevice->itemData(index).toString() : text;
    if (key != LibreKey) return key;
    return QStringLiteral("tcp:%1:%2").arg(edHost->text().trimmed(), edPort->text().trimmed());
}

void TfrmAnalyser::SweepOnce() {
    if (FAnalyser && FAnalyser->Busy()) return;
    const QString target = Target();
    if (target.isEmpty()) throw EConvertError(QStringLiteral("Zadej port analyzátoru"));
    if (target.startsWith(QLatin1String("tcp:"))) {
        bool ok = false;
        const uint port = edPort->text().trimmed().toUInt(&ok);
        if (!ok || port == 0 || port > 65535)
            throw EConvertError(
                QStringLiteral("'%1' není platný port, musí být 1 až 65535").arg(edPort->text()));
        if (edHost->text().trimmed().isEmpty())
            throw EConvertError(QStringLiteral("Zadej adresu analyzátoru LibreVNA"));
    }
    TSweepRequest request;
    request.StartMHz = SweepFrequency(edStart);
    request.StopMHz = SweepFrequency(edStop);
    if (!(request.StopMHz > request.StartMHz))
        throw EConvertError(QStringLiteral("Konec rozsahu '%1' musí být nad začátkem '%2'")
                                .arg(edStop->text(), edStart->text()));
    bool ok = false;
    request.Points = edPoints->text().trimmed().toInt(&ok);
    if (!ok || request.Points < MinSweepPoints || request.Points > MaxSweepPoints)
        throw EConvertError(QStringLiteral("'%1' není platný počet bodů, musí být %2 až %3")
                                .arg(edPoints->text())
                                .arg(MinSweepPoints)
                                .arg(MaxSweepPoints));
    // Another device: a new connection. The same one goes on where it stopped.
    if (!FAnalyser || FAnalyser->property("target").toString() != target) {
        FAnalyser = std::make_unique<TAnalyser>(target);
        FAnalyser->setProperty("target", target);
        connect(FAnalyser.get(), &TAnalyser::SweepFinished, this,
                [this](const TTouchstone& sweep) { Finished(sweep); });
        connect(FAnalyser.get(), &TAnalyser::Failed, this,
                [this](const EAnalyserError& error) { FailedWith(error); });
    }
    SaveInputs();
    lbStatus->setStyleSheet(QString());
    lbStatus->setText(QStringLiteral("Měřím %1 bodů, %2–%3 MHz…")
                          .arg(request.Points)
                          .arg(edStart->text().trimmed(), edStop->text().trimmed()));
    FAnalyser->StartSweep(request);
}

void TfrmAnalyser::Finished(const TTouchstone& sweep) {
    btnSave->setEnabled(true);
    if (!Design().ShowLiveSweep(sweep)) {
        chkContinuous->setChecked(false);
        lbStatus->setStyleSheet(QStringLiteral("color: #b00000"));
        lbStatus->setText(QStringLiteral("Otevřeno je už %1 měření: zavři jedno z nich, aby se "
                                         "měření \"%2\" mohlo ukázat (lze je i uložit)")
                              .arg(MaxMeasurements)
                              .arg(TDesign::LiveName()));
        return;
    }
    lbStatus->setStyleSheet(QString());
    lbStatus->setText(QStringLiteral("%1: %2 bodů, měřeno v %3")
                          .arg(FAnalyser->Identity().isEmpty() ? Target() : FAnalyser->Identity())
                          .arg(sweep.Points.size())
                          .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))));
    if (chkContinuous->isChecked()) FNext.start(ContinuousGapMs);
}

void TfrmAnalyser::FailedWith(const EAnalyserError& error) {
    // In the window, not a dialog: continuous sweeps would raise one a second.
    lbStatus->setStyleSheet(QStringLiteral("color: #b00000"));
    QString text = QStringLiteral("Měření se nezdařilo: %1").arg(AnalyserErrorText(error));
    if (chkContinuous->isChecked()) {
        text += QStringLiteral("; zkusím to znovu");
        FNext.start(RetryMs);
    }
    if (FAnalyser && FAnalyser->LastSweep())
        text += QStringLiteral(" (v grafu zůstává poslední celé měření)");
    lbStatus->setText(text);
}

void TfrmAnalyser::SaveSweepAs() {
    const QString folder = ExistingFolderOrHome(QStandardPaths::DocumentsLocation);
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Uložit měření"), QDir(folder).filePath(QStringLiteral("mereni.s1p")),
        QStringLiteral("Touchstone (*.s1p)"));
    if (!path.isEmpty()) SaveSweep(path);
}

void TfrmAnalyser::SaveSweep(const QString& path) {
    if (!FAnalyser || !FAnalyser->LastSweep())
        throw EConvertError(QStringLiteral("Zatím není co uložit: žádné celé měření"));
    try {
        SaveAtomically(path,
                       QByteArray::fromStdString(TouchstoneOnePortText(*FAnalyser->LastSweep())));
    } catch (const ESaveError& e) {
        throw std::runtime_error(
            QStringLiteral("Měření nelze uložit do '%1': %2")
                .arg(QDir::toNativeSeparators(path), QString::fromStdString(e.what()))
                .toStdString());
    }
}
