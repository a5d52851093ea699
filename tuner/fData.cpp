#include "fData.h"

#include "apperror.h"
#include "layer.h"
#include "windowstyle.h"

#include <QCloseEvent>

TfrmData::TfrmData(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("Data"));
    // Only the main window keeps the program running.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFont(DesignFont(11));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ColorToRgb(clWindow));
    setPalette(pal);
    setAutoFillBackground(true);
    resize(250, 506);

    meData = new QPlainTextEdit(this);
    meData->setGeometry(0, 0, 250, 506);
    meData->setReadOnly(true);
    meData->setFrameShape(QFrame::NoFrame);
    meData->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    meData->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette memoPal = meData->palette();
    memoPal.setColor(QPalette::Base, ColorToRgb(clBtnFace));
    meData->setPalette(memoPal);
}

void TfrmData::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (FPlaced) return;
    FPlaced = true;
    CenterOnScreen(this);
}

void TfrmData::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    meData->setGeometry(rect());
}

void TfrmData::closeEvent(QCloseEvent* event) {
    event->accept();
    Guarded([this] { FormClose(); });
}

void TfrmData::FormClose() {
    // Freed once it has closed; the frame forgets it through FOnClosed.
    setAttribute(Qt::WA_DeleteOnClose, true);
    if (FOnClosed) FOnClosed();
}
