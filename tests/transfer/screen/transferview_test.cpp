#include "transfer/screen/transferservice.h"
#include "transfer/screen/transferview.h"
#include "transfer/screen/windowalerts.h"
#include "transfer/transferserver.h"
#include "zepcommon/theme/zepcolorresolver.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <thread>

using transfer::TransferView;
using transfer::TransferViewController;

namespace {

class TransferViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_server.setPort(0);
        m_server.setBindAddress("127.0.0.1");
        m_theme.applyTheme(ThemeColor::Orange);
    }
    void TearDown() override { m_server.stop(); }

    std::optional<QString> m_address = QStringLiteral("192.168.1.20");
    transfer::TransferServer m_server;
    transfer::TransferServerService m_service{m_server};
    ZEPThemeManager m_theme;
    ZEPColorResolver m_colors;
    TransferViewController m_controller{m_service, m_theme, m_colors, [this] {
                                            return m_address;
                                        }};
};

TEST_F(TransferViewTest, ShowsTheAddressInTheThemeColourWithItsCode) {
    TransferView view(&m_controller);
    view.load();
    view.resize(430, 800);
    view.show();
    EXPECT_EQ(view.addressLabel()->text(), TransferViewController::placeholderText());
    EXPECT_FALSE(view.codeLabel()->isVisible());
    for (int i = 0; i < TransferViewController::labelCount; ++i)
        EXPECT_EQ(view.label(TransferViewController::Label(i))->text(),
                  m_controller.labelText(TransferViewController::Label(i)));

    m_controller.viewWillAppear();
    EXPECT_EQ(view.addressLabel()->text(), m_controller.address().value());
    EXPECT_EQ(view.addressLabel()->palette().color(QPalette::WindowText), QColor(0xFF, 0x8A, 0x00));
    EXPECT_TRUE(view.codeLabel()->isVisible());
    EXPECT_FALSE(view.codeLabel()->pixmap().isNull());

    m_controller.viewWillDisappear();
    m_address.reset();
    m_controller.viewWillAppear();
    EXPECT_EQ(view.addressLabel()->text(), TransferViewController::placeholderText());
    EXPECT_FALSE(view.codeLabel()->isVisible());
}

TEST_F(TransferViewTest, CloseButtonOnlyOutsideATabBar) {
    TransferView presented(&m_controller);
    presented.load();
    presented.show();
    QSignalSpy closes(&m_controller, &TransferViewController::closeRequested);
    ASSERT_TRUE(presented.closeButton()->isVisible());
    QTest::mouseClick(presented.closeButton(), Qt::LeftButton);
    EXPECT_EQ(closes.count(), 1);

    m_controller.setInTabBar(true);
    TransferView inTab(&m_controller);
    inTab.load();
    inTab.show();
    EXPECT_FALSE(inTab.closeButton()->isVisible());
}

std::vector<QMessageBox *> openAlerts() {
    std::vector<QMessageBox *> boxes;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->objectName() == transfer::WindowAlerts::boxObjectName() && widget->isVisible())
            boxes.push_back(qobject_cast<QMessageBox *>(widget));
    return boxes;
}

QMessageBox *openAlert() {
    const std::vector<QMessageBox *> boxes = openAlerts();
    return boxes.empty() ? nullptr : boxes.front();
}

TEST(WindowAlerts, AlertFromAWorkerOpensAWindowModalBoxWithoutBlocking) {
    QWidget window;
    window.resize(430, 800);
    window.show();
    transfer::WindowAlerts alerts([&window] { return &window; });

    std::thread worker([&alerts] {
        alerts.showAlert("File Already Exists", "A file with this name is already in this folder.", "OK");
    });
    worker.join();
    ASSERT_TRUE(QTest::qWaitFor([] { return openAlert() != nullptr; }));
    QPointer<QMessageBox> box = openAlert();
    EXPECT_EQ(box->thread(), QApplication::instance()->thread());
    EXPECT_EQ(box->parentWidget(), &window);
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    EXPECT_EQ(box->windowTitle(), "File Already Exists");
    EXPECT_EQ(box->text(), "A file with this name is already in this folder.");
    ASSERT_EQ(box->buttons().size(), 1);
    EXPECT_EQ(box->buttons()[0]->text(), "OK");

    QTest::mouseClick(box->buttons()[0], Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&box] { return box.isNull(); }));
}

TEST(WindowAlerts, WithoutAParentTheBoxStillOpens) {
    transfer::WindowAlerts alerts([] { return nullptr; });
    alerts.showAlert("Unsupported File Type", "This type of file cannot be received.", "OK");
    ASSERT_TRUE(QTest::qWaitFor([] { return openAlert() != nullptr; }));
    QPointer<QMessageBox> box = openAlert();
    EXPECT_EQ(box->parentWidget(), nullptr);
    EXPECT_EQ(box->text(), "This type of file cannot be received.");
    box->buttons()[0]->click();
    ASSERT_TRUE(QTest::qWaitFor([&box] { return box.isNull(); }));
}

TEST(WindowAlerts, ARepeatedAlertOpensOneBoxUntilItIsClosed) {
    transfer::WindowAlerts alerts([] { return nullptr; });
    std::thread worker([&alerts] {
        for (int i = 0; i < 5; ++i)
            alerts.showAlert("Unsupported File Type", "This type of file cannot be received.", "OK");
        alerts.showAlert("File Already Exists", "A file with this name is already in this folder.", "OK");
    });
    worker.join();
    ASSERT_TRUE(QTest::qWaitFor([] { return openAlerts().size() == 2; }));
    QCoreApplication::processEvents();
    std::vector<QMessageBox *> boxes = openAlerts();
    ASSERT_EQ(boxes.size(), 2u);
    for (QMessageBox *box : boxes)
        box->buttons()[0]->click();
    ASSERT_TRUE(QTest::qWaitFor([] { return openAlerts().empty(); }));

    alerts.showAlert("Unsupported File Type", "This type of file cannot be received.", "OK");
    ASSERT_TRUE(QTest::qWaitFor([] { return openAlerts().size() == 1; }));
    openAlert()->buttons()[0]->click();
}

} // namespace
