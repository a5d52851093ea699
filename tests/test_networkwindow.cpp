// The network details window driven through the frame: it follows clicks and
// the frequency, shows the chart's network as the panel does, copies as text.
#include "apperror.h"
#include "clirun.h"
#include "coils.h"
#include "framefixture.h"
#include "numtext.h"
#include "testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSettings>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <functional>
#include <random>
#include <sys/stat.h>

namespace {

class NetworkWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Settings.path());
        MainWindowTest::SetUp();
    }
    // The chart's row shows what the panel shows, to the printed digit.
    void ExpectPanelValues() {
        TfrmNetwork* w = Frame->NetworkWindow();
        ASSERT_NE(w, nullptr);
        ASSERT_FALSE(w->Reports().empty());
        const TLNetwork& n = w->Reports().front().Network;
        EXPECT_TRUE(n.Chart);
        EXPECT_EQ(n.Arrangement == TArrangement::ShuntAtLoad, Frame->chkC->isChecked());
        EXPECT_EQ(FormatFloat("#0.000", n.Series.Present() ? n.Series.Value : 0.0),
                  Frame->edL->text());
        EXPECT_EQ(FormatFloat("#0.0", n.Shunt.Present() ? n.Shunt.Value : 0.0), Frame->edC->text());
    }
    QTemporaryDir Settings;
};

} // namespace

TEST_F(NetworkWindowTest, FollowsClicksAndFrequency) {
    ClickAt(Frame, {600, 250});
    Frame->actNetworkDetails->trigger();
    TfrmNetwork* w = Frame->NetworkWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Síť"));
    EXPECT_DOUBLE_EQ(w->FrequencyMHz(), 7.0);
    ExpectPanelValues();
    for (const QPoint p : {QPoint(300, 500), QPoint(250, 200), QPoint(450, 420)}) {
        ClickAt(Frame, p);
        ExpectPanelValues();
    }
    const double l7 = w->Reports().front().Network.Series.Value;
    // A typed frequency takes effect at the next click, as in the panel.
    Frame->edFR->setText(QStringLiteral("14"));
    emit Frame->edFR->editingFinished();
    EXPECT_DOUBLE_EQ(w->FrequencyMHz(), 7.0);
    ClickAt(Frame, {450, 420});
    EXPECT_DOUBLE_EQ(w->FrequencyMHz(), 14.0);
    EXPECT_NEAR(w->Reports().front().Network.Series.Value, l7 / 2, 1e-12 * l7);
    // One window at a time.
    Frame->actNetworkDetails->trigger();
    EXPECT_EQ(Frame->NetworkWindow(), w);

    const QStringList lines = w->ContentText().split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1 + int(w->Reports().size()));
    for (const QString& line : lines) {
        EXPECT_EQ(line.count(u'\t'), lines.front().count(u'\t'));
        EXPECT_FALSE(line.contains(u',')) << line.toStdString();
    }
    // The copy gives the efficiency as the window shows it, in percent.
    const int eff = lines.front().split(u'\t').indexOf(QStringLiteral("účinnost [%]"));
    ASSERT_GE(eff, 0);
    int shown = -1;
    for (int c = 0; c < w->tbNetworks->columnCount(); ++c)
        if (w->tbNetworks->horizontalHeaderItem(c)->text() == QStringLiteral("účinnost")) shown = c;
    ASSERT_GE(shown, 0);
    EXPECT_EQ(w->tbNetworks->item(0, shown)->text(),
              lines[1].split(u'\t')[eff] + QStringLiteral(" %"));
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
}

TEST_F(NetworkWindowTest, BadInputsChangeNothingAndGoodOnesAreRemembered) {
    ClickAt(Frame, {300, 500});
    Frame->actNetworkDetails->trigger();
    TfrmNetwork* w = Frame->NetworkWindow();
    const double before = w->Reports().front().Stress.Efficiency;
    for (const char* bad : {"abc", "0", "-5", "1,5", ""}) {
        w->edQCoil->setText(QLatin1String(bad));
        emit w->edQCoil->editingFinished();
        EXPECT_EQ(TakeRecordedErrors().size(), 1) << bad;
        EXPECT_EQ(w->Options().Q.Coil, 200.0);
        EXPECT_EQ(w->Reports().front().Stress.Efficiency, before);
    }
    w->edQCoil->setText(QStringLiteral("50"));
    w->edPower->setText(QStringLiteral("1500"));
    w->cbSeries->setCurrentIndex(w->cbSeries->findText(QStringLiteral("E96")));
    emit w->edPower->editingFinished();
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
    EXPECT_LT(w->Reports().front().Stress.Efficiency, before);
    w->close();
    delete w;

    TfrmNetwork again;
    EXPECT_EQ(again.Options().Q.Coil, 50.0);
    EXPECT_EQ(again.Options().PowerW, 1500.0);
    EXPECT_EQ(again.Options().Series, TESeries::E96);
}

// A stored value passes the test a typed one does: inside the range it is
// used; outside, the default stands for it, and typed it is refused.
TEST_F(NetworkWindowTest, StoredAndTypedValuesShareTheirRanges) {
    using TGet = double (*)(const TDesignOptions&);
    const TGet coil = [](const TDesignOptions& o) { return o.Q.Coil; };
    const TGet capacitor = [](const TDesignOptions& o) { return o.Q.Capacitor; };
    const TGet power = [](const TDesignOptions& o) { return o.PowerW; };
    const TGet z0 = [](const TDesignOptions& o) { return o.Z0; };
    const struct {
        const char* key;
        QLineEdit* TfrmNetwork::*edit;
        TGet get;
        const char* text;
        double used; // the default where the text is refused
    } rows[] = {{"qCoil", &TfrmNetwork::edQCoil, coil, "1e-300", 200},
                {"qCoil", &TfrmNetwork::edQCoil, coil, "1000000", 1e6},
                {"qCapacitor", &TfrmNetwork::edQCapacitor, capacitor, "0.5", 1000},
                {"qCapacitor", &TfrmNetwork::edQCapacitor, capacitor, "1", 1},
                {"power", &TfrmNetwork::edPower, power, "1e300", 100},
                {"power", &TfrmNetwork::edPower, power, "10000000", 1e7},
                {"power", &TfrmNetwork::edPower, power, "0.001", 0.001},
                {"z0", &TfrmNetwork::edZ0, z0, "10001", 50},
                {"z0", &TfrmNetwork::edZ0, z0, "0.9", 50},
                {"z0", &TfrmNetwork::edZ0, z0, "abc", 50},
                {"z0", &TfrmNetwork::edZ0, z0, "75", 75}};
    const QString conf = QDir(Settings.path()).filePath(QStringLiteral("Pentarix/Pentarix.conf"));
    ASSERT_TRUE(QDir(Settings.path()).mkpath(QStringLiteral("Pentarix")));
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.key << " " << row.text);
        QFile file(conf);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray("[network]\n") + row.key + '=' + row.text + '\n');
        file.close();
        TfrmNetwork w;
        EXPECT_EQ(row.get(w.Options()), row.used);

        const QString text = QString::fromLatin1(row.text);
        QLineEdit* edit = w.*row.edit;
        edit->setText(text);
        emit edit->editingFinished();
        const QStringList errors = TakeRecordedErrors();
        const bool refused = row.used != QLocale::c().toDouble(text);
        ASSERT_EQ(errors.size(), refused ? 1 : 0);
        if (refused) {
            EXPECT_TRUE(errors.front().startsWith(u'\'' + text + u'\''))
                << errors.front().toStdString();
        }
        EXPECT_EQ(row.get(w.Options()), row.used);
    }
}

// Anything but a regular file in place of the settings is neither read nor
// written (a FIFO would hang the program); a link to a regular file is used.
TEST_F(NetworkWindowTest, SettingsThatAreNoRegularFileAreLeftAlone) {
    const QDir dir(Settings.path());
    ASSERT_TRUE(dir.mkpath(QStringLiteral("Pentarix")));
    const QString real = dir.filePath(QStringLiteral("real.conf"));
    QFile file(real);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[network]\nqCoil=50\n");
    file.close();
    const auto fifo = [](const QString& path) {
        return ::mkfifo(QFile::encodeName(path), 0600) == 0;
    };
    const auto folder = [](const QString& path) { return QDir().mkdir(path); };
    const auto link = [&](const QString& path) { return QFile::link(real, path); };
    const struct {
        const char* name;
        std::function<bool(const QString&)> make;
        double qCoil;
    } rows[] = {{"Pentarix/Pentarix.conf", fifo, 200},
                {"Pentarix.conf", fifo, 200},
                {"Pentarix/Pentarix.conf", folder, 200},
                {"Pentarix/Pentarix.conf", link, 50}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = dir.filePath(QLatin1String(row.name));
        ASSERT_TRUE(row.make(path));
        const QFileInfo before(path);
        {
            TfrmNetwork w;
            EXPECT_EQ(w.Options().Q.Coil, row.qCoil);
            w.edQCoil->setText(QStringLiteral("70"));
            emit w.edQCoil->editingFinished();
            EXPECT_TRUE(TakeRecordedErrors().isEmpty());
            EXPECT_EQ(w.Options().Q.Coil, 70.0);
        }
        EXPECT_EQ(QFileInfo(path).isFile(), before.isFile());
        EXPECT_TRUE(QFile::remove(path) || QDir().rmdir(path));
    }
}

// The detail pane follows the selected row, winds the coils it is given, is
// remembered, refuses a wire thicker than the pitch, and copies on its own.
TEST_F(NetworkWindowTest, PartsPaneFollowsTheSelectedNetwork) {
    ClickAt(Frame, {300, 500});
    Frame->actNetworkDetails->trigger();
    TfrmNetwork* w = Frame->NetworkWindow();
    TPartsPane* pane = w->pnParts;
    EXPECT_FALSE(pane->isVisibleTo(w));
    w->chkParts->setChecked(true);
    EXPECT_TRUE(pane->Text().startsWith(QStringLiteral("Síť 1: ")));
    EXPECT_TRUE(pane->Text().contains(QStringLiteral("Součástky z řady E12")));
    w->tbNetworks->setCurrentCell(1, 2);
    EXPECT_TRUE(pane->Text().startsWith(QStringLiteral("Síť 2: ")));
    const QString before = pane->Text();
    pane->edForm->setText(QStringLiteral("20"));
    pane->edWire->setText(QStringLiteral("1.5"));
    pane->cbToroid->setCurrentIndex(pane->cbToroid->findText(QStringLiteral("T-130-2")));
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
    EXPECT_TRUE(pane->Text().contains(QStringLiteral("toroid T-130-2")));
    EXPECT_TRUE(pane->Text().contains(QStringLiteral("vzduchová cívka")));
    pane->edPitch->setText(QStringLiteral("1"));
    emit pane->edPitch->editingFinished();
    EXPECT_EQ(TakeRecordedErrors().size(), 1);
    EXPECT_EQ(pane->Winding().Form->PitchMm, 1.5);
    pane->edPitch->clear();
    emit pane->edPitch->editingFinished();
    // Ctrl+A, Ctrl+C in the pane copies the pane, the table's copy stays the table's.
    pane->mmParts->setFocus();
    QTest::keyClick(pane->mmParts, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(pane->mmParts, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), pane->Text());
    EXPECT_NE(pane->Text(), before);
    w->close();
    delete w;

    TfrmNetwork again;
    EXPECT_EQ(again.pnParts->edForm->text(), QStringLiteral("20"));
    EXPECT_TRUE(again.chkParts->isChecked() && again.pnParts->isVisibleTo(&again));
    EXPECT_EQ(again.pnParts->Winding().Core->Name, std::string("T-130-2"));
}

// Over many loads every cell's text stays whole in its column (columns only
// widen, measured in the cell's own font), and the table's own cell drawing
// gives the same picture as the style's, a selected cell too.
TEST_F(NetworkWindowTest, CellsStayWholeAndLookAsTheStyleDrawsThem) {
    TfrmNetwork w;
    w.show();
    std::mt19937 random(5);
    std::uniform_real_distribution<double> r(0.5, 2000), x(-3000, 3000);
    QTableWidget* t = w.tbNetworks;
    for (int i = 0; i < 200; ++i) {
        w.SetLoad({r(random), x(random)}, 7.0);
        for (int row = 0; row < t->rowCount(); ++row)
            for (int c = 1; c < t->columnCount(); ++c) {
                const QTableWidgetItem* item = t->item(row, c);
                // The cell's font as drawn; a text margin each side and the grid line.
                const QFont font = item->font().resolve(t->font());
                ASSERT_LE(QFontMetrics(font).horizontalAdvance(item->text()) + 7, t->columnWidth(c))
                    << "load " << i << " row " << row << " column " << c;
            }
    }
    t->setCurrentCell(1, 2);
    const QImage own = t->grab().toImage();
    t->setItemDelegate(new QStyledItemDelegate(t));
    EXPECT_TRUE(own == t->grab().toImage());
}

// Typed as a user types, with the window active: a half-typed winding is no
// error and nothing typed is lost; bad text is told once, when its field is
// left; Ctrl+A, Ctrl+C copies what has the focus, the pane or the table.
TEST_F(NetworkWindowTest, WindingTypedKeyByKeyAndCopyFollowingTheFocus) {
    ClickAt(Frame, {300, 500});
    Frame->actNetworkDetails->trigger();
    TfrmNetwork* w = Frame->NetworkWindow();
    TPartsPane* pane = w->pnParts;
    w->chkParts->setChecked(true);
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    auto typeAndTab = [](QLineEdit* field, const QString& text) {
        QTest::mouseClick(field, Qt::LeftButton);
        ASSERT_EQ(QApplication::focusWidget(), field);
        QTest::keyClicks(QApplication::focusWidget(), text);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    };
    typeAndTab(pane->edForm, QStringLiteral("20"));
    EXPECT_EQ(TakeRecordedErrors(), QStringList());
    EXPECT_FALSE(pane->Winding().Form);
    typeAndTab(pane->edWire, QStringLiteral("1.5"));
    EXPECT_EQ(TakeRecordedErrors(), QStringList());
    ASSERT_TRUE(pane->Winding().Form);
    EXPECT_EQ(pane->Winding().Form->FormMm, 20.0);
    EXPECT_EQ(pane->Winding().Form->WireMm, 1.5);
    EXPECT_TRUE(pane->Text().contains(QStringLiteral("vzduchová cívka")));
    // Bad text: told once, kept in its field and remembered; the coil stays.
    typeAndTab(pane->edPitch, QStringLiteral("1x"));
    EXPECT_EQ(
        TakeRecordedErrors(),
        QStringList{ErrorBoxText(QStringLiteral("'1x' is not a valid floating point value"))});
    QTest::mouseClick(pane->edForm, Qt::LeftButton);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(TakeRecordedErrors(), QStringList());
    EXPECT_EQ(pane->edPitch->text(), QStringLiteral("1x"));
    EXPECT_EQ(pane->Winding().Form->PitchMm, 1.5);
    {
        TfrmNetwork again;
        EXPECT_EQ(again.pnParts->edPitch->text(), QString()); // not a number: the default
        EXPECT_EQ(again.pnParts->edWire->text(), QStringLiteral("1.5"));
    }

    QTest::mouseClick(pane->mmParts->viewport(), Qt::LeftButton);
    ASSERT_EQ(QApplication::focusWidget(), pane->mmParts);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), pane->Text());
    QTest::mouseClick(w->tbNetworks->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_EQ(QApplication::focusWidget(), w->tbNetworks);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), w->ContentText());
    EXPECT_EQ(TakeRecordedErrors(), QStringList());
}

// Winding values outside their ranges, typed, given as options or stored:
// refused where typed (the field's message, the option's name), dropped for
// the defaults when read back, and no inductance <= 0 is ever wound.
TEST_F(NetworkWindowTest, HostileWindingValuesAreRefusedTypedGivenOrStored) {
    struct THostile {
        const char* Form;
        const char* Wire;
        const char* Pitch;
        const char* Option; // the option the command line names
        QString Message;    // the field's, in Czech
    };
    const QString form = QStringLiteral("kostra musí mít průměr 2 až 300 mm");
    const QString wire = QStringLiteral("drát musí mít průměr 0.05 až 10 mm");
    const QString pitch = QStringLiteral("stoupání musí být od průměru drátu do 50 mm");
    const THostile cases[] = {
        {"1000", "1", "", "--coil-form", form}, {"1", "0.5", "", "--coil-form", form},
        {"20", "1e-300", "", "--wire", wire},   {"20", "1e-7", "", "--wire", wire},
        {"20", "11", "", "--wire", wire},       {"20", "1", "60", "--pitch", pitch},
        {"20", "1", "-1", "--pitch", pitch},
    };
    ClickAt(Frame, {300, 500});
    for (const THostile& c : cases) {
        SCOPED_TRACE(std::string(c.Form) + " " + c.Wire + " " + c.Pitch);
        // Typed: the bad field's message, once.
        TfrmNetwork typed;
        typed.chkParts->setChecked(true);
        TPartsPane* pane = typed.pnParts;
        const QString texts[] = {c.Form, c.Wire, c.Pitch};
        QLineEdit* fields[] = {pane->edForm, pane->edWire, pane->edPitch};
        for (int i = 0; i < 3; ++i) {
            fields[i]->setText(texts[i]);
            emit fields[i]->editingFinished();
        }
        const QStringList errors = TakeRecordedErrors();
        ASSERT_EQ(errors.size(), 1);
        EXPECT_TRUE(errors[0].endsWith(c.Message + u'.')) << errors[0].toStdString();
        // The last good coil may stay; nothing outside the ranges is wound.
        auto windable = [](const std::optional<TAirCoilForm>& f) {
            return !f || (!FormFault(*f) && ValidFormMm(f->FormMm) && ValidWireMm(f->WireMm) &&
                          ValidPitchMm(f->PitchMm));
        };
        EXPECT_TRUE(windable(pane->Winding().Form));
        // Stored (as the typed texts were saved): the default for the bad one, no error.
        const int bad = QStringList{"--coil-form", "--wire", "--pitch"}.indexOf(c.Option);
        TfrmNetwork stored;
        QLineEdit* storedFields[] = {stored.pnParts->edForm, stored.pnParts->edWire,
                                     stored.pnParts->edPitch};
        EXPECT_EQ(storedFields[bad]->text(), QString());
        EXPECT_TRUE(windable(stored.pnParts->Winding().Form));
        EXPECT_TRUE(windable(TfrmNetwork::SavedWinding().Form));
        EXPECT_EQ(TakeRecordedErrors(), QStringList());
        // Given as options: the option named, nothing printed.
        QStringList args = {"-f",  "7",           "-r",   "25",     "-x",
                            "-30", "--coil-form", c.Form, "--wire", c.Wire};
        if (*c.Pitch) args << "--pitch" << c.Pitch;
        const TRun r = Match(args);
        EXPECT_EQ(r.Status, 2);
        EXPECT_EQ(r.Out, QString());
        EXPECT_TRUE(r.Err.startsWith(QStringLiteral("pentarix-match: ") + c.Option + ": '"))
            << r.Err.toStdString();
    }
    // Every form within the ranges winds positive inductances only.
    std::mt19937 random(11);
    auto logUniform = [&](double lo, double hi) {
        return lo * std::pow(hi / lo, std::uniform_real_distribution<double>(0, 1)(random));
    };
    for (int i = 0; i < 2000; ++i) {
        TAirCoilForm f;
        f.WireMm = logUniform(MinWireMm, MaxWireMm);
        f.FormMm = logUniform(std::max(MinFormMm, f.WireMm), MaxFormMm);
        f.PitchMm = logUniform(f.WireMm, MaxPitchMm);
        const double uH = logUniform(1e-4, 1e4);
        if (const std::optional<TAirCoil> coil = WindAirCoil(uH, f)) {
            EXPECT_GT(coil->InductanceUh, 0.0)
                << f.FormMm << " " << f.WireMm << " " << f.PitchMm << " " << uH;
        }
    }
}

// A settings file far larger than Pentarix writes is set aside with ".bad",
// said once, and the defaults are used; one of the limit is read as before.
TEST_F(NetworkWindowTest, AnOversizedSettingsFileIsSetAsideOnce) {
    const QDir dir(Settings.path());
    ASSERT_TRUE(dir.mkpath(QStringLiteral("Pentarix")));
    const QString path = dir.filePath(QStringLiteral("Pentarix/Pentarix.conf"));
    for (const qint64 size : {qint64(1024 * 1024), qint64(1024 * 1024 + 1)}) {
        SCOPED_TRACE(size);
        QByteArray bytes = "[network]\nqCoil=50\n";
        bytes += "; " + QByteArray(size - bytes.size() - 3, 'x') + '\n';
        ASSERT_EQ(bytes.size(), size);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        const bool over = size > 1024 * 1024;
        {
            TfrmNetwork w;
            EXPECT_EQ(w.Options().Q.Coil, over ? 200.0 : 50.0);
        }
        const QStringList errors = TakeRecordedErrors();
        ASSERT_EQ(errors.size(), over ? 1 : 0);
        if (over) {
            EXPECT_TRUE(
                errors[0].startsWith(QStringLiteral("Soubor nastavení '%1' je větší než 1 MiB")
                                         .arg(QDir::toNativeSeparators(path))))
                << errors[0].toStdString();
            EXPECT_EQ(QFileInfo(path + QStringLiteral(".bad")).size(), size);
            EXPECT_LT(QFileInfo(path).size(), 4096);
            TfrmNetwork again;
            EXPECT_EQ(TakeRecordedErrors(), QStringList());
        }
    }
}
