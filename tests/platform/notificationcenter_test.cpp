#include "platform/notificationcenter.h"

#include <QCoreApplication>
#include <QObject>
#include <gtest/gtest.h>
#include <thread>

using platform::Notification;
using platform::NotificationCenter;

TEST(NotificationCenter, DeliversByNameWithUserInfoAndStopsAfterRemoval) {
    NotificationCenter center;
    std::vector<QString> seen;
    const auto token = center.addObserver("A", [&](const Notification &n) {
        seen.push_back(n.name + ":" + n.userInfo.value("key").toString());
    });
    center.addObserver("B", [&](const Notification &) { seen.push_back("B"); });
    center.post("A", {{"key", "1"}});
    center.post("C");
    center.removeObserver(token);
    center.post("A", {{"key", "2"}});
    EXPECT_EQ(seen, (std::vector<QString>{"A:1"}));
}

TEST(NotificationCenter, ObserversWithAContextRunOnItsThreadAndDieWithIt) {
    NotificationCenter center;
    int calls = 0;
    auto context = std::make_unique<QObject>();
    center.addObserver(
        "N", [&](const Notification &) { ++calls; }, context.get());
    std::thread poster([&] { center.post("N"); });
    poster.join();
    EXPECT_EQ(calls, 0); // queued to the context's (this) thread
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 1);

    center.post("N");
    context.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 1);
}

TEST(NotificationCenter, ObserverMayRemoveItselfWhileBeingCalled) {
    NotificationCenter center;
    int calls = 0;
    NotificationCenter::Token token = 0;
    token = center.addObserver("N", [&](const Notification &) {
        ++calls;
        center.removeObserver(token);
    });
    center.post("N");
    center.post("N");
    EXPECT_EQ(calls, 1);
}
