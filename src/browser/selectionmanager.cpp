#include "browser/selectionmanager.h"

namespace browser {

SelectionManager::SelectionManager(QObject *parent)
    : QObject(parent) {}

bool SelectionManager::containsAll(const QList<QUrl> &urls) const {
    if (urls.isEmpty())
        return false;
    for (const QUrl &url : urls) {
        if (!m_urls.contains(url))
            return false;
    }
    return true;
}

bool SelectionManager::toggle(const QUrl &url) {
    const bool selected = !m_urls.contains(url);
    if (selected)
        m_urls.append(url);
    else
        m_urls.removeAll(url);
    emit changed();
    return selected;
}

void SelectionManager::selectAll(const QList<QUrl> &urls) {
    m_allSelected = true;
    m_urls.append(urls);
    emit changed();
}

void SelectionManager::clear() {
    m_urls.clear();
    m_allSelected = false;
    emit changed();
}

} // namespace browser
