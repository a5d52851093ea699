// "Uložit návrh…": the saved page, read back as a reader of the PDF sees it.
#include "framefixture.h"
#include "numtext.h"
#include "partspane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>

namespace {

class DesignPageTest : public MainWindowTest {
protected:
    void SetUp() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Settings.path());
        MainWindowTest::SetUp();
    }
    // A poppler tool's output with every run of white space one blank, as text
    // flows differently in a PDF than on the screen.
    static QString Poppler(const QString& tool, const QStringList& args) {
        QProcess p;
        p.start(tool, args);
        EXPECT_TRUE(p.waitForFinished(30000)) << tool.toStdString();
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return QString::fromUtf8(p.readAllStandardOutput()).simplified();
    }
    QTemporaryDir Settings;
    QTemporaryDir Dir;
};

} // namespace

// The page holds what the user picked in "Síť": its network, the values for
// lossy parts, the pair, the turns and the ratings, beside the frequency and
// the load; without a load there is nothing to save.
TEST_F(DesignPageTest, PageHoldsTheChosenNetworkAndItsParts) {
    EXPECT_FALSE(Frame->actSaveDesign->isEnabled());
    ClickAt(Frame, {300, 500});
    ASSERT_TRUE(Frame->actSaveDesign->isEnabled());
    Frame->actNetworkDetails->trigger();
    TfrmNetwork* w = Frame->NetworkWindow();
    w->chkParts->setChecked(true);
    w->pnParts->edForm->setText(QStringLiteral("25"));
    w->pnParts->edWire->setText(QStringLiteral("1.2"));
    w->pnParts->cbToroid->setCurrentIndex(w->pnParts->cbToroid->findText(QStringLiteral("T-106-2")));
    w->tbNetworks->setCurrentCell(1, 2);
    ASSERT_TRUE(TakeRecordedErrors().isEmpty());

    const QString path = Dir.filePath(QStringLiteral("návrh.pdf"));
    Frame->SaveDesign(path);
    EXPECT_TRUE(Poppler(QStringLiteral("pdfinfo"), {path}).contains(QStringLiteral("(A4)")));
    const QString text = Poppler(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});

    const TNetworkReport& rep = w->Reports()[1];
    const TPartsReport parts = BuildParts(rep, w->Load(), w->FrequencyMHz(), w->Options(), w->Winding());
    ASSERT_TRUE(parts.HasLossyExact && parts.HasAsBuilt);
    QStringList expected = {
        QStringLiteral("Kmitočet ") + Fmt("#0.000", Frame->Frequency()) + QStringLiteral(" MHz"),
        QStringLiteral("R = ") + Fmt("#0.000", w->Load().R) + QStringLiteral(" ohm"),
        QStringLiteral("Síť 2: ") + QString::fromUtf8(KindNameCs(rep.Network)),
        QStringLiteral("Pentarix " PENTARIX_VERSION),
    };
    for (const auto& [designed, lossy, built] :
         {std::tuple{rep.Network.Series, parts.LossyExact.Series, parts.Series},
          std::tuple{rep.Network.Shunt, parts.LossyExact.Shunt, parts.Shunt}}) {
        if (!designed.Present()) continue;
        expected << ElementValueCs(designed) << ElementValueCs(lossy)
                 << ElementValueCs({built.Pair.Kind, built.Pair.Value});
        if (built.Winding) expected << Fmt("#0.0", built.Winding->Turns) + QStringLiteral(" závit");
        if (built.Toroid) expected << QStringLiteral("toroid T-106-2: %1 závit").arg(built.Toroid->Turns);
        if (built.RatingV) expected << Fmt("#0", *built.RatingV) + QStringLiteral(" V");
    }
    for (const QString& e : expected)
        EXPECT_TRUE(text.contains(e)) << e.toStdString() << "\n in: " << text.toStdString();

    // A folder that is not there: a message, and no file left behind.
    const QString missing = Dir.filePath(QStringLiteral("není/návrh.pdf"));
    EXPECT_THROW(Frame->SaveDesign(missing), std::runtime_error);
    EXPECT_FALSE(QFileInfo::exists(missing));

    // Nothing to design: disabled again once the load is taken back.
    Frame->actUndo->trigger();
    EXPECT_FALSE(Frame->actSaveDesign->isEnabled());
}
