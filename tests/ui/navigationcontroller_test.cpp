#include "recordingscreen.h"
#include "ui/navigationcontroller.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSignalSpy>
#include <gtest/gtest.h>

using ui::NavigationController;

namespace {

TEST(ScreenLifecycle, HostCallsAreGuardedByTheTrackedState) {
    QStringList log;
    RecordingScreen screen("A", &log);
    screen.endAppearanceTransition();        // nothing is appearing
    screen.beginAppearanceTransition(false); // not shown
    screen.beginAppearanceTransition(true);  // loads first
    screen.beginAppearanceTransition(true);  // already appearing
    EXPECT_TRUE(screen.isVisible());
    screen.endAppearanceTransition();
    screen.endAppearanceTransition();
    screen.beginAppearanceTransition(false);
    screen.beginAppearanceTransition(false);
    EXPECT_FALSE(screen.isVisible());
    screen.beginAppearanceTransition(true);
    EXPECT_EQ(log,
              (QStringList{"A didLoad", "A willAppear", "A didAppear", "A willDisappear", "A willAppear"}));
}

class NavigationTest : public ::testing::Test {
protected:
    void show() {
        m_stack.beginAppearanceTransition(true);
        m_stack.endAppearanceTransition();
        m_log.clear();
    }

    QStringList m_log;
    RecordingScreen *m_root = new RecordingScreen("root", &m_log);
    NavigationController m_stack{m_root};
};

TEST_F(NavigationTest, PushAndPopDriveTheTopScreens) {
    show();
    QPointer<RecordingScreen> detail = new RecordingScreen("detail", &m_log);
    QSignalSpy pushed(&m_stack, &NavigationController::pushed);
    m_stack.pushScreen(detail);
    EXPECT_EQ(m_log,
              (QStringList{"root willDisappear", "detail didLoad", "detail willAppear", "detail didAppear"}));
    EXPECT_EQ(pushed.count(), 1);
    EXPECT_EQ(m_stack.depth(), 2);
    EXPECT_TRUE(m_stack.canGoBack());
    EXPECT_EQ(m_stack.title(), "detail");

    m_log.clear();
    EXPECT_TRUE(m_stack.popScreen());
    EXPECT_EQ(m_log, (QStringList{"detail willDisappear", "root willAppear", "root didAppear"}));
    EXPECT_EQ(m_stack.title(), "root");
    EXPECT_FALSE(m_stack.popScreen()); // the root stays
    // The popped screen was adopted and goes once control returns to the event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(detail.isNull());
}

TEST_F(NavigationTest, RequestsOfStackedScreensReachTheStackOrPassThrough) {
    show();
    auto *detail = new RecordingScreen("detail", &m_log);
    m_root->push(detail); // a screen asks to push: the stack does it
    EXPECT_EQ(m_stack.topScreen(), detail);

    QSignalSpy presents(&m_stack, &ui::ScreenController::presentRequested);
    ui::ScreenController sheet;
    detail->present(&sheet, ui::Presentation::sheet(300));
    ASSERT_EQ(presents.count(), 1);
    EXPECT_EQ(presents.at(0).at(1).value<ui::Presentation>().height, 300);

    m_log.clear();
    detail->dismiss(); // a pushed screen's dismissal pops it
    EXPECT_EQ(m_stack.depth(), 1);
    EXPECT_EQ(m_log.first(), "detail willDisappear");
    m_root->dismiss(); // the root is never popped
    EXPECT_EQ(m_stack.depth(), 1);
}

TEST_F(NavigationTest, HiddenStackOnlyStacksAndAppearanceReachesTheTop) {
    auto *detail = new RecordingScreen("detail", &m_log);
    m_stack.pushScreen(detail);
    EXPECT_TRUE(m_log.isEmpty());
    m_stack.beginAppearanceTransition(true);
    m_stack.endAppearanceTransition();
    m_stack.beginAppearanceTransition(false);
    EXPECT_EQ(m_log, (QStringList{"detail didLoad", "detail willAppear", "detail didAppear",
                                  "detail willDisappear"}));
}

} // namespace
