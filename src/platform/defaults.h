#pragma once

#include <QString>
#include <QVariant>
#include <memory>

class QSettings;

namespace platform {

// User defaults: one QSettings file per suite under the app's config folder
// ($XDG_CONFIG_HOME/Tidewell/<suite>.ini). Values are written through at once.
class Defaults {
public:
    explicit Defaults(const QString &suite = QStringLiteral("standard"));
    ~Defaults();

    static Defaults &standard();

    QVariant value(const QString &key, const QVariant &fallback = {}) const;
    bool boolValue(const QString &key) const { return value(key, false).toBool(); }
    QString stringValue(const QString &key) const { return value(key).toString(); }
    bool contains(const QString &key) const;
    void setValue(const QString &key, const QVariant &value);
    void remove(const QString &key);

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace platform
