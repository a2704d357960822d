#pragma once

#include <QWidget>

class QLabel;

// A simple page with a title and a few lines of text, for tabs whose screens are not built yet.
class PlaceholderPage : public QWidget {
    Q_OBJECT
public:
    PlaceholderPage(const QString &title, const QString &text, QWidget *parent = nullptr);

    QLabel *titleLabel() const { return m_title; }
    QLabel *textLabel() const { return m_text; }

private:
    QLabel *m_title;
    QLabel *m_text;
};
