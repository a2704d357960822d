#include "tarnwick/remotevaluesstore.h"

#include "tarnwick/protocol.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <unistd.h>

namespace tarnwick {

RemoteValuesStore::RemoteValuesStore(QString filePath)
    : m_filePath(std::move(filePath)) {}

QString RemoteValuesStore::defaultFilePath() {
    // Named per user: the temporary folder is shared by everyone on the machine.
    return QDir::tempPath() +
           QStringLiteral("/%1-%2.dat").arg(protocol::remoteValuesFileName).arg(::getuid());
}

bool RemoteValuesStore::load() {
    QFile file(m_filePath);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return false;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    m_data = std::move(bytes);
    return true;
}

bool RemoteValuesStore::save() const {
    if (!m_data || m_data->isEmpty())
        return false;
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(*m_data) != m_data->size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace tarnwick
