#include "SmithTest.h"
#include "paintbox.h"
#include "qtczech.h"

#include <QApplication>
#include <QTimer>

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

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::unique_ptr<QTranslator> czech = LoadQtCzech();
    if (czech) QCoreApplication::installTranslator(czech.get());
    TExitAfterFirstPresent exitHook;
    if (qgetenv("PENTARIX_EXIT_AFTER_FIRST_PRESENT") == "1") app.installEventFilter(&exitHook);
    TForm1 form;
    form.show();
    return app.exec();
}
