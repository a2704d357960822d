#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace browser {

class ImportViewController;

// The add sheet's view: a title with the close button, the three rows (create a folder, import
// files, receive over Wi-Fi) and, while a batch is copied, a progress bar with the files and bytes
// done and a cancel button. The import row opens the desktop's file dialog (several files,
// without blocking) and hands the chosen files to the controller. The controller is not owned and
// outlives the view. GUI thread only.
class ImportView : public QWidget {
    Q_OBJECT
public:
    explicit ImportView(ImportViewController *controller, QWidget *parent = nullptr);

    QPushButton *createFolderRow() const { return m_createFolder; }
    QPushButton *importRow() const { return m_import; }
    QPushButton *transferRow() const { return m_transfer; }
    QPushButton *closeButton() const { return m_close; }
    QProgressBar *progressBar() const { return m_progressBar; }
    QPushButton *cancelButton() const { return m_cancel; }

private:
    void openFileDialog();
    void updateProgress();

    ImportViewController *m_controller;
    QPushButton *m_close;
    QPushButton *m_createFolder;
    QPushButton *m_import;
    QPushButton *m_transfer;
    QWidget *m_progress;
    QLabel *m_progressText;
    QProgressBar *m_progressBar;
    QPushButton *m_cancel;
};

} // namespace browser
