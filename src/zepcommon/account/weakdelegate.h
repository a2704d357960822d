#pragma once

#include <QObject>
#include <QPointer>

namespace account {

// A delegate held without owning it. When the object behind the interface is a QObject (a screen
// controller), its destruction is noticed and get() answers null from then on. Any other object
// must be cleared with set(nullptr) before it goes away. Use from the main thread only.
template <class Interface> class WeakDelegate {
public:
    void set(Interface *delegate) {
        m_delegate = delegate;
        m_object = dynamic_cast<QObject *>(delegate);
        m_tracked = !m_object.isNull();
    }
    Interface *get() const {
        if (m_tracked && m_object.isNull())
            return nullptr;
        return m_delegate;
    }

private:
    Interface *m_delegate = nullptr;
    QPointer<QObject> m_object;
    bool m_tracked = false;
};

} // namespace account
