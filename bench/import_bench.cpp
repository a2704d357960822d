// Importing through the add sheet against cp, in the same run: 1,000 small files and one 2 GiB
// file. The import is the product's whole path (checks on the GUI thread, copies on the pool, a
// temporary file with its creation date linked into place, fsync). cp is measured as it is and
// followed by `sync` of the copies, which is what the import's fsync buys. Data lives in a
// temporary folder under /tmp and is deleted at the end. Usage: import_bench [big-file-MiB]

#include "browser/import/importviewcontroller.h"
#include "platform/log.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>

namespace {

bool writeFile(const QString &path, qint64 size) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block(1024 * 1024, '\0');
    for (int i = 0; i < block.size(); ++i)
        block[i] = char((i * 131) ^ (i >> 7));
    for (qint64 written = 0; written < size;) {
        const qint64 chunk = qMin<qint64>(block.size(), size - written);
        block[0] = char(written >> 20); // no two blocks alike
        if (file.write(block.constData(), chunk) != chunk)
            return false;
        written += chunk;
    }
    return true;
}

double importSeconds(const QString &destination, const QList<QUrl> &files) {
    browser::ImportViewController sheet(browser::ImportEnvironment{
        [destination] { return std::optional<QString>(destination); }, {}, {}, {}});
    QSignalSpy finished(&sheet, &browser::ImportViewController::importFinished);
    QElapsedTimer timer;
    timer.start();
    sheet.importPicked(files);
    if (sheet.isImporting() && !finished.wait(30 * 60 * 1000))
        return -1;
    return double(timer.nsecsElapsed()) / 1e9;
}

double commandSeconds(const QString &program, const QStringList &arguments) {
    QElapsedTimer timer;
    timer.start();
    if (QProcess::execute(program, arguments) != 0)
        return -1;
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    platform::setLogSink([](const QString &) {}); // one line per imported file otherwise
    const qint64 bigMiB = argc > 1 ? QString::fromLocal8Bit(argv[1]).toLongLong() : 2048;
    QTemporaryDir root(QStringLiteral("/tmp/tidewell-import-bench-XXXXXX"));
    if (!root.isValid())
        return 1;
    QDir dir(root.path());
    for (const char *folder :
         {"small", "big", "import-small", "import-big", "cp-small", "cp-big", "cpsync-small", "cpsync-big"})
        dir.mkpath(QString::fromLatin1(folder));

    QList<QUrl> small;
    QStringList smallPaths;
    for (int i = 0; i < 1000; ++i) {
        const QString path =
            dir.filePath(QStringLiteral("small/file-%1.pdf").arg(i, 4, 10, QLatin1Char('0')));
        if (!writeFile(path, 4096 + i))
            return 1;
        small << QUrl::fromLocalFile(path);
        smallPaths << path;
    }
    const QString big = dir.filePath(QStringLiteral("big/big.mp4"));
    if (!writeFile(big, bigMiB * 1024 * 1024))
        return 1;
    QProcess::execute(QStringLiteral("sync"), {});

    QTextStream out(stdout);
    auto report = [&](const char *what, double seconds, double mib) {
        out << QStringLiteral("%1  %2 s  %3 MiB/s\n")
                   .arg(QString::fromLatin1(what), -34)
                   .arg(seconds, 8, 'f', 3)
                   .arg(seconds > 0 ? mib / seconds : 0, 8, 'f', 1);
        out.flush();
    };
    const double smallMiB = (1000 * 4096.0 + 999 * 1000 / 2.0) / (1024 * 1024);
    report("import 1,000 small files", importSeconds(dir.filePath("import-small"), small), smallMiB);
    report("cp 1,000 small files", commandSeconds("cp", QStringList(smallPaths) << dir.filePath("cp-small")),
           smallMiB);
    QStringList syncSmall = QStringList(smallPaths) << dir.filePath("cpsync-small");
    QElapsedTimer timer;
    timer.start();
    QProcess::execute("cp", syncSmall);
    QProcess::execute("sync", {dir.filePath("cpsync-small")});
    QStringList copied;
    for (int i = 0; i < 1000; ++i)
        copied << dir.filePath(QStringLiteral("cpsync-small/file-%1.pdf").arg(i, 4, 10, QLatin1Char('0')));
    QProcess::execute("sync", copied);
    report("cp + sync 1,000 small files", double(timer.nsecsElapsed()) / 1e9, smallMiB);

    const QString bigName = QStringLiteral("one %1 MiB file").arg(bigMiB);
    report(qPrintable("import " + bigName),
           importSeconds(dir.filePath("import-big"), {QUrl::fromLocalFile(big)}), double(bigMiB));
    report(qPrintable("cp " + bigName), commandSeconds("cp", {big, dir.filePath("cp-big")}), double(bigMiB));
    timer.restart();
    QProcess::execute("cp", {big, dir.filePath("cpsync-big")});
    QProcess::execute("sync", {dir.filePath("cpsync-big/big.mp4")});
    report(qPrintable("cp + sync " + bigName), double(timer.nsecsElapsed()) / 1e9, double(bigMiB));
    return 0;
}
