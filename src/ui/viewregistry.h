#pragma once

#include <QMetaObject>
#include <functional>
#include <vector>

class QWidget;

namespace ui {

class ScreenController;

// How the widget side finds the view of a controller it is asked to show: the composing code
// registers one factory per controller class, and a pushed or presented controller gets the view
// of its class, or of its nearest registered base class. GUI thread only.
class ViewRegistry {
public:
    using Factory = std::function<QWidget *(ScreenController *controller)>;

    void add(const QMetaObject &controllerClass, Factory factory);
    template <class Controller> void add(std::function<QWidget *(Controller *)> factory) {
        add(Controller::staticMetaObject, [factory = std::move(factory)](ScreenController *controller) {
            return factory(static_cast<Controller *>(controller));
        });
    }

    // A new view for the controller (the caller owns it); null when no class of it is registered.
    QWidget *makeView(ScreenController *controller) const;

private:
    struct Entry {
        const QMetaObject *controllerClass;
        Factory factory;
    };
    std::vector<Entry> m_entries;
};

} // namespace ui
