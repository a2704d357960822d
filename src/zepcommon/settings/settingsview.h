#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QWidget>

class QAbstractItemModel;
class QLabel;
class QVBoxLayout;
class RlottiePlayer;
class SettingsCardModel;
class SettingsScreen;
class ZEPThemeManager;

namespace ui {
class ViewRegistry;
}

// The icon rule of a settings row: the row's picture from the common bundle drawn white at 16
// points, centred on a 32-point rounded tile of the row's colour, flattened into one image (at
// the given device pixel ratio). Without the picture the tile alone.
QImage settingsRowIcon(const QString &imageName, const QColor &tileColor, qreal devicePixelRatio = 2);

// The header band: the themed header picture with the animation of the maker's apps playing over
// it, again and again while shown. Clickable (a button) when the screen can open the catalogue.
class SettingsHeaderCell : public QWidget {
    Q_OBJECT
public:
    SettingsHeaderCell(SettingsScreen *screen, const ZEPThemeManager &theme, QWidget *parent = nullptr);
    RlottiePlayer *player() const { return m_player; }
    bool isClickable() const;
    // What a click, Return or Space, or a screen reader's press does.
    void activate();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void playAgain();

    SettingsScreen *m_screen;
    QImage m_picture;
    RlottiePlayer *m_player;
    bool m_shown = false;
};

// One row of a card (a button named by its title): icon, title, the sign-in row's arrow, the
// disclosure mark of custom rows and the switch of switch rows. A click or Space on the body taps
// the row; the switch only flips.
class SettingsInfoCell : public QAbstractButton {
    Q_OBJECT
public:
    SettingsInfoCell(SettingsCardModel *card, int row, QWidget *parent = nullptr);
    bool switchState() const { return m_switchState; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    SettingsCardModel *m_card;
    int m_row;
    bool m_switchState = false;
};

// One card: the section's title above a rounded panel of its rows, rows × 45 + 20 high; rebuilt
// when the card reloads.
class SettingsCell : public QWidget {
    Q_OBJECT
public:
    SettingsCell(SettingsCardModel *card, const QString &sectionName, QWidget *parent = nullptr);

private:
    void reload();

    SettingsCardModel *m_card;
    QLabel *m_sectionNameLabel;
    QWidget *m_roundedView;
    QVBoxLayout *m_rows;
};

// The settings page: a bar with the title and the close button over the scrolling bands.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    SettingsView(SettingsScreen *screen, const ZEPThemeManager &theme, QWidget *parent = nullptr);

private:
    void build();
    void offerShare(const QUrl &url, int section);

    SettingsScreen *m_screen;
    const ZEPThemeManager &m_theme;
    QWidget *m_content;
    std::vector<QWidget *> m_sections;
};

// Registers SettingsView for SettingsScreen.
void registerSettingsViews(ui::ViewRegistry &views, const ZEPThemeManager &theme);
