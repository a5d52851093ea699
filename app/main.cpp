#include "SmithTest.h"
#include "commandline.h"
#include "paintbox.h"
#include "qtczech.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

namespace {

// Measuring hook for the start-up benchmark (bench/bench_startup.cpp): with
// PENTARIX_EXIT_AFTER_FIRST_PRESENT=1 the program quits once the paint box has
// painted its first presented chart.
class TExitAfterFirstPresent : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            if (auto* box = qobject_cast<TPaintBox*>(watched); box && box->PresentCount() > 0)
                QTimer::singleShot(0, qApp, &QCoreApplication::quit); // after this paint
        return false;
    }
};

// Prints what the command line asks for; the exit status, or -1 to go on.
int Answer(const TCommandLine& line) {
    switch (line.Action) {
    case TCommandLine::TAction::Run:
        return -1;
    case TCommandLine::TAction::Error:
        std::fprintf(stderr, "%s\n", qPrintable(line.Message));
        return 2;
    default:
        std::printf("%s\n", qPrintable(line.Message));
        return 0;
    }
}

} // namespace

int main(int argc, char** argv) {
    // The long options first, so that --help and --version work without a display.
    QStringList longOptions;
    for (int i = 1; i < argc && qstrcmp(argv[i], "--") != 0; ++i)
        if (qstrncmp(argv[i], "--", 2) == 0 || qstrcmp(argv[i], "-h") == 0)
            longOptions << QString::fromLocal8Bit(argv[i]);
    if (const int status = Answer(ParseCommandLine(longOptions)); status >= 0) return status;

    QApplication app(argc, argv);
    // What Qt left of the arguments once it took its own options.
    const TCommandLine line = ParseCommandLine(QCoreApplication::arguments().mid(1));
    if (const int status = Answer(line); status >= 0) return status;
    const std::unique_ptr<QTranslator> czech = LoadQtCzech();
    if (czech) QCoreApplication::installTranslator(czech.get());
    TExitAfterFirstPresent exitHook;
    if (qgetenv("PENTARIX_EXIT_AFTER_FIRST_PRESENT") == "1") app.installEventFilter(&exitHook);
    TForm1 form;
    if (!line.File.isEmpty()) form.OpenAtStart(line.File);
    form.RememberDocks();
    form.show();
    return app.exec();
}
