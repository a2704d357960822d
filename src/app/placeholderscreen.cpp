#include "app/placeholderscreen.h"

PlaceholderScreen::PlaceholderScreen(const QString &title, const QString &text, QObject *parent)
    : ScreenController(parent)
    , m_text(text) {
    setTitle(title);
}
