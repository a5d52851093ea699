#include "SmithTest.h"

#include "apperror.h"
#include "paintbox.h"
#include "windowstyle.h"

#include <QLocale>

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
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Panel1->setGeometry(rect());
    if (FTunerFrame) FTunerFrame->setGeometry(rect());
}

void TForm1::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    ++TPaintBox::PaintDepth;
    Guarded([this] { FormPaint(); });
    --TPaintBox::PaintDepth;
}

void TForm1::FormPaint() {
    if (FTunerFrame) FTunerFrame->RedrawChart();
}
