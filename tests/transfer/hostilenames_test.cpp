// Names and folders from requests that try to reach outside the document folder. Each is refused
// (list and download 404, upload and save 400), is never remembered as the current folder, and
// nothing outside is read, listed or written.
#include "testenvironment.h"
#include "transferclient.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

using testsupport::readFile;
using testsupport::writeFile;

namespace {

const std::vector<std::string> hostileNames = {
    "..",
    ".",
    "",
    "../secret.txt",
    "../../secret.txt",
    "../outside/secret.txt",
    "/etc/passwd",
    "//etc/passwd",
    "/",
    "..%2Foutside%2Fsecret.txt",
    "..%2foutside%2fsecret.txt",
    "%2e%2e%2foutside%2fsecret.txt",
    "%252e%252e%252fsecret.txt",
    "..\\outside\\secret.txt",
    "..%5Coutside%5Csecret.txt",
    "..%5coutside%5csecret.txt",
    "sub\\..\\..\\secret.txt",
    "\\\\server\\share\\secret.txt",
    "a/../../secret.txt",
    "sub/../../outside/secret.txt",
    "./../secret.txt",
    "....//secret.txt",
    "linkout",
    "linkoutdir/secret.txt",
    "dangling",
    std::string("secret.txt\0.png", 15),
    std::string("\0", 1),
    "name\nwith-newline.png",
    "carriage\r.png",
    "tab\t.png",
    "delete\x7f.png",
    std::string(300, 'a') + ".png",
    "~/secret.txt",
};

const std::vector<std::string> hostileFolders = {
    "..",
    "../",
    "../..",
    "/..",
    "/../outside",
    "Sub/../..",
    "Sub/./..",
    "..\\outside",
    "Sub\\..",
    "%2F..%2Foutside",
    "..%2Foutside",
    "..%5Coutside",
    std::string("Sub\0/..", 7),
    "linkoutdir",
    "linkoutdir/",
    "Sub/linkout",
    "/Documents/..",
    "/Documents/../outside",
    "line\nbreak",
};

// Everything outside the document folder, with contents, to compare before and after.
std::map<QString, QByteArray> outsideSnapshot(const QString &root, const QString &documents) {
    std::map<QString, QByteArray> files;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.startsWith(documents + "/") && path != documents)
            files[path] = QFileInfo(path).isFile() ? readFile(path) : QByteArray("<dir>");
    }
    return files;
}

} // namespace

class HostileInput : public TransferServerTest {
protected:
    void SetUp() override {
        TransferServerTest::SetUp();
        writeFile(doc("Sub/inside.png"), "inside");
        writeFile(doc("secret.txt"), "the inside secret");
        ASSERT_TRUE(QFile::link(outside() + "/secret.txt", doc("linkout")));
        ASSERT_TRUE(QFile::link(outside() + "/secret.txt", doc("Sub/linkout")));
        ASSERT_TRUE(QFile::link(outside(), doc("linkoutdir")));
        ASSERT_TRUE(QFile::link(outside() + "/nothing.png", doc("dangling")));
        startServer();
        list(std::string("Sub"));
        ASSERT_EQ(m_server->currentFolder(), "Sub");
        m_before = outsideSnapshot(m_root->path(), documents());
    }

    void TearDown() override {
        EXPECT_EQ(outsideSnapshot(m_root->path(), documents()), m_before);
        EXPECT_EQ(m_server->currentFolder(), "Sub");
        TransferServerTest::TearDown();
    }

    std::map<QString, QByteArray> m_before;
};

TEST_F(HostileInput, DownloadRefusesEveryHostileName) {
    for (const std::string &name : hostileNames) {
        const Reply reply = download(name);
        EXPECT_EQ(reply.status, 404) << name;
        EXPECT_EQ(reply.body.find("secret"), std::string::npos) << name;
    }
}

TEST_F(HostileInput, ListRefusesEveryHostileFolder) {
    for (const std::string &folder : hostileFolders) {
        const Reply reply = list(folder);
        EXPECT_EQ(reply.status, 404) << folder;
        EXPECT_EQ(reply.body.find("secret"), std::string::npos) << folder;
    }
}

TEST_F(HostileInput, UploadAndSaveRefuseEveryHostileName) {
    for (const std::string &name : hostileNames) {
        for (const char *route : {"/upload", "/save"}) {
            const Reply reply = upload(name, "payload", route);
            EXPECT_EQ(reply.status, 400) << route << " " << name;
            EXPECT_TRUE(reply.body.starts_with("This file name is not allowed: ")) << route << " " << name;
        }
        EXPECT_EQ(putStream(name, "payload").status, 400) << name;
    }
    EXPECT_EQ(readFile(doc("Sub/inside.png")), "inside");
    EXPECT_EQ(readFile(doc("secret.txt")), "the inside secret");
    EXPECT_FALSE(QFileInfo::exists(outside() + "/nothing.png"));
}

// A folder named by the upload route's owner that leads outside is not written to either.
TEST_F(HostileInput, UploadFolderLeadingOutsideIsNotWritten) {
    startServer(doc("linkoutdir"));
    EXPECT_EQ(upload("new.png", "x").status, 400);
    EXPECT_EQ(putStream("new.png", "x").status, 400);
}
