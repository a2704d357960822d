#pragma once

#include "zepcommon/localnetwork/lnainfoviewcontroller.h"
#include "zepcommon/localnetwork/lnapermissionscreen.h"
#include "zepcommon/localnetwork/notificationpermissionscreen.h"

#include <QWidget>
#include <array>

class QLabel;
class QPushButton;
class QProgressBar;
class QToolButton;

namespace localnetwork {

// Rich text of styled runs, the accent runs in `accent` (black when there is none).
QString styledTextHtml(const StyledText &text, const std::optional<QColor> &accent);

// The permission screen's widgets: logo, title, description, the no-network line, the
// permission line, the main button with its busy indicator and the info button. The controller is
// not owned and outlives the view; the view renders what it holds.
class LNAPermissionView : public QWidget {
    Q_OBJECT
public:
    explicit LNAPermissionView(LNAPermissionScreen *controller, QWidget *parent = nullptr);

    QLabel *logo() const { return m_logo; }
    QLabel *titleLabel() const { return m_title; }
    QLabel *descriptionLabel() const { return m_description; }
    QLabel *noWifiLabel() const { return m_noWifi; }
    QLabel *permissionLabel() const { return m_permission; }
    QPushButton *permissionButton() const { return m_button; }
    QProgressBar *indicator() const { return m_indicator; }
    QToolButton *infoButton() const { return m_info; }

private:
    void update();

    LNAPermissionScreen *m_controller;
    QLabel *m_logo;
    QLabel *m_title;
    QLabel *m_description;
    QLabel *m_noWifi;
    QLabel *m_permission;
    QPushButton *m_button;
    QProgressBar *m_indicator;
    QToolButton *m_info;
};

// The info page: four themed pictures with a line each, and a close button.
class LNAInfoView : public QWidget {
    Q_OBJECT
public:
    explicit LNAInfoView(LNAInfoViewController *controller, QWidget *parent = nullptr);
    QLabel *image(LNAInfoViewController::Image which) const { return m_images[size_t(which)]; }

private:
    void update();

    LNAInfoViewController *m_controller;
    std::array<QLabel *, LNAInfoViewController::imageCount> m_images{};
    std::array<QLabel *, LNAInfoViewController::imageCount> m_captions{};
};

// The notification page: the note in three lines and the button that asks.
class NotificationPermissionView : public QWidget {
    Q_OBJECT
public:
    explicit NotificationPermissionView(NotificationPermissionScreen *controller, QWidget *parent = nullptr);
    QLabel *noteLabel() const { return m_note; }
    QPushButton *allowButton() const { return m_allow; }

private:
    void update();

    NotificationPermissionScreen *m_controller;
    QLabel *m_note;
    QPushButton *m_allow;
};

} // namespace localnetwork
