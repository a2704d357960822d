#pragma once

#include "ui/screencontroller.h"

#include <functional>

// A screen with a title and a few lines of text, for tabs whose screens are not built yet.
class PlaceholderScreen : public ui::ScreenController {
    Q_OBJECT
public:
    PlaceholderScreen(const QString &title, const QString &text, QObject *parent = nullptr);

    QString text() const { return m_text; }

    // A button under the text; none while the title is empty.
    QString actionTitle() const { return m_actionTitle; }
    void setAction(const QString &title, std::function<void()> action);
    void triggerAction();

private:
    QString m_text;
    QString m_actionTitle;
    std::function<void()> m_action;
};
