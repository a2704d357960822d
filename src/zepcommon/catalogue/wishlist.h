#pragma once

#include <QString>
#include <QStringList>

namespace platform {
class Defaults;
}

namespace catalogue {

// The names of coming-soon apps the person asked for, a list of texts under the user-defaults
// key "App-Added-To-Wishlist". The defaults are not owned and outlive the list. GUI thread only.
class Wishlist {
public:
    static QString key() { return QStringLiteral("App-Added-To-Wishlist"); }

    explicit Wishlist(platform::Defaults &defaults);

    QStringList names() const;
    bool contains(const QString &appName) const;
    // Removes the name when it is listed, else appends it; saves the list. True when it is now
    // listed.
    bool toggle(const QString &appName);

private:
    platform::Defaults &m_defaults;
};

} // namespace catalogue
