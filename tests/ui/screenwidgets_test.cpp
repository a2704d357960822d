#include "recordingscreen.h"
#include "ui/alertpresenter.h"
#include "ui/navigationcontroller.h"
#include "ui/navigationstack.h"
#include "ui/screenhost.h"
#include "ui/sheetcontainer.h"
#include "ui/viewregistry.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

// Views name their screen, so tests can tell which page shows.
ui::ViewRegistry labelViews() {
    ui::ViewRegistry views;
    views.add(ui::ScreenController::staticMetaObject, [](ui::ScreenController *screen) {
        auto *label = new QLabel(screen->title());
        label->setObjectName(screen->title());
        return label;
    });
    return views;
}

class ScreenWidgetsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_window.resize(400, 700);
        m_window.show();
        m_stack.beginAppearanceTransition(true);
        m_stack.endAppearanceTransition();
        m_log.clear();
    }

    QStringList m_log;
    ui::ViewRegistry m_views = labelViews();
    QWidget m_window;
    ui::NavigationController m_stack{new RecordingScreen("root", &m_log)};
    ui::NavigationStack *m_view = new ui::NavigationStack(&m_stack, m_views, &m_window);
};

TEST_F(ScreenWidgetsTest, NavigationStackShowsTheTopPageAndGoesBack) {
    m_view->resize(m_window.size());
    m_view->show();
    EXPECT_FALSE(m_view->backButton()->isVisible());
    EXPECT_EQ(m_view->largeTitleLabel()->text(), "root");
    EXPECT_TRUE(m_view->largeTitleLabel()->isVisible());

    m_stack.pushScreen(new RecordingScreen("detail", &m_log));
    EXPECT_EQ(m_view->pages()->currentWidget()->objectName(), "detail");
    EXPECT_TRUE(m_view->backButton()->isVisible());
    EXPECT_EQ(m_view->backButton()->accessibleName(), "Back");
    EXPECT_EQ(m_view->titleLabel()->text(), "detail");
    EXPECT_FALSE(m_view->largeTitleLabel()->isVisible());

    m_log.clear();
    QTest::mouseClick(m_view->backButton(), Qt::LeftButton);
    EXPECT_EQ(m_log, (QStringList{"detail willDisappear", "root willAppear", "root didAppear"}));
    EXPECT_EQ(m_view->pages()->count(), 1);
    EXPECT_EQ(m_view->pages()->currentWidget()->objectName(), "root");
    EXPECT_FALSE(m_view->backButton()->isVisible());
}

TEST_F(ScreenWidgetsTest, SheetLeavesTheScreenBelowAndClosesOnEscape) {
    ui::ScreenHost host(&m_window, m_views);
    host.attach(&m_stack);
    QPointer<RecordingScreen> sheetScreen = new RecordingScreen("sheet", &m_log);
    m_stack.topScreen()->present(sheetScreen, ui::Presentation::sheet(300));

    auto *sheet = m_window.findChild<ui::SheetContainer *>();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(m_log, (QStringList{"sheet didLoad", "sheet willAppear", "sheet didAppear"}));
    EXPECT_TRUE(m_stack.topScreen()->isVisible()); // a sheet: the one below stays
    EXPECT_EQ(sheet->geometry(), m_window.rect());
    EXPECT_EQ(sheet->page()->height(), 300);
    EXPECT_EQ(sheet->page()->objectName(), "sheet");

    QSignalSpy closed(sheet, &ui::SheetContainer::closed);
    QTest::keyClick(sheet, Qt::Key_Escape);
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(m_log.last(), "sheet willDisappear");
    EXPECT_FALSE(m_log.contains("root willDisappear"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(sheetScreen.isNull());
    EXPECT_EQ(m_window.findChild<ui::SheetContainer *>(), nullptr);
}

TEST_F(ScreenWidgetsTest, FullScreenSheetClosesOnTheScreensDismissal) {
    ui::ScreenHost host(&m_window, m_views);
    RecordingScreen presented("full", &m_log);
    ui::SheetContainer *sheet = host.present(&presented, ui::Presentation::fullScreen());
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->page()->geometry(), m_window.rect()) << "nothing of the window shows through";
    m_log.clear();
    presented.dismiss();
    EXPECT_EQ(m_log, QStringList{"full willDisappear"});
}

TEST(AlertPresenter, FieldsRunTheEnableRuleAndButtonsKeepTheirOrder) {
    QWidget window;
    window.show();
    QStringList renamed;
    ui::AlertSpec alert;
    alert.title = "New Folder";
    alert.addTextField("Folder name");
    alert.addAction("Cancel", ui::AlertSpec::Style::Cancel);
    alert.addAction(
        "Create", ui::AlertSpec::Style::Default, [&renamed](const QStringList &texts) { renamed = texts; },
        &ui::AlertSpec::allFieldsFilled);

    QPointer<QDialog> box = ui::AlertPresenter::present(alert, &window);
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->windowModality(), Qt::WindowModal); // open(), not exec()
    auto *field = box->findChild<QLineEdit *>();
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->accessibleName(), "Folder name");
    const QList<QPushButton *> buttons = box->findChildren<QPushButton *>();
    ASSERT_EQ(buttons.size(), 2);
    QPushButton *cancel = buttons[0];
    QPushButton *create = buttons[1];
    EXPECT_EQ(cancel->accessibleName(), "Cancel");
    EXPECT_EQ(create->accessibleName(), "Create");
    EXPECT_LT(cancel->geometry().x(), create->geometry().x()); // the alert's order, left to right
    EXPECT_FALSE(create->isEnabled());
    QTest::keyClicks(field, " ");
    EXPECT_FALSE(create->isEnabled());
    QTest::keyClicks(field, "Trips");
    EXPECT_TRUE(create->isEnabled());
    QTest::mouseClick(create, Qt::LeftButton);
    EXPECT_EQ(renamed, QStringList{" Trips"});
    ASSERT_TRUE(QTest::qWaitFor([&box] { return box.isNull(); }));

    // Escape is the cancel action, with the texts typed so far.
    QStringList cancelled;
    alert.actions[0].handler = [&cancelled](const QStringList &texts) {
        cancelled = texts;
    };
    box = ui::AlertPresenter::present(alert, &window);
    QTest::keyClicks(box->findChild<QLineEdit *>(), "x");
    QTest::keyClick(box->findChild<QLineEdit *>(), Qt::Key_Escape);
    EXPECT_EQ(cancelled, QStringList{"x"});
    EXPECT_EQ(renamed, QStringList{" Trips"});
    ASSERT_TRUE(QTest::qWaitFor([&box] { return box.isNull(); }));
}

TEST(ViewRegistry, TheNearestRegisteredClassMakesTheView) {
    ui::ViewRegistry views;
    EXPECT_EQ(views.makeView(nullptr), nullptr);
    QStringList log;
    RecordingScreen screen("plain", &log);
    EXPECT_EQ(views.makeView(&screen), nullptr);
    views.add(ui::ScreenController::staticMetaObject,
              [](ui::ScreenController *) { return new QLabel("base"); });
    views.add(ui::NavigationController::staticMetaObject,
              [](ui::ScreenController *) { return new QLabel("stack"); });
    std::unique_ptr<QWidget> view(views.makeView(&screen));
    EXPECT_EQ(qobject_cast<QLabel *>(view.get())->text(), "base");
    ui::NavigationController stack(nullptr);
    view.reset(views.makeView(&stack));
    EXPECT_EQ(qobject_cast<QLabel *>(view.get())->text(), "stack");
}

} // namespace
