#pragma once
// The main window: an almost empty shell that, when first shown, fixes the
// number format and creates the tuner frame, which holds everything else.

#include "vSmith.h"

#include <QWidget>

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);

    QWidget* Panel1;
    TvSmithChart* FTunerFrame = nullptr;

    void FormShow();
    void FormPaint();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void KeepBottomPanelWhole();
    bool FShown = false;
};
