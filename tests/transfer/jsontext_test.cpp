#include "transfer/folderlister.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

TEST(JsonText, EscapesWhatJsonRequiresAndKeepsTheRest) {
    const std::string text = "plain \"quoted\" back\\slash\nline\ttab\x01\x1f ünï ✓ </script>";
    std::string json;
    transfer::appendJsonString(json, text);
    EXPECT_EQ(json.find('\n'), std::string::npos);
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString("[" + json + "]"));
    ASSERT_TRUE(document.isArray());
    EXPECT_EQ(document.array().at(0).toString().toStdString(), text);
}
