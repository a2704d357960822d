// The Apple hand-off table: what a form post may carry, one hand-out per state, expiry and the
// bound on the table. The routes over HTTP run in the account sign-in tests.
#include "applehandoff.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using apiserver::AppleHandoff;

namespace {

const QString state = QStringLiteral("c3RhdGUtb2YtYS1zaWduLWluLTEyOA");

class ApiAppleHandoff : public ::testing::Test {
protected:
    QDateTime now = QDateTime(QDate(2026, 12, 7), QTime(22, 0), Qt::UTC);
    AppleHandoff handoff{[this] { return now; }, AppleHandoff::Limits{2, 300}};

    QJsonObject take(const QString &s, int expectedStatus) {
        const auto answer = handoff.takeResult(s);
        EXPECT_EQ(answer.status, expectedStatus) << answer.body.toStdString();
        EXPECT_EQ(answer.contentType, "application/json");
        return QJsonDocument::fromJson(answer.body).object();
    }
};

struct FormCase {
    const char *name;
    QByteArray body;
    int status;
};

void PrintTo(const FormCase &c, std::ostream *out) {
    *out << c.name;
}

class ApiAppleHandoffForms : public ApiAppleHandoff, public ::testing::WithParamInterface<FormCase> {};

TEST_P(ApiAppleHandoffForms, KeepsOnlyWellFormedAnswers) {
    const auto answer = handoff.receiveCallback(GetParam().body);
    EXPECT_EQ(answer.status, GetParam().status) << answer.body.toStdString();
    EXPECT_TRUE(answer.contentType.startsWith("text/html"));
    const int expected = GetParam().status == 200 ? 200 : 202;
    take(state, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, ApiAppleHandoffForms,
    ::testing::Values(
        FormCase{"TokenAndCode", "state=" + state.toLatin1() + "&code=c1&id_token=a.b.c", 200},
        FormCase{"Refusal", "state=" + state.toLatin1() + "&error=user_cancelled_authorize", 200},
        FormCase{"NoState", "code=c1&id_token=a.b.c", 400},
        FormCase{"ShortState", "state=abc&id_token=a.b.c", 400},
        FormCase{"StateWithSlash", "state=" + state.toLatin1() + "%2F&id_token=a.b.c", 400},
        FormCase{"NoTokenNorError", "state=" + state.toLatin1() + "&code=c1", 400},
        FormCase{"HugeToken", "state=" + state.toLatin1() + "&id_token=" + QByteArray(17 * 1024, 'a'), 400},
        FormCase{"HugeBody", "state=" + state.toLatin1() + "&id_token=a&x=" + QByteArray(40 * 1024, 'a'),
                 400},
        FormCase{"Empty", "", 400}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ApiAppleHandoff, HandsTheTokenOutOnceWithTheDecodedUser) {
    EXPECT_EQ(take(state, 202).value("status"), "waiting");
    const QByteArray user = R"({"name":{"firstName":"Ada"},"email":"ada+x@example.org"})";
    const auto received = handoff.receiveCallback(
        "state=" + state.toLatin1() + "&id_token=h.c.s&user=" + user.toPercentEncoding().replace("%20", "+"));
    ASSERT_EQ(received.status, 200);
    EXPECT_TRUE(received.body.contains("return to Tidewell"));

    const QJsonObject first = take(state, 200);
    EXPECT_EQ(first.value("idToken"), "h.c.s");
    EXPECT_EQ(first.value("user").toString().toUtf8(), user);
    take(state, 404);
    EXPECT_EQ(handoff.receiveCallback("state=" + state.toLatin1() + "&id_token=other").status, 409)
        << "a replayed callback must not replace a used state";
    EXPECT_EQ(take(QStringLiteral("bad state"), 400).value("error"), "The state is not valid.");
}

TEST_F(ApiAppleHandoff, ForgetsAfterTheLifetimeAndStaysBounded) {
    const auto post = [this](char letter) {
        return handoff.receiveCallback("state=" + QByteArray(30, letter) + "&id_token=t").status;
    };
    EXPECT_EQ(post('a'), 200);
    EXPECT_EQ(post('b'), 200);
    EXPECT_EQ(post('c'), 503) << "the table holds two";
    now = now.addSecs(301);
    EXPECT_EQ(post('c'), 200) << "expired entries make room";
    take(QString(30, 'a'), 202);
    EXPECT_EQ(take(QString(30, 'c'), 200).value("idToken"), "t");
}

} // namespace
