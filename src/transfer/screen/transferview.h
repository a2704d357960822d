#pragma once

#include "transfer/screen/transferviewcontroller.h"

#include <QWidget>
#include <array>

class QCheckBox;
class QLabel;
class QPushButton;

namespace transfer {

// The transfer screen's widgets: the ten labels of its controller, the QR code of the address and
// a close button that only shows when the screen is not a tab's page. The view renders what the
// controller holds; the host drives the controller's lifecycle.
class TransferView : public QWidget {
    Q_OBJECT
public:
    // The controller is not owned and outlives the view.
    explicit TransferView(TransferViewController *controller, QWidget *parent = nullptr);

    TransferViewController *controller() const { return m_controller; }
    QLabel *label(TransferViewController::Label which) const { return m_labels[size_t(which)]; }
    QLabel *addressLabel() const { return label(TransferViewController::Label::Address); }
    QLabel *codeLabel() const { return m_code; }
    // The ".local" URL under the address, shown while the server is announced.
    QLabel *localAddressLabel() const { return m_localAddress; }
    QPushButton *closeButton() const { return m_close; }
    // The access-code switch, and the code while it is on.
    QCheckBox *accessCodeSwitch() const { return m_accessSwitch; }
    QLabel *accessCodeLabel() const { return m_accessCode; }

    // Loads the controller (viewDidLoad, once) and shows its texts.
    void load();

private:
    void updateTexts();
    void updateAddress();
    void applyColors();

    TransferViewController *m_controller;
    std::array<QLabel *, TransferViewController::labelCount> m_labels{};
    QLabel *m_code;
    QLabel *m_localAddress;
    QCheckBox *m_accessSwitch;
    QLabel *m_accessCode;
    QPushButton *m_close;
};

} // namespace transfer
