#include "fData.h"

#include "apperror.h"
#include "layer.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

TfrmData::TfrmData(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("Data"));
    // Only the main window keeps the program running.
    setAttribute(Qt::WA_QuitOnClose, false);
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), font.defaultFamily()});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    setFont(font);
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
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
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
