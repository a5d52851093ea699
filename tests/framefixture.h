#pragma once
// The real main window with its frame, a real click on the chart, and the
// data windows the sweeps open.

#include "SmithTest.h"
#include "testsupport.h"

#include <QApplication>
#include <QCursor>
#include <QList>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

inline std::unique_ptr<TForm1> ShowMainWindow() {
    auto form = std::make_unique<TForm1>();
    form->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    return form;
}

// The handler reads the pointer position itself, so the pointer goes there first.
inline void ClickAt(TvSmithChart* frame, QPoint p) {
    QCursor::setPos(frame->pbSmith->mapToGlobal(p));
    ASSERT_EQ(frame->pbSmith->mapFromGlobal(QCursor::pos()), p) << "the platform ignores setPos";
    QTest::mouseClick(frame->pbSmith, Qt::LeftButton, {}, p);
}

// Every data window the sweeps opened, shown or not.
inline QList<TfrmData*> AllDataWindows() {
    QList<TfrmData*> list;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<TfrmData*>(w)) list.append(d);
    return list;
}

// Closed data windows free themselves later; this lets them go now.
inline void FlushDeferredDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

inline void CloseAllDataWindows() {
    for (TfrmData* w : AllDataWindows())
        w->close();
    FlushDeferredDeletes();
}

// The main window shown, errors recorded instead of boxed; data windows closed after.
class MainWindowTest : public testing::Test {
protected:
    void SetUp() override {
        InstallErrorRecorder();
        TakeRecordedErrors();
        Form = ShowMainWindow();
        Frame = Form->FTunerFrame;
    }
    void TearDown() override { CloseAllDataWindows(); }
    std::unique_ptr<TForm1> Form;
    TvSmithChart* Frame = nullptr;
};
