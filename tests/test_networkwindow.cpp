// The network details window driven through the frame: it follows clicks and
// the frequency, shows the chart's network as the panel does, copies as text.
#include "framefixture.h"
#include "numtext.h"
#include "testsupport.h"

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
