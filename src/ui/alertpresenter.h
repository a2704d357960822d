#pragma once

#include "ui/alertspec.h"

class QDialog;
class QWidget;

namespace ui {

// Shows an AlertSpec without blocking: the box opens with open() (window-modal over the parent
// when there is one) and deletes itself when closed. Choosing a button runs its action with the
// fields' texts and closes the box; Escape chooses the cancel action. Every button and field
// carries an accessible name.
//
// An alert without text fields is a QMessageBox whose buttons take the role of their style
// (accept, reject, destructive); the desktop's button layout convention places them, in the
// alert's order within a role. One with text fields is a dialog with a line edit per field and
// its buttons in the alert's order; editing a field runs the actions' enable rules again. GUI
// thread only.
class AlertPresenter {
public:
    // Returns the open box, e.g. to name it; it belongs to the parent, or to itself without one.
    static QDialog *present(const AlertSpec &alert, QWidget *parent);
};

} // namespace ui
