#include "testenvironment.h"
#include "transfer/pathguard.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using transfer::isSafeEntryName;
using transfer::mayCreateInside;
using transfer::resolveInside;
using transfer::safeRelativeFolder;

TEST(PathGuard, EntryNames) {
    for (const char *good : {"a.png", "100%.txt", "a%20b.txt", ".hidden", "...", "ünïcødé ✓.jpg", "a..b"})
        EXPECT_TRUE(isSafeEntryName(good)) << good;
    for (const char *bad :
         {"", ".", "..", "a/b", "a\\b", "%2e%2e", "x%2Fy", "x%5cy", "%252F", "a\tb", "a\x7f"})
        EXPECT_FALSE(isSafeEntryName(bad)) << bad;
    EXPECT_TRUE(isSafeEntryName(std::string(255, 'n')));
    EXPECT_FALSE(isSafeEntryName(std::string(256, 'n')));
}

TEST(PathGuard, RelativeFoldersAreNormalised) {
    EXPECT_EQ(safeRelativeFolder("/"), QString(""));
    EXPECT_EQ(safeRelativeFolder(""), QString(""));
    EXPECT_EQ(safeRelativeFolder("/Photos//2024/"), QString("Photos/2024"));
    EXPECT_EQ(safeRelativeFolder("Photos"), QString("Photos"));
    EXPECT_FALSE(safeRelativeFolder("Photos/../.."));
    EXPECT_FALSE(safeRelativeFolder("./Photos"));
}

TEST(PathGuard, SymlinksAreFollowedBeforeTheContainmentCheck) {
    QTemporaryDir root(testsupport::sandboxRoot() + "/guard-XXXXXX");
    const QString docs = root.path() + "/docs";
    QDir().mkpath(docs + "/inner");
    QDir().mkpath(root.path() + "/docs-sibling");
    ASSERT_TRUE(QFile::link(docs + "/inner", docs + "/to-inner"));
    ASSERT_TRUE(QFile::link(root.path() + "/docs-sibling", docs + "/to-sibling"));

    EXPECT_TRUE(resolveInside(docs, docs));
    EXPECT_TRUE(resolveInside(docs, docs + "/to-inner"));
    // A sibling whose name starts with the root's name is still outside.
    EXPECT_FALSE(resolveInside(docs, docs + "/to-sibling"));
    EXPECT_FALSE(resolveInside(docs, docs + "/missing"));

    EXPECT_TRUE(mayCreateInside(docs, docs + "/inner", "new.png"));
    EXPECT_FALSE(mayCreateInside(docs, docs + "/to-sibling", "new.png"));
    EXPECT_FALSE(mayCreateInside(docs, docs, "to-sibling"));
    EXPECT_TRUE(mayCreateInside(docs, docs, "to-inner"));
}
