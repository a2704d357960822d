#include "app/keyboardmanager.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

class KeyboardManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto *column = new QVBoxLayout(&m_window);
        column->addWidget(m_first);
        column->addWidget(m_second);
        column->addWidget(m_button);
        m_button->setFocusPolicy(Qt::NoFocus); // a click on it would not take the focus by itself
        m_background->setMinimumHeight(60);
        column->addWidget(m_background);
        m_window.show();
        QApplication::setActiveWindow(&m_window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
        m_first->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([this] { return m_first->hasFocus(); }));
    }

    QWidget m_window;
    QLineEdit *m_first = new QLineEdit;
    QLineEdit *m_second = new QLineEdit;
    QPushButton *m_button = new QPushButton("Button");
    QWidget *m_background = new QWidget;
    KeyboardManager m_manager;
};

TEST_F(KeyboardManagerTest, ClickOutsideTheTextFieldEndsEditing) {
    m_manager.setResignOnTouchOutside(true);
    QTest::mouseClick(m_background, Qt::LeftButton);
    EXPECT_FALSE(m_first->hasFocus());
    EXPECT_EQ(QApplication::focusWidget(), nullptr);

    m_first->setFocus();
    QTest::mouseClick(m_button, Qt::LeftButton);
    EXPECT_FALSE(m_first->hasFocus());
}

TEST_F(KeyboardManagerTest, ClickInAnotherTextFieldMovesTheEditing) {
    m_manager.setResignOnTouchOutside(true);
    QTest::mouseClick(m_second, Qt::LeftButton);
    EXPECT_TRUE(m_second->hasFocus());
    QTest::mouseClick(m_second, Qt::LeftButton);
    EXPECT_TRUE(m_second->hasFocus());
}

TEST_F(KeyboardManagerTest, OffLeavesTheFocusAlone) {
    m_manager.setResignOnTouchOutside(true);
    m_manager.setResignOnTouchOutside(false);
    QTest::mouseClick(m_background, Qt::LeftButton);
    EXPECT_TRUE(m_first->hasFocus());
}

} // namespace
