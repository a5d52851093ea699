#include "SmithTest.h"

#include "apperror.h"
#include "windowstyle.h"

#include <QLocale>
#include <QTimer>
#include <QWindow>
#include <algorithm>

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Pentarix"));
    setFont(DesignFont(10));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ColorToRgb(clBtnFace));
    setPalette(pal);
    resize(823, 772);

    Panel1 = new QWidget(this);
    Panel1->setGeometry(0, 0, 823, 772);
    QPalette panelPal = Panel1->palette();
    panelPal.setColor(QPalette::Window, ColorToRgb(clWhite));
    Panel1->setPalette(panelPal);
    Panel1->setAutoFillBackground(true);
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (FShown) return;
    FShown = true;
    CenterOnScreen(this);
    Guarded([this] { FormShow(); });
}

void TForm1::FormShow() {
    // "." for every number shown or typed, whatever the regional settings say.
    QLocale::setDefault(QLocale::c());
    // Created inside the window, so that its labels fit their text in the
    // window's font from the start.
    auto* frame = new TvSmithChart(Panel1->parentWidget());
    FTunerFrame = frame;
    frame->setGeometry(rect());
    frame->show();
    frame->CreateChart();
    KeepBottomPanelWhole();
}

// The user cannot shrink the window below the size at which the bottom
// panel's controls stay whole, measured as laid out in the window's real font;
// the design size always fits. Set on the native window, so that the window
// manager enforces it while the program's own resizes stay free.
void TForm1::KeepBottomPanelWhole() {
    const QWidget* panel = FTunerFrame->pnBottom;
    int right = 0;
    for (const QWidget* child : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        right = std::max(right, child->geometry().right() + 1);
    // The first label's left margin, on the right as well.
    const int margin = FTunerFrame->Label1->x();
    if (QWindow* window = windowHandle())
        window->setMinimumSize(QSize(std::min(right + margin, width()), panel->height()));
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Panel1->setGeometry(rect());
    if (FTunerFrame) FTunerFrame->setGeometry(rect());
}

void TForm1::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    // Right after the paint, not inside it: the redraw presents to the paint box.
    QTimer::singleShot(0, this, [this] { Guarded([this] { FormPaint(); }); });
}

void TForm1::FormPaint() {
    if (FTunerFrame) FTunerFrame->RedrawChart();
}
