// The main window's menu bar over the frame, its help windows, and the
// program's command line.
#include "commandline.h"
#include "framefixture.h"
#include "helpwindows.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

using A = TCommandLine::TAction;

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& body) {
    QFile f(dir.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(body);
    return f.fileName();
}

class MainMenuTest : public MainWindowTest {};

} // namespace

TEST_F(MainMenuTest, EveryEntryInItsMenuWithItsShortcutAndTheChartMenuWhole) {
    struct Entry {
        QMenu* Menu;
        QString Text, Keys;
    };
    const Entry table[] = {
        {Form->mnFile, "Otevřít měření…", "Ctrl+O"},
        {Form->mnFile, "Zavřít měření", ""},
        {Form->mnFile, "Analyzátor…", "Ctrl+Shift+A"},
        {Form->mnFile, "Uložit obrázek…", "Ctrl+S"},
        {Form->mnFile, "Kopírovat obrázek", "Ctrl+Shift+C"},
        {Form->mnFile, "Uložit návrh…", "Ctrl+Shift+S"},
        {Form->mnFile, "Konec", "Ctrl+Q"},
        {Form->mnEdit, "Zpět", "Ctrl+Z"},
        {Form->mnEdit, "Znovu", "Ctrl+Shift+Z, Ctrl+Y"},
        {Form->mnEdit, "Smazat body a oblouky", ""},
        {Form->mnDesign, "Detaily sítě…", "Ctrl+D"},
        {Form->mnDesign, "Tabulka pásma…", ""},
        {Form->mnDesign, "Průběh PSV…", ""},
        {Form->mnDesign, "Návrh ladicího členu…", ""},
        {Form->mnDesign, "Napáječ…", "Ctrl+L"},
        {Form->mnDesign, "Ladicí člen…", "Ctrl+T"},
        {Form->mnDesign, "Ladicí člen v pásmu…", ""},
        {Form->mnHelp, "Klávesové zkratky", ""},
        {Form->mnHelp, "O programu", ""},
    };
    QList<QAction*> listed;
    for (const Entry& e : table) {
        SCOPED_TRACE(e.Text.toStdString());
        QAction* found = nullptr;
        for (QAction* a : e.Menu->actions())
            if (a->text() == e.Text) found = a;
        ASSERT_NE(found, nullptr);
        QStringList keys;
        for (const QKeySequence& k : found->shortcuts())
            keys << k.toString(QKeySequence::PortableText);
        EXPECT_EQ(keys.join(", "), e.Keys);
        EXPECT_TRUE(found->isShortcutVisibleInContextMenu() || found->shortcuts().isEmpty());
        listed << found;
    }
    const QStringList titles = {"Soubor", "Úpravy", "Návrh", "Nápověda"};
    QStringList shown;
    for (QAction* a : Form->MainMenu->actions())
        shown << a->text();
    EXPECT_EQ(shown, titles);
    // The same actions as the right-click menu, so that enabling and keys are shared.
    for (QAction* a : Frame->ChartMenu()->actions())
        EXPECT_TRUE(a->isSeparator() || listed.contains(a)) << a->text().toStdString();
    // The shortcut list names every key of the menus, and the two that act elsewhere.
    int withKeys = 0;
    for (QAction* a : listed)
        withKeys += !a->shortcuts().isEmpty();
    EXPECT_EQ(ShortcutRows(listed).size(), withKeys + 2);
    EXPECT_TRUE(AboutText(PENTARIX_VERSION).contains(QStringLiteral("Pentarix " PENTARIX_VERSION)));
}

TEST_F(MainMenuTest, EntriesThatCannotActAreDisabled) {
    const auto state = [&] {
        return std::vector<bool>{Frame->actUndo->isEnabled(), Frame->actRedo->isEnabled(),
                                 Frame->actClear->isEnabled(), Frame->actBandTable->isEnabled(),
                                 Frame->actCloseMeasurement->isEnabled()};
    };
    EXPECT_EQ(state(), (std::vector<bool>{false, false, false, false, false}));
    ClickAt(Frame, {500, 300});
    EXPECT_EQ(state(), (std::vector<bool>{true, false, true, false, false}));
    Frame->Undo();
    EXPECT_EQ(state(), (std::vector<bool>{false, true, false, false, false}));
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
}

TEST_F(MainMenuTest, FrameKeepsItsSizeAndEveryChartPixelUnderTheMenuBar) {
    const int menu = Form->MainMenu->height();
    EXPECT_GT(menu, 0);
    EXPECT_EQ(Form->size(), QSize(823, 772 + menu));
    EXPECT_EQ(Frame->geometry(), QRect(0, menu, 823, 772));
    EXPECT_EQ(Form->MainMenu->geometry(), QRect(0, 0, 823, menu));

    // The same click and sweep on a frame of its own, with no menu bar above it.
    TvSmithChart bare;
    bare.resize(823, 772);
    bare.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bare));
    bare.CreateChart();
    bare.RedrawChart();
    for (TvSmithChart* f : {Frame, &bare}) {
        ClickAt(f, {530, 280});
        f->Button1Click();
    }
    QApplication::processEvents();
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
    EXPECT_EQ(Frame->pbSmith->geometry(), bare.pbSmith->geometry());
    EXPECT_EQ(Frame->Picture(), bare.Picture());
    EXPECT_EQ(Frame->edL->text(), bare.edL->text());
}

TEST(MainMenuStart, AFileOnTheCommandLineOpensAsCtrlODoesAndABadOneIsReported) {
    InstallErrorRecorder();
    TakeRecordedErrors();
    QTemporaryDir dir;
    const QString good = WriteFile(dir, "dipole.s1p", "# MHz Z RI R 50\n7.0 1 0.5\n7.1 1.2 0.8\n");
    const QString bad = WriteFile(dir, "bad.s1p", "# MHz S RI\n7 0.1 0.2\n7.1 0.3\n");
    for (const QString& path : {good, bad}) {
        SCOPED_TRACE(path.toStdString());
        TForm1 form;
        form.OpenAtStart(path);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        QStringList errors;
        EXPECT_TRUE(QTest::qWaitFor([&] {
            errors += TakeRecordedErrors();
            return !errors.isEmpty() || form.FTunerFrame->Measurement().has_value();
        }));
        if (path == good) {
            EXPECT_TRUE(errors.isEmpty());
            EXPECT_EQ(form.FTunerFrame->Chart()->Trace().size(), 2u);
            EXPECT_TRUE(form.FTunerFrame->actBandTable->isEnabled());
        } else {
            ASSERT_EQ(errors.size(), 1);
            EXPECT_TRUE(errors[0].contains("bad.s1p")) << errors[0].toStdString();
            EXPECT_TRUE(form.FTunerFrame->Chart()->Trace().empty());
            EXPECT_TRUE(form.isVisible());
        }
    }
}

TEST(MainMenuStart, CommandLine) {
    struct Case {
        QStringList Args;
        A Action;
        QString File;
    };
    const Case cases[] = {
        {{}, A::Run, ""},
        {{"ant.s1p"}, A::Run, "ant.s1p"},
        {{"--", "-odd.s1p"}, A::Run, "-odd.s1p"},
        {{"--help"}, A::Help, ""},
        {{"-h", "ant.s1p"}, A::Help, ""},
        {{"--version"}, A::Version, ""},
        {{"--frobnicate"}, A::Error, ""},
        {{"-x"}, A::Error, ""},
        {{"a.s1p", "b.s1p"}, A::Error, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Args.join(' ').toStdString());
        const TCommandLine line = ParseCommandLine(c.Args);
        EXPECT_EQ(line.Action, c.Action);
        EXPECT_EQ(line.File, c.File);
        // Every answer is a line or two, never empty; a run prints nothing.
        EXPECT_EQ(line.Message.isEmpty(), c.Action == A::Run);
        EXPECT_LE(line.Message.count('\n'), 1);
    }
    EXPECT_EQ(ParseCommandLine({"--version"}).Message, "pentarix " PENTARIX_VERSION);
}
