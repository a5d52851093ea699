#include "fData.h"

#include "apperror.h"
#include "layer.h"
#include "savefile.h"
#include "windowstyle.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QStandardPaths>
#include <QStyle>
#include <memory>
#include <stdexcept>

TfrmData::TfrmData(QWidget* parent) : QWidget(parent, ToolWindowFlags) {
    StyleToolWindow(this, QStringLiteral("Data"), 11);
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
    // The memo's own menu, with saving the table added to it.
    meData->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(meData, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        std::unique_ptr<QMenu> menu(meData->createStandardContextMenu());
        menu->addSeparator();
        connect(menu->addAction(QStringLiteral("Uložit tabulku…")), &QAction::triggered, this,
                [this] { Guarded([this] { SaveTableAs(); }); });
        menu->exec(meData->mapToGlobal(pos));
    });
}

void TfrmData::CascadeFrom(TfrmData* previous) {
    FCascadeFrom = previous;
}

void TfrmData::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (FPlaced) return;
    FPlaced = true;
    const TfrmData* previous = FCascadeFrom.data();
    if (!previous || !previous->isVisible()) {
        PlaceAlone();
        return;
    }
    // The window manager's title bar where there is one, else the style's.
    int step = previous->geometry().top() - previous->frameGeometry().top();
    if (step <= 0) step = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    const QPoint target = previous->frameGeometry().topLeft() + QPoint(step, step);
    const QScreen* screen =
        previous->screen() ? previous->screen() : QGuiApplication::primaryScreen();
    // Past the screen's edge the cascade starts again from the centre.
    if (screen && !screen->availableGeometry().contains(QRect(target, frameGeometry().size())))
        PlaceAlone();
    else
        move(target);
}

void TfrmData::PlaceAlone() {
    CenterOnScreen(this);
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (FKeepClear.empty() || !screen) return;
    const QPoint centred = frameGeometry().topLeft();
    const QPoint place = LeastCoveringPlace(frameGeometry().size(), screen->availableGeometry(),
                                            FKeepClear, centred);
    move(pos() + place - centred);
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

void TfrmData::SaveTableAs() {
    const QString folder = ExistingFolderOrHome(QStandardPaths::DocumentsLocation);
    const QString name =
        QStringLiteral("pentarix-%1.txt")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Uložit tabulku"),
                                     QDir(folder).filePath(name), QStringLiteral("Text (*.txt)"));
    if (!path.isEmpty()) SaveTable(path);
}

void TfrmData::SaveTable(const QString& path) {
    try {
        SaveAtomically(path, (meData->toPlainText() + u'\n').toUtf8());
    } catch (const ESaveError& e) {
        // With the file system's reason, as the picture and the page say it.
        throw std::runtime_error(
            QStringLiteral("Tabulku nelze uložit do '%1': %2")
                .arg(QDir::toNativeSeparators(path), QString::fromStdString(e.what()))
                .toStdString());
    }
}
