#include "platform/defaults.h"
#include "platform/paths.h"
#include "testenvironment.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

TEST(Paths, DocumentFolderFollowsOverrideThenEnvironmentThenXdg) {
    const QString root = testsupport::sandboxRoot();
    EXPECT_EQ(platform::documentFolder(), std::optional<QString>(root + "/documents"));

    const QByteArray saved = qgetenv("TIDEWELL_DOCUMENTS");
    qunsetenv("TIDEWELL_DOCUMENTS");
    EXPECT_EQ(platform::documentFolder(), std::optional<QString>(root + "/data/Tidewell/Documents"));
    EXPECT_TRUE(QFileInfo(root + "/data/Tidewell/Documents").isDir()); // created on first use

    platform::setDocumentFolderOverride(root + "/chosen");
    EXPECT_EQ(platform::documentFolder(), std::optional<QString>(root + "/chosen"));
    platform::setDocumentFolderOverride({});
    qputenv("TIDEWELL_DOCUMENTS", saved);
}

TEST(Paths, UnusableDocumentFolderIsNone) {
    const QString file = testsupport::sandboxRoot() + "/a-file";
    testsupport::writeFile(file, "x");
    platform::setDocumentFolderOverride(file);
    EXPECT_FALSE(platform::documentFolder());
    platform::setDocumentFolderOverride({});
}

TEST(Defaults, ValuesPersistPerSuite) {
    {
        platform::Defaults defaults("suite-a");
        defaults.setValue("flag", true);
        platform::Defaults other("suite-b");
        EXPECT_FALSE(other.contains("flag"));
    }
    platform::Defaults reopened("suite-a");
    EXPECT_TRUE(reopened.boolValue("flag"));
    reopened.remove("flag");
    EXPECT_FALSE(platform::Defaults("suite-a").contains("flag"));
    EXPECT_TRUE(QFileInfo::exists(testsupport::sandboxRoot() + "/config/Tidewell/suite-a.ini"));
}
