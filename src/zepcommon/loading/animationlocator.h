#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// Finds a Lottie file "<name>.json" in an ordered list of folders (resource folders included);
// the first folder that holds one wins.
class AnimationLocator {
public:
    // The app's resources (":/animations", ":/"), then the common bundle's animations, then the
    // "animations" folder beside the program.
    static QStringList defaultSearchPaths();

    explicit AnimationLocator(QStringList searchPaths = defaultSearchPaths());

    std::optional<QString> find(const QString &name) const;
    // Hands the file's bytes to `consume` and returns its answer; false on a read error. The bytes
    // are a view of a memory map where the file allows one, valid only during the call.
    static bool read(const QString &path, const std::function<bool(const QByteArray &bytes)> &consume);

private:
    QStringList m_searchPaths;
};
