#pragma once

#include <QWidget>

// The app's one window: phone-like proportions by default (430 × 860), resizable, black behind
// its root screen. It only holds the root screen; the application delegate sets it.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize defaultSize{430, 860};
    static constexpr QSize minimumWindowSize{320, 480};

    explicit MainWindow(QWidget *parent = nullptr);

    QWidget *rootScreen() const { return m_root; }
    // Replaces the root screen (the old one is deleted).
    void setRootScreen(QWidget *root);
    void setBackgroundColor(const QColor &color);

private:
    QWidget *m_root = nullptr;
};
