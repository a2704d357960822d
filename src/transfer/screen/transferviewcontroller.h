#pragma once

#include "store/filerecord.h"
#include "transfer/screen/transferviewcontrollerdelegate.h"

#include <QColor>
#include <QImage>
#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <optional>

class ZEPThemeManager;

namespace transfer {

class TransferServer;

// The Wi-Fi transfer screen's behaviour: while the screen is visible the transfer server runs and
// the screen shows the address a browser on the same network opens, with a QR code of it.
//
// Lifecycle, driven by whoever shows the screen (the tab bar, or a presenting sheet):
//   viewDidLoad        sets the ten label texts (the address label shows its placeholder);
//   viewWillAppear     looks up the Wi-Fi address, colours the address, registers the upload
//                      route for the upload folder and the other routes, starts the server;
//   viewDidAppear      asks for the tab-icon bounce when the screen sits in a tab bar;
//   viewWillDisappear  asks the delegate's file browser to reload the upload folder, stops
//                      the server.
// Each appearance registers the routes again and starts the server; each disappearance stops
// it. A server that fails to start is logged by the server; the address is shown all the same.
//
// The server and the theme are not owned and outlive the controller. GUI thread only.
class TransferViewController : public QObject {
    Q_OBJECT
public:
    // The ten labels: nine fixed instruction texts and the address label.
    enum class Label {
        Title,
        Subtitle,
        SameNetwork,
        OpenBrowser,
        Address,
        Upload,
        Download,
        KeepOpen,
        Privacy,
        ScanCode,
    };
    static constexpr int labelCount = 10;

    using AddressLookup = std::function<std::optional<QString>()>;
    using FolderLookup = std::function<std::optional<QString>()>;

    // Without lookups the machine's Wi-Fi address (wifiAddress()) and the platform's document
    // folder are used.
    TransferViewController(TransferServer &server, ZEPThemeManager &theme, AddressLookup wifiAddress = {},
                           FolderLookup documentFolder = {}, QObject *parent = nullptr);
    ~TransferViewController() override;

    // The folder the screen was opened for; none means the top of the document folder.
    const std::optional<FileRecord> &folderRecord() const { return m_folderRecord; }
    void setFolderRecord(std::optional<FileRecord> record) { m_folderRecord = std::move(record); }
    TransferViewControllerDelegate *delegate() const { return m_delegate; }
    void setDelegate(TransferViewControllerDelegate *delegate) { m_delegate = delegate; }
    // Set by a tab bar that holds the screen; the tab icons bounce each time it appears there.
    bool isInTabBar() const { return m_inTabBar; }
    void setInTabBar(bool inTabBar) { m_inTabBar = inTabBar; }

    // Empty before viewDidLoad.
    QString labelText(Label label) const { return m_labels[size_t(label)]; }
    QString addressLabelText() const { return labelText(Label::Address); }
    // The URL shown, once an address was found.
    std::optional<QString> address() const { return m_address; }
    // The QR code of the URL shown; null while there is none.
    QImage addressCode() const { return m_addressCode; }
    // The named colour of the address ("ZEPColorInAppWithoutDark-" + theme), resolved at each
    // appearance; nullopt when the colour is missing, and the view keeps its own.
    QString addressColorName() const;
    std::optional<QColor> addressColor() const { return m_addressColor; }
    // The folder uploads go to: the folder record's when it has a local URL, else the document
    // folder; nullopt when neither exists.
    std::optional<QString> uploadFolder() const;

    void viewDidLoad();
    void viewWillAppear();
    void viewDidAppear();
    void viewWillDisappear();
    // The close button: asks the presenting screen to dismiss this one (closeRequested).
    void close();

    static QString placeholderText();
    static QString notInTabBarLogLine();

signals:
    void labelsChanged();
    void addressChanged();
    void bounceRequested();
    void closeRequested();

private:
    void showAddress(const std::optional<QString> &host);

    TransferServer &m_server;
    ZEPThemeManager &m_theme;
    AddressLookup m_wifiAddress;
    FolderLookup m_documentFolder;
    std::optional<FileRecord> m_folderRecord;
    TransferViewControllerDelegate *m_delegate = nullptr;
    bool m_inTabBar = false;
    std::array<QString, labelCount> m_labels;
    std::optional<QString> m_address;
    std::optional<QColor> m_addressColor;
    QImage m_addressCode;
};

} // namespace transfer
