// The rating pop-up, the write and share pages, and the feedback message, with the desktop's
// URL handling and clipboard replaced by recorders.
#include "zepcommon/rating/ratingflow.h"
#include "zepcommon/rating/ratingpopupcontroller.h"
#include "zepcommon/rating/ratingviews.h"
#include "zepcommon/rating/sharereviewcontroller.h"
#include "zepcommon/rating/writereviewcontroller.h"

#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>
#include <gtest/gtest.h>
#include <memory>

using namespace rating;

namespace {

class ReviewTest : public ::testing::Test {
protected:
    ReviewServices services() {
        ReviewServices s;
        s.feedback = {QStringLiteral("chatapp://"),
                      QStringLiteral("https://chat.example/tidewell"),
                      {QStringLiteral("help@tidewell.example"), QStringLiteral("ops@tidewell.example")}};
        s.device = {QStringLiteral("Tidewell"), QStringLiteral("Debian 12"), QStringLiteral("1.4"),
                    QStringLiteral("A1B2")};
        s.ownStoreId = QStringLiteral("999");
        s.openUrl = [this](const QUrl &url) {
            opened << url;
            return openWorks;
        };
        s.canOpenUrl = [this](const QUrl &url) {
            return openableSchemes.contains(url.scheme());
        };
        s.copyToClipboard = [this](const QString &text) {
            copied << text;
        };
        return s;
    }

    QList<QUrl> opened;
    QStringList copied;
    QStringList openableSchemes{"https", "mailto"};
    bool openWorks = true;
};

TEST_F(ReviewTest, SendingWithoutTypingSharesAnEmptyReview) {
    WriteReviewController write(services());
    write.setAppID(QStringLiteral("123"));
    QSignalSpy presented(&write, &ui::ScreenController::presentRequested);
    write.loadViewIfNeeded();
    write.sendButtonPressed();
    ASSERT_EQ(presented.size(), 1);
    std::unique_ptr<ShareReviewController> share(
        qobject_cast<ShareReviewController *>(presented[0][0].value<ui::ScreenController *>()));
    ASSERT_TRUE(share);
    EXPECT_EQ(share->reviewText(), QString());
    share->loadViewIfNeeded();
    EXPECT_EQ(share->reviewLabel(), "''");

    EXPECT_TRUE(share->shareButtonPressed());
    EXPECT_EQ(copied, QStringList{QString()});
    EXPECT_EQ(opened, QList<QUrl>{QUrl("https://apps.apple.com/us/app/id123?action=write-review")});
}

TEST_F(ReviewTest, ShareFallsBackToTheOwnStoreIdAndSkipsWhatDoesNotOpen) {
    ShareReviewController share(services());
    share.setReviewText(QStringLiteral("Fast & simple"));
    share.loadViewIfNeeded();
    EXPECT_EQ(share.reviewLabel(), "'Fast & simple'");
    openWorks = false;
    EXPECT_FALSE(share.shareButtonPressed());
    EXPECT_EQ(copied, QStringList{"Fast & simple"});
    EXPECT_EQ(opened, QList<QUrl>{QUrl("https://apps.apple.com/us/app/id999?action=write-review")});
}

// The placeholder: edits are the field's whole text after the edit, and the cursor.
struct EditCase {
    const char *name;
    QStringList fieldTexts; // each reported in turn, the cursor at the end of the typed part
    QList<int> cursors;
    QString text;
    bool placeholder;
    int cursor;
};

class PlaceholderTest : public ReviewTest, public ::testing::WithParamInterface<EditCase> {};

TEST_P(PlaceholderTest, FollowsTheRules) {
    WriteReviewController write(services());
    write.loadViewIfNeeded();
    for (int i = 0; i < GetParam().fieldTexts.size(); ++i)
        write.textEdited(GetParam().fieldTexts[i], GetParam().cursors[i]);
    EXPECT_EQ(write.text(), GetParam().text);
    EXPECT_EQ(write.isShowingPlaceholder(), GetParam().placeholder);
    EXPECT_EQ(write.cursorPosition(), GetParam().cursor);
    EXPECT_EQ(write.textColor(), GetParam().placeholder ? QColor(Qt::lightGray) : QColor(Qt::white));
    EXPECT_EQ(write.reviewText(), GetParam().placeholder ? QString() : GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Edits, PlaceholderTest,
    ::testing::Values(EditCase{"loaded", {}, {}, "Tell Us More", true, 0},
                      EditCase{"firstInputReplaces", {"GTell Us More"}, {1}, "G", false, 1},
                      EditCase{"sameLetterAsPlaceholder", {"TTell Us More"}, {1}, "T", false, 1},
                      EditCase{"pasteReplaces", {"Love it!Tell Us More"}, {8}, "Love it!", false, 8},
                      EditCase{"normalEdit", {"GTell Us More", "Go", "Good"}, {1, 2, 4}, "Good", false, 4},
                      EditCase{"editInMiddle", {"GTell Us More", "Gd", "God"}, {1, 2, 2}, "God", false, 2},
                      EditCase{
                          "emptiedBringsPlaceholder", {"GTell Us More", ""}, {1, 0}, "Tell Us More", true, 0},
                      EditCase{"deleteOnPlaceholder", {"ell Us More"}, {0}, "Tell Us More", true, 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ReviewTest, PlaceholderKeepsTheCursorAtTheStartInTheField) {
    WriteReviewController write(services());
    WriteReviewView view(&write);
    QPlainTextEdit *field = view.textView();
    EXPECT_EQ(field->toPlainText(), "Tell Us More");
    QTextCursor cursor = field->textCursor();
    cursor.setPosition(5);
    field->setTextCursor(cursor);
    EXPECT_EQ(field->textCursor().position(), 0);

    QTest::keyClicks(field, "Hi");
    EXPECT_EQ(field->toPlainText(), "Hi");
    EXPECT_EQ(field->palette().color(QPalette::Text), QColor(Qt::white));
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(field->toPlainText(), "Tell Us More");
    EXPECT_EQ(field->textCursor().position(), 0);
    EXPECT_EQ(field->palette().color(QPalette::Text), QColor(Qt::lightGray));
}

TEST_F(ReviewTest, PopUpLooksAndLeadsToTheWritePage) {
    ui::ScreenController host;
    QSignalSpy hostPresented(&host, &ui::ScreenController::presentRequested);
    RatingPopUpController *popUp = presentRatingPopUp(&host, QStringLiteral("42"), services());
    ASSERT_EQ(hostPresented.size(), 1);
    std::unique_ptr<RatingPopUpController> owned(popUp);
    EXPECT_EQ(hostPresented[0][1].value<ui::Presentation>().style, ui::Presentation::Style::FullScreen);

    popUp->loadViewIfNeeded();
    EXPECT_EQ(popUp->borderWidth(), 2);
    EXPECT_EQ(popUp->cornerRadius(), 14);
    EXPECT_TRUE(popUp->clipsToBounds());
    EXPECT_EQ(popUp->borderColor(), QColor(255, 149, 0));

    QStringList order;
    QObject::connect(popUp, &ui::ScreenController::dismissRequested, [&] { order << "dismiss"; });
    QObject::connect(popUp, &ui::ScreenController::presentRequested, [&](ui::ScreenController *next) {
        auto *write = qobject_cast<WriteReviewController *>(next);
        order << (write ? "write " + write->appID() : "other");
        delete next;
    });
    popUp->loveItButtonPressed();
    EXPECT_EQ(order, (QStringList{"dismiss", "write 42"}));
}

struct FeedbackCase {
    const char *name;
    QStringList openable;
    FeedbackOutcome outcome;
    QString openedScheme; // empty: nothing opened
};

class FeedbackTest : public ReviewTest, public ::testing::WithParamInterface<FeedbackCase> {};

TEST_P(FeedbackTest, OpensMessagingElseMail) {
    openableSchemes = GetParam().openable;
    RatingPopUpController popUp(services());
    QSignalSpy dismissed(&popUp, &ui::ScreenController::dismissRequested);
    EXPECT_EQ(popUp.hateItButtonPressed(), GetParam().outcome);
    EXPECT_EQ(dismissed.size(), 0);
    if (GetParam().openedScheme.isEmpty()) {
        EXPECT_TRUE(opened.isEmpty());
        return;
    }
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0].scheme(), GetParam().openedScheme);
    if (GetParam().openedScheme == "https") {
        EXPECT_EQ(opened[0], QUrl("https://chat.example/tidewell"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Channels, FeedbackTest,
    ::testing::Values(
        FeedbackCase{"messaging", {"chatapp", "mailto", "https"}, FeedbackOutcome::MessagingOpened, "https"},
        FeedbackCase{"mail", {"mailto", "https"}, FeedbackOutcome::MailOpened, "mailto"},
        FeedbackCase{"neither", {"https"}, FeedbackOutcome::Unavailable, {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(FeedbackMailTest, CarriesRecipientsSubjectAndDeviceInformation) {
    const DeviceInformation device{QStringLiteral("Tidewell"),
                                   QStringLiteral("Debian GNU/Linux 12 (bookworm)"), QStringLiteral("1.4"),
                                   QStringLiteral("A1B2")};
    const QUrl url = feedbackMailUrl({"help@tidewell.example", "ops@tidewell.example"},
                                     feedbackSubject(device.displayName), feedbackBody(device));
    ASSERT_TRUE(url.isValid());
    EXPECT_EQ(url.scheme(), "mailto");
    EXPECT_EQ(url.path(), "help@tidewell.example,ops@tidewell.example");
    const QUrlQuery query(url);
    EXPECT_EQ(query.queryItemValue("subject", QUrl::FullyDecoded), "Tidewell | Support");
    const QString body = query.queryItemValue("body", QUrl::FullyDecoded);
    EXPECT_TRUE(body.startsWith("\n\n\n"));
    EXPECT_TRUE(
        body.contains("Your device information is included to help the developer track your feedback\n"
                      "OS:Debian GNU/Linux 12 (bookworm)\nApp Version:1.4\nDevice ID: A1B2\n"))
        << body.toStdString();
    EXPECT_EQ(feedbackSubject({}), "Support");
    EXPECT_EQ(QUrlQuery(feedbackMailUrl({"a@b.example"}, "R&D | Support", "x+y=z"))
                  .queryItemValue("subject", QUrl::FullyDecoded),
              "R&D | Support");
}

} // namespace
