#pragma once
// The data window: a small stay-on-top window whose read-only memo holds the
// table of one LC-PSV sweep, for the user to select and copy.

#include "windowstyle.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QWidget>
#include <functional>

class TfrmData : public QWidget {
    Q_OBJECT
public:
    explicit TfrmData(QWidget* parent = nullptr);

    QPlainTextEdit* meData;
    std::function<void()> FOnClosed;

    // At its first show the window opens one title bar's height below and to
    // the right of previous, if that is still on screen, instead of centred:
    // a new sweep's table must not hide exactly behind the last one.
    void CascadeFrom(TfrmData* previous);
    // Where no previous window leads, the window opens where it covers least
    // of these (the disc, the panel), nearest the screen's centre; without
    // them it is centred.
    void KeepClearOnFirstShow(std::vector<TKeepClear> keepClear) {
        FKeepClear = std::move(keepClear);
    }
    // The lines exactly as shown, UTF-8, one per line; a failed write leaves
    // no file and goes to the error path.
    void SaveTable(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FormClose();
    void SaveTableAs();
    void PlaceAlone();
    bool FPlaced = false;
    QPointer<TfrmData> FCascadeFrom;
    std::vector<TKeepClear> FKeepClear;
};
