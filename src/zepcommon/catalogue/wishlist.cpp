#include "zepcommon/catalogue/wishlist.h"

#include "platform/defaults.h"

namespace catalogue {

Wishlist::Wishlist(platform::Defaults &defaults)
    : m_defaults(defaults) {}

QStringList Wishlist::names() const {
    return m_defaults.value(key()).toStringList();
}

bool Wishlist::contains(const QString &appName) const {
    return names().contains(appName);
}

bool Wishlist::toggle(const QString &appName) {
    QStringList list = names();
    const bool added = list.removeAll(appName) == 0;
    if (added)
        list.append(appName);
    m_defaults.setValue(key(), list);
    return added;
}

} // namespace catalogue
