#pragma once
// The real main window with its frame, and a real click on the chart.

#include "SmithTest.h"

#include <QCursor>
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
