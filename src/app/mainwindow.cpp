#include "app/mainwindow.h"

#include <QVBoxLayout>

MainWindow::MainWindow(QWidget *parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Tidewell"));
    setMinimumSize(minimumWindowSize);
    resize(defaultSize);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
}

void MainWindow::setRootScreen(QWidget *root) {
    if (root == m_root)
        return;
    delete m_root;
    m_root = root;
    if (!root)
        return;
    layout()->addWidget(root);
    // Show and lay out now rather than on the next event loop turn, so that the splash shown
    // next covers a root of its final size.
    root->show();
    layout()->activate();
}

void MainWindow::setBackgroundColor(const QColor &color) {
    QPalette own = palette();
    own.setColor(QPalette::Window, color);
    setPalette(own);
    setAutoFillBackground(true);
}
