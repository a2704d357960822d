#include "testenvironment.h"
#include "transfer/stagedfile.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using testsupport::readFile;
using testsupport::writeFile;
using transfer::StagedFile;

class StagedFileTest : public ::testing::Test {
protected:
    QStringList entries() const {
        return QDir(m_dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }
    StagedFile staged(const std::string &bytes) {
        auto created = StagedFile::create(m_dir.path());
        EXPECT_TRUE(created.ok()) << created.message().toStdString();
        StagedFile file = std::move(created).value();
        EXPECT_TRUE(file.write(bytes.data(), bytes.size()));
        return file;
    }
    QTemporaryDir m_dir{testsupport::sandboxRoot() + "/staged-XXXXXX"};
};

TEST_F(StagedFileTest, NothingIsVisibleUntilCommitted) {
    {
        StagedFile file = staged("abc");
        EXPECT_EQ(file.size(), 3);
        EXPECT_TRUE(entries().isEmpty());
    }
    EXPECT_TRUE(entries().isEmpty()); // dropped without a commit: no trace
}

TEST_F(StagedFileTest, CommitNewNeverReplaces) {
    writeFile(m_dir.path() + "/taken.png", "old");
    StagedFile file = staged("new");
    const auto refused = file.commitNew(m_dir.path() + "/taken.png");
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.reason(), transfer::StageError::AlreadyExists);
    EXPECT_EQ(readFile(m_dir.path() + "/taken.png"), "old");

    StagedFile other = staged("fresh");
    EXPECT_TRUE(other.commitNew(m_dir.path() + "/free.png").ok());
    EXPECT_EQ(readFile(m_dir.path() + "/free.png"), "fresh");
    EXPECT_EQ(entries(), (QStringList{"free.png", "taken.png"}));
}

TEST_F(StagedFileTest, CommitReplacingSwapsAtomically) {
    writeFile(m_dir.path() + "/doc.txt", "old");
    StagedFile file = staged("replacement");
    EXPECT_TRUE(file.commitReplacing(m_dir.path() + "/doc.txt").ok());
    EXPECT_EQ(readFile(m_dir.path() + "/doc.txt"), "replacement");
    EXPECT_EQ(entries(), QStringList{"doc.txt"});
    EXPECT_FALSE(file.commitReplacing(m_dir.path() + "/doc.txt").ok()); // only once
}

TEST_F(StagedFileTest, FailedReplaceKeepsTheOriginal) {
    QDir().mkpath(m_dir.path() + "/folder/child");
    StagedFile file = staged("x");
    EXPECT_FALSE(file.commitReplacing(m_dir.path() + "/folder").ok());
    EXPECT_EQ(entries(), QStringList{"folder"});
}
