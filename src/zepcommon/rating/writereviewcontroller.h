#pragma once

#include "ui/screencontroller.h"
#include "zepcommon/rating/reviewservices.h"

#include <QColor>
#include <QString>

namespace rating {

// The page where the user writes the review, with a placeholder in the text field.
//
// The controller owns the field's text, its colour (placeholder or typed) and the cursor; the
// view reports each edit and shows the state the controller answers with (changed()). On load
// the field shows "Tell Us More" as a placeholder with the cursor at the start and takes the
// focus. While the placeholder shows, the cursor stays at the start. An edit that would leave the
// field empty brings the placeholder back instead. The first non-empty input over the placeholder
// replaces it with what was typed, in the typed colour; any other edit is applied as it is.
// Send presents the share page with the appID and the text (empty while the placeholder shows).
// GUI thread only.
class WriteReviewController : public ui::ScreenController {
    Q_OBJECT
public:
    static QString placeholder() { return QStringLiteral("Tell Us More"); }

    explicit WriteReviewController(ReviewServices services, QObject *parent = nullptr);

    QString appID() const { return m_appID; }
    void setAppID(const QString &appID) { m_appID = appID; }

    QString text() const { return m_text; }
    bool isShowingPlaceholder() const { return m_placeholder; }
    int cursorPosition() const { return m_cursor; }
    // The review as sent: the text, or nothing while the placeholder shows.
    QString reviewText() const { return m_placeholder ? QString() : m_text; }
    bool wantsFocus() const { return m_wantsFocus; }
    // Light grey for the placeholder, white for typed text.
    QColor textColor() const;

    void viewDidLoad() override;

    // The field's text after an edit (the widget's whole text); the edit is the part that differs
    // from the controller's text. Emits changed() when the field must show something else than
    // what it holds.
    void textEdited(const QString &fieldText, int fieldCursor);
    // Replace `length` characters at `start` by `replacement`, as the text field proposes.
    void edit(int start, int length, const QString &replacement);
    // The selection moved to `position` (the cursor's end).
    void selectionChanged(int position);

    void crossButtonPressed() { dismiss(); }
    void sendButtonPressed();

signals:
    void changed();

private:
    void showPlaceholder();

    ReviewServices m_services;
    QString m_appID;
    QString m_text;
    bool m_placeholder = false;
    bool m_wantsFocus = false;
    int m_cursor = 0;
};

} // namespace rating
