#pragma once

#include "ui/screencontroller.h"

// A screen with a title and a few lines of text, for tabs whose screens are not built yet.
class PlaceholderScreen : public ui::ScreenController {
    Q_OBJECT
public:
    PlaceholderScreen(const QString &title, const QString &text, QObject *parent = nullptr);

    QString text() const { return m_text; }

private:
    QString m_text;
};
