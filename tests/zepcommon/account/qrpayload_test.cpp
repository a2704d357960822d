#include "zepcommon/account/qrpayload.h"

#include <gtest/gtest.h>

using account::QrSignInPayload;

TEST(QrSignInPayload, FiveFieldsOrNone) {
    const QrSignInPayload signedIn{"u-1", "s-2", "a@example.com", true};
    EXPECT_EQ(signedIn.encode(), ",u-1,s-2,a@example.com,true");
    const auto read = QrSignInPayload::parse(signedIn.encode());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->userId, "u-1");
    EXPECT_EQ(read->sessionId, "s-2");
    EXPECT_EQ(read->email, "a@example.com");
    EXPECT_TRUE(read->externalAccount);

    EXPECT_FALSE(QrSignInPayload::parse("ignored,u,s,e,TRUE")->externalAccount) << "only \"true\" counts";
    for (const char *wrong : {"", "u,s,e,true", ",u,s,e,true,extra", ",u,s,a,b@example.com,false"})
        EXPECT_FALSE(QrSignInPayload::parse(wrong)) << wrong;
}
