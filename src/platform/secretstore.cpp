#include "platform/secretstore.h"

#include "platform/uniquefd.h"

#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

enum class ReadState { Missing, Ok, Unreadable };

struct Contents {
    ReadState state = ReadState::Missing;
    QJsonObject values;
};

Contents readContents(const QString &path) {
    QFile file(path);
    if (!file.exists())
        return {ReadState::Missing, {}};
    if (!file.open(QIODevice::ReadOnly))
        return {ReadState::Unreadable, {}};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {ReadState::Unreadable, {}};
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return {ReadState::Unreadable, {}};
    return {ReadState::Ok, document.object()};
}

// Writes through a temporary file created with mode 0600 from the start, so the secrets are
// never readable by others, not even for a moment.
bool writeAtomically(const QString &path, const QByteArray &bytes) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return false;
    QByteArray pattern = QFile::encodeName(path + ".tmp-XXXXXX");
    UniqueFd fd(::mkstemp(pattern.data()));
    if (!fd)
        return false;
    const bool written = ::fchmod(fd.get(), S_IRUSR | S_IWUSR) == 0 &&
                         writeAll(fd.get(), bytes.constData(), size_t(bytes.size())) &&
                         ::fsync(fd.get()) == 0;
    const bool closed = fd.reset();
    if (!written || !closed || ::rename(pattern.constData(), QFile::encodeName(path).constData()) != 0) {
        ::unlink(pattern.constData());
        return false;
    }
    return true;
}

} // namespace

SecretStore::SecretStore(QString filePath)
    : m_filePath(std::move(filePath)) {}

QString SecretStore::defaultPath() {
    return dataFolder() + "/secrets.json";
}

std::optional<QString> SecretStore::value(const QString &key) const {
    std::lock_guard lock(m_mutex);
    const Contents contents = readContents(m_filePath);
    const QJsonValue value = contents.values.value(key);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

Result<bool, SecretStore::Error> SecretStore::setValue(const QString &key, const QString &value) {
    if (key.isEmpty())
        return fail(Error::InvalidKey, QStringLiteral("A secret needs a key."));
    return update([&](QJsonObject &values) {
        values.insert(key, value);
        return true;
    });
}

Result<bool, SecretStore::Error> SecretStore::remove(const QString &key) {
    return update([&](QJsonObject &values) { return values.remove(key), true; });
}

// Reads the file, lets change() edit the values and writes them back atomically; an unreadable
// file is never overwritten.
Result<bool, SecretStore::Error> SecretStore::update(const std::function<bool(QJsonObject &)> &change) {
    std::lock_guard lock(m_mutex);
    Contents contents = readContents(m_filePath);
    if (contents.state == ReadState::Unreadable)
        return fail(
            Error::Unreadable,
            QStringLiteral("The secret store %1 cannot be read; it is left as it is.").arg(m_filePath));
    const QJsonObject before = contents.values;
    if (!change(contents.values) || contents.values == before)
        return true;
    if (!writeAtomically(m_filePath, QJsonDocument(contents.values).toJson(QJsonDocument::Compact)))
        return fail(Error::WriteFailed, QStringLiteral("Cannot write the secret store %1: %2")
                                            .arg(m_filePath, QString::fromLocal8Bit(std::strerror(errno))));
    return true;
}

} // namespace platform
