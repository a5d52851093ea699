// Where the windows go: the main window's smallest size and the data windows'
// cascade.
#include "SmithTest.h"
#include "fData.h"
#include "testsupport.h"

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>
#include <memory>

namespace {

QList<TfrmData*> DataWindows() {
    QList<TfrmData*> list;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<TfrmData*>(w); d && d->isVisible()) list.append(d);
    return list;
}

class PlacementTest : public ::testing::Test {
protected:
    void SetUp() override {
        TakeRecordedErrors();
        form = std::make_unique<TForm1>();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        frame = form->FTunerFrame;
        ASSERT_NE(frame, nullptr);
        frame->Chart()->SetSize(32, 32); // the windows are under test, not the pictures
    }
    void TearDown() override {
        for (TfrmData* w : DataWindows())
            w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(TakeRecordedErrors().isEmpty());
    }
    TfrmData* Sweep() {
        const QList<TfrmData*> before = DataWindows();
        QTest::mouseClick(frame->Button1, Qt::LeftButton);
        for (TfrmData* w : DataWindows())
            if (!before.contains(w)) return w;
        return nullptr;
    }

    std::unique_ptr<TForm1> form;
    TvSmithChart* frame = nullptr;
};

} // namespace

TEST_F(PlacementTest, MainWindowShrinksNoFurtherThanTheWholeBottomPanel) {
    const int menu = form->MainMenu->height();
    const QSize design(823, 772 + menu);
    ASSERT_EQ(form->size(), design);
    ASSERT_NE(form->windowHandle(), nullptr);
    // What the window manager lets the user shrink the window to.
    const QSize smallest = form->windowHandle()->minimumSize();
    EXPECT_LE(smallest.width(), design.width());
    EXPECT_EQ(smallest.height(), menu + frame->pnBottom->height());

    const auto controls = frame->pnBottom->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    int right = 0;
    for (const QWidget* child : controls)
        right = std::max(right, child->geometry().right() + 1);
    // The panel's content decides, not an arbitrary number.
    EXPECT_GT(smallest.width(), right);
    EXPECT_LE(smallest.width(), right + frame->Label1->x());

    form->resize(smallest);
    QCoreApplication::processEvents();
    for (const QWidget* child : controls)
        EXPECT_TRUE(form->rect().contains(QRect(child->mapTo(form.get(), QPoint(0, 0)), child->size())))
            << child->metaObject()->className() << " " << child->objectName().toStdString();
}

TEST_F(PlacementTest, DataWindowsCascadeWhileOpenAndCentreAgainOnceClosed) {
    TfrmData* first = Sweep();
    ASSERT_NE(first, nullptr);
    const QPoint centred = first->pos();
    TfrmData* second = Sweep();
    ASSERT_NE(second, nullptr);
    const QPoint step = second->pos() - first->pos();
    EXPECT_GT(step.x(), 0);
    EXPECT_EQ(step.x(), step.y());
    // Follows the last window where the user moved it.
    second->move(second->pos() + QPoint(-40, 25));
    TfrmData* third = Sweep();
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->pos(), second->pos() + step);

    for (TfrmData* w : DataWindows())
        w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    TfrmData* alone = Sweep();
    ASSERT_NE(alone, nullptr);
    EXPECT_EQ(alone->pos(), centred);
}
