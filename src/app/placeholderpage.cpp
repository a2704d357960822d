#include "app/placeholderpage.h"

#include "app/placeholderscreen.h"
#include "zepcommon/theme/zepcolors.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

PlaceholderPage::PlaceholderPage(PlaceholderScreen *screen, QWidget *parent)
    : QWidget(parent)
    , m_title(new QLabel(screen->title()))
    , m_text(new QLabel(screen->text())) {
    m_title->setAccessibleName(screen->title());
    m_text->setAccessibleName(screen->text());
    QFont font = m_title->font();
    font.setPointSizeF(font.pointSizeF() * 1.8);
    font.setBold(true);
    m_title->setFont(font);
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(24, 20, 24, 24);
    column->setSpacing(12);
    column->addWidget(m_title);
    column->addWidget(m_text);
    if (!screen->actionTitle().isEmpty()) {
        auto *action = new QPushButton(screen->actionTitle());
        action->setObjectName(QStringLiteral("placeholderAction"));
        action->setAccessibleName(screen->actionTitle());
        column->addWidget(action, 0, Qt::AlignLeft);
        connect(action, &QPushButton::clicked, screen, &PlaceholderScreen::triggerAction);
    }
    column->addStretch();

    if (const auto background = ZEPColors::themeColorWithName(ZEPColors::background())) {
        QPalette own = palette();
        own.setColor(QPalette::Window, *background);
        setPalette(own);
        setAutoFillBackground(true);
    }
}
