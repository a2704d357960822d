// Shared main of every GoogleTest binary: the user's folders are replaced by a sandbox before
// any code under test can read them, and a Qt application object exists for the whole run.
#include "testenvironment.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#ifdef TIDEWELL_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

namespace testsupport {
QString &sandboxRootStorage();
}

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QTemporaryDir sandbox(QDir::tempPath() + "/tidewell-test-XXXXXX");
    if (!sandbox.isValid())
        return 2;
    const QString root = sandbox.path();
    testsupport::sandboxRootStorage() = root;
    for (const char *sub : {"data", "config", "cache", "runtime", "documents"})
        QDir().mkpath(root + "/" + sub);
    qputenv("HOME", root.toUtf8());
    qputenv("XDG_DATA_HOME", (root + "/data").toUtf8());
    qputenv("XDG_CONFIG_HOME", (root + "/config").toUtf8());
    qputenv("XDG_CACHE_HOME", (root + "/cache").toUtf8());
    qputenv("TIDEWELL_DOCUMENTS", (root + "/documents").toUtf8());

    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
