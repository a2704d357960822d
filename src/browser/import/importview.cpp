#include "browser/import/importview.h"

#include "browser/import/importviewcontroller.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPalette>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace browser {

namespace {

QPushButton *makeRow(const QString &text, const QString &icon) {
    auto *row = new QPushButton(text);
    row->setIcon(QIcon(QPixmap::fromImage(ZEPThemeManager::bundleImage(icon, QSize(28, 28)))));
    row->setIconSize(QSize(28, 28));
    row->setAccessibleName(text);
    row->setMinimumHeight(56);
    row->setFlat(true);
    row->setStyleSheet(
        QStringLiteral("QPushButton { text-align: left; padding-left: 12px; font-size: 16px; }"));
    return row;
}

} // namespace

ImportView::ImportView(ImportViewController *controller, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_close(new QPushButton(tr("Close")))
    , m_createFolder(makeRow(ImportViewController::createFolderLabel(), QStringLiteral("folder")))
    , m_import(makeRow(ImportViewController::importLabel(), QStringLiteral("file")))
    , m_transfer(makeRow(ImportViewController::transferLabel(), QStringLiteral("bx_wifi-orange")))
    , m_progress(new QWidget)
    , m_progressText(new QLabel)
    , m_progressBar(new QProgressBar)
    , m_cancel(new QPushButton(tr("Cancel Import"))) {
    setObjectName(QStringLiteral("importView"));
    // The sheet lies over the dark window: it paints its own light page.
    setAutoFillBackground(true);
    QPalette page = palette();
    page.setColor(QPalette::Window, Qt::white);
    page.setColor(QPalette::WindowText, QColor(0x1C, 0x1C, 0x1E));
    page.setColor(QPalette::ButtonText, QColor(0x1C, 0x1C, 0x1E));
    setPalette(page);
    setAccessibleName(tr("Add"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 16, 20, 20);
    column->setSpacing(6);

    auto *top = new QHBoxLayout;
    auto *title = new QLabel(tr("Add"));
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    titleFont.setBold(true);
    title->setFont(titleFont);
    top->addWidget(title);
    top->addStretch();
    m_close->setAccessibleName(tr("Close"));
    top->addWidget(m_close);
    column->addLayout(top);
    column->addWidget(m_createFolder);
    column->addWidget(m_import);
    column->addWidget(m_transfer);

    auto *progressColumn = new QVBoxLayout(m_progress);
    progressColumn->setContentsMargins(0, 8, 0, 0);
    m_progressText->setAccessibleName(tr("Import progress"));
    m_progressBar->setAccessibleName(tr("Import progress"));
    m_progressBar->setRange(0, 1000);
    m_progressBar->setTextVisible(false);
    m_cancel->setAccessibleName(tr("Cancel Import"));
    progressColumn->addWidget(m_progressText);
    progressColumn->addWidget(m_progressBar);
    progressColumn->addWidget(m_cancel, 0, Qt::AlignRight);
    column->addWidget(m_progress);
    column->addStretch();
    m_progress->hide();

    connect(m_close, &QPushButton::clicked, controller, &ImportViewController::close);
    connect(m_createFolder, &QPushButton::clicked, controller, &ImportViewController::showCreateFolderAlert);
    connect(m_import, &QPushButton::clicked, controller, &ImportViewController::pickDocuments);
    connect(m_transfer, &QPushButton::clicked, controller, &ImportViewController::openTransfer);
    connect(m_cancel, &QPushButton::clicked, controller, &ImportViewController::cancelImport);
    connect(controller, &ImportViewController::documentPickRequested, this, &ImportView::openFileDialog);
    connect(controller, &ImportViewController::progressChanged, this, &ImportView::updateProgress);
    updateProgress();
}

void ImportView::openFileDialog() {
    auto *dialog = new QFileDialog(window(), tr("Import Files"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setDirectory(QStandardPaths::writableLocation(QStandardPaths::HomeLocation));
    // filesSelected fires for Qt's own dialog and the desktop's alike (urlsSelected does not).
    connect(dialog, &QFileDialog::filesSelected, m_controller, [this](const QStringList &files) {
        QList<QUrl> urls;
        for (const QString &file : files)
            urls << QUrl::fromLocalFile(file);
        m_controller->importPicked(urls);
    });
    dialog->open();
}

void ImportView::updateProgress() {
    const bool importing = m_controller->isImporting();
    m_progress->setVisible(importing);
    for (QPushButton *row : {m_createFolder, m_import, m_transfer})
        row->setEnabled(!importing);
    if (!importing)
        return;
    const ImportProgress progress = m_controller->progress();
    const QLocale locale;
    m_progressText->setText(tr("Importing file %1 of %2 · %3 of %4")
                                .arg(qMin(progress.filesDone + 1, progress.filesTotal))
                                .arg(progress.filesTotal)
                                .arg(locale.formattedDataSize(progress.bytesDone),
                                     locale.formattedDataSize(progress.bytesTotal)));
    const double share = progress.bytesTotal > 0 ? double(progress.bytesDone) / double(progress.bytesTotal)
                                                 : double(progress.filesDone) / qMax(1, progress.filesTotal);
    m_progressBar->setValue(int(share * 1000));
}

} // namespace browser
