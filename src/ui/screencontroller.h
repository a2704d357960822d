#pragma once

#include "ui/alertspec.h"

#include <QObject>
#include <QString>

namespace ui {

// How a presented screen is shown: over the whole window, as a page sheet of a given height
// (pixels; 0 lets the host pick one), or as a popover (a compact sheet on the desktop).
struct Presentation {
    enum class Style { FullScreen, Sheet, Popover };
    Style style = Style::Sheet;
    int height = 0;

    static Presentation fullScreen() { return {Style::FullScreen, 0}; }
    static Presentation sheet(int height = 0) { return {Style::Sheet, height}; }
    static Presentation popover(int height = 0) { return {Style::Popover, height}; }
};

// A screen's behaviour and state, without widgets (QtCore only, testable without a display).
//
// Lifecycle: viewDidLoad runs once before the screen first appears; viewWillAppear and
// viewDidAppear run each time it comes on screen, viewWillDisappear each time it leaves. The
// virtuals may be called directly (tests do), but hosts — the tab bar, the navigation stack, a
// sheet — go through loadViewIfNeeded, beginAppearanceTransition and endAppearanceTransition,
// which track whether the screen is loaded and visible, so that a screen is never loaded twice,
// never appears while shown and never disappears while hidden.
//
// A controller never touches a widget. It asks for changes by signals that the widget side
// carries out: push (onto the navigation stack that holds it), present, dismiss (the sheet that
// shows it, or the stack pops it) and showAlert. The pushed or presented controller is not owned
// by the requester; the host that shows it takes it and deletes it when it is popped or
// dismissed, unless it has another parent. GUI thread only.
class ScreenController : public QObject {
    Q_OBJECT
public:
    explicit ScreenController(QObject *parent = nullptr);
    ~ScreenController() override;

    QString title() const { return m_title; }
    void setTitle(const QString &title);

    bool isViewLoaded() const { return m_loaded; }
    // From beginAppearanceTransition(true) until beginAppearanceTransition(false).
    bool isVisible() const { return m_appearance != Appearance::Hidden; }
    // Set by a tab bar that holds the screen.
    bool isInTabBar() const { return m_inTabBar; }
    void setInTabBar(bool inTabBar) { m_inTabBar = inTabBar; }

    virtual void viewDidLoad();
    virtual void viewWillAppear();
    virtual void viewDidAppear();
    virtual void viewWillDisappear();

    // Host side. loadViewIfNeeded calls viewDidLoad the first time only. Appearing loads first,
    // then calls viewWillAppear (once until the screen disappears); endAppearanceTransition
    // completes an appearance with viewDidAppear. Disappearing calls viewWillDisappear when the
    // screen was appearing or shown.
    void loadViewIfNeeded();
    void beginAppearanceTransition(bool appearing);
    void endAppearanceTransition();

    // Requests, carried out by the widget side.
    void push(ScreenController *screen);
    void present(ScreenController *screen, Presentation presentation = Presentation::sheet());
    void dismiss();
    void showAlert(const AlertSpec &alert);

signals:
    void titleChanged(const QString &title);
    void pushRequested(ui::ScreenController *screen);
    void presentRequested(ui::ScreenController *screen, ui::Presentation presentation);
    void dismissRequested();
    void alertRequested(const ui::AlertSpec &alert);
    // Asks the tab bar that holds the screen to bounce its icons.
    void bounceRequested();

private:
    enum class Appearance { Hidden, Appearing, Shown };

    QString m_title;
    bool m_loaded = false;
    bool m_inTabBar = false;
    Appearance m_appearance = Appearance::Hidden;
};

} // namespace ui

Q_DECLARE_METATYPE(ui::Presentation)
