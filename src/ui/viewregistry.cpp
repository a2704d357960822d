#include "ui/viewregistry.h"

#include "ui/screencontroller.h"

#include <QWidget>

namespace ui {

void ViewRegistry::add(const QMetaObject &controllerClass, Factory factory) {
    for (Entry &entry : m_entries) {
        if (entry.controllerClass == &controllerClass) {
            entry.factory = std::move(factory);
            return;
        }
    }
    m_entries.push_back({&controllerClass, std::move(factory)});
}

QWidget *ViewRegistry::makeView(ScreenController *controller) const {
    if (!controller)
        return nullptr;
    for (const QMetaObject *type = controller->metaObject(); type; type = type->superClass()) {
        for (const Entry &entry : m_entries)
            if (entry.controllerClass == type)
                return entry.factory(controller);
    }
    return nullptr;
}

} // namespace ui
