#include "app/placeholderscreen.h"

PlaceholderScreen::PlaceholderScreen(const QString &title, const QString &text, QObject *parent)
    : ScreenController(parent)
    , m_text(text) {
    setTitle(title);
}

void PlaceholderScreen::setAction(const QString &title, std::function<void()> action) {
    m_actionTitle = title;
    m_action = std::move(action);
}

void PlaceholderScreen::triggerAction() {
    if (m_action)
        m_action();
}
