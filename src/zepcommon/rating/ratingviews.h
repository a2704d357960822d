#pragma once

#include "zepcommon/rating/ratingpopupcontroller.h"
#include "zepcommon/rating/sharereviewcontroller.h"
#include "zepcommon/rating/writereviewcontroller.h"

#include <QWidget>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace ui {
class ViewRegistry;
}

namespace rating {

class CosmosView;

// Registers the views of the pop-up and the two review pages.
void registerViews(ui::ViewRegistry &registry);

// The pop-up: a see-through page (the sheet's dimming shows) with the pop-up view in its middle.
// The controllers of these views are not owned and outlive them.
class RatingPopUpView : public QWidget {
    Q_OBJECT
public:
    explicit RatingPopUpView(RatingPopUpController *controller, QWidget *parent = nullptr);

    QFrame *popUpView() const { return m_popUp; }
    QPushButton *loveItButton() const { return m_loveIt; }
    QPushButton *hateItButton() const { return m_hateIt; }
    QToolButton *crossButton() const { return m_cross; }

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    void applyAppearance();

    RatingPopUpController *m_controller;
    QFrame *m_popUp;
    QPushButton *m_loveIt;
    QPushButton *m_hateIt;
    QToolButton *m_cross;
};

// The write-review page: the cross, the text field and Send.
class WriteReviewView : public QWidget {
    Q_OBJECT
public:
    explicit WriteReviewView(WriteReviewController *controller, QWidget *parent = nullptr);

    QPlainTextEdit *textView() const { return m_textView; }
    QPushButton *sendButton() const { return m_send; }
    QToolButton *crossButton() const { return m_cross; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showState();
    void fieldEdited();
    void cursorMoved();

    WriteReviewController *m_controller;
    QPlainTextEdit *m_textView;
    QPushButton *m_send;
    QToolButton *m_cross;
    bool m_syncing = false;
};

// The share page: the review between apostrophes and Share.
class ShareReviewView : public QWidget {
    Q_OBJECT
public:
    explicit ShareReviewView(ShareReviewController *controller, QWidget *parent = nullptr);

    QLabel *reviewLabel() const { return m_review; }
    QPushButton *shareButton() const { return m_share; }
    QToolButton *crossButton() const { return m_cross; }

private:
    ShareReviewController *m_controller;
    QLabel *m_review;
    QPushButton *m_share;
    QToolButton *m_cross;
};

} // namespace rating
