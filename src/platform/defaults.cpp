#include "platform/defaults.h"

#include "platform/paths.h"

#include <QSettings>

namespace platform {

Defaults::Defaults(const QString &suite)
    : m_settings(std::make_unique<QSettings>(configFolder() + "/" + suite + ".ini", QSettings::IniFormat)) {}

Defaults::~Defaults() = default;

Defaults &Defaults::standard() {
    static Defaults defaults;
    return defaults;
}

QVariant Defaults::value(const QString &key, const QVariant &fallback) const {
    return m_settings->value(key, fallback);
}

bool Defaults::contains(const QString &key) const {
    return m_settings->contains(key);
}

void Defaults::setValue(const QString &key, const QVariant &value) {
    m_settings->setValue(key, value);
    m_settings->sync();
}

void Defaults::remove(const QString &key) {
    m_settings->remove(key);
    m_settings->sync();
}

} // namespace platform
