#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

namespace browser {

// The entries chosen in selection mode, by URL, in the order they were chosen. A URL may stand
// twice after select-all (it appends every shown entry, chosen or not); removing a URL removes
// every copy. changed fires after every change. GUI thread only.
class SelectionManager : public QObject {
    Q_OBJECT
public:
    explicit SelectionManager(QObject *parent = nullptr);

    const QList<QUrl> &selectedURLs() const { return m_urls; }
    bool allSelected() const { return m_allSelected; }
    bool isEmpty() const { return m_urls.isEmpty(); }
    bool contains(const QUrl &url) const { return m_urls.contains(url); }
    // True when every URL given is selected (false for an empty list).
    bool containsAll(const QList<QUrl> &urls) const;

    // Appends the URL when absent, else removes it; answers whether it is now selected.
    bool toggle(const QUrl &url);
    // Appends every URL (also those already chosen) and marks select-all in force.
    void selectAll(const QList<QUrl> &urls);
    // Empties the selection and clears select-all.
    void clear();

signals:
    void changed();

private:
    QList<QUrl> m_urls;
    bool m_allSelected = false;
};

} // namespace browser
