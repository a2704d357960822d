#pragma once

#include <QWidget>

class PlaceholderScreen;
class QLabel;

// The view of a PlaceholderScreen: its title and text. The screen is not owned.
class PlaceholderPage : public QWidget {
    Q_OBJECT
public:
    explicit PlaceholderPage(PlaceholderScreen *screen, QWidget *parent = nullptr);

    QLabel *titleLabel() const { return m_title; }
    QLabel *textLabel() const { return m_text; }

private:
    QLabel *m_title;
    QLabel *m_text;
};
