#include "app/keyboardmanager.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {

// The text input a widget belongs to (itself or an ancestor), or null.
QWidget *textInputOf(QWidget *widget) {
    for (QWidget *w = widget; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        if (qobject_cast<QLineEdit *>(w) || qobject_cast<QTextEdit *>(w) ||
            qobject_cast<QPlainTextEdit *>(w) || qobject_cast<QAbstractSpinBox *>(w))
            return w;
    }
    return nullptr;
}

} // namespace

KeyboardManager::KeyboardManager(QObject *parent)
    : QObject(parent) {}

KeyboardManager::~KeyboardManager() {
    setResignOnTouchOutside(false);
}

void KeyboardManager::setResignOnTouchOutside(bool enabled) {
    if (enabled == m_resignOnTouchOutside || !qApp)
        return;
    m_resignOnTouchOutside = enabled;
    if (enabled)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool KeyboardManager::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::MouseButtonPress || !watched->isWidgetType())
        return false;
    QWidget *editing = textInputOf(QApplication::focusWidget());
    if (!editing)
        return false;
    QWidget *pressed = static_cast<QWidget *>(watched);
    if (textInputOf(pressed))
        return false; // the press lands in a text input, which takes the focus itself
    editing->clearFocus();
    return false;
}
