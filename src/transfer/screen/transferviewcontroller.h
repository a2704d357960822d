#pragma once

#include "store/filerecord.h"
#include "transfer/screen/transferviewcontrollerdelegate.h"
#include "ui/screencontroller.h"

#include <QColor>
#include <QImage>
#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <optional>

class ZEPThemeManager;
namespace ui {
class ColorResolver;
}
namespace localnetwork {
class ServiceAnnouncer;
}

namespace transfer {

class TransferService;
struct LocalNetworkPrompt;

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
// it. With an announcer the running server is announced over DNS-SD ("Tidewell on HOST",
// `_http._tcp`, "path=/") and withdrawn when it stops; with a local-network prompt each
// appearance probes the local network, and the first denied result of the run presents the
// permission screen over this one. A server that fails to start is logged by the server; the address is shown
// all the same.
//
// The server, the theme and the colour resolver are not owned and outlive the controller. GUI
// thread only.
class TransferViewController : public ui::ScreenController {
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

    // `wifiAddress` finds the address to show, e.g. addressLookup(the Wi-Fi interface's name);
    // without one no address is found. Without a folder lookup the platform's document folder
    // is used.
    TransferViewController(TransferService &server, ZEPThemeManager &theme, const ui::ColorResolver &colors,
                           AddressLookup wifiAddress = {}, FolderLookup documentFolder = {},
                           QObject *parent = nullptr);
    ~TransferViewController() override;

    // The folder the screen was opened for; none means the top of the document folder.
    const std::optional<FileRecord> &folderRecord() const { return m_folderRecord; }
    void setFolderRecord(std::optional<FileRecord> record) { m_folderRecord = std::move(record); }
    TransferViewControllerDelegate *delegate() const { return m_delegate; }
    void setDelegate(TransferViewControllerDelegate *delegate) { m_delegate = delegate; }
    // In a tab bar (setInTabBar), the tab icons bounce each time the screen appears there.

    // Both optional, not owned, and outlive the controller; set before the screen appears.
    void setAnnouncer(localnetwork::ServiceAnnouncer *announcer);
    void setLocalNetworkPrompt(LocalNetworkPrompt *prompt);
    // The server's ".local" URL ("http://desk.local:8080/") while the announcement is up.
    std::optional<QString> localAddress() const { return m_localAddress; }

    // Empty before viewDidLoad.
    QString labelText(Label label) const { return m_labels[size_t(label)]; }
    QString addressLabelText() const { return labelText(Label::Address); }
    // The URL shown, once an address was found.
    std::optional<QString> address() const { return m_address; }
    // The QR code of the URL shown, with the access code in its fragment while that is on, so
    // scanning it signs in; null while there is no address.
    QImage addressCode() const { return m_addressCode; }
    QString addressCodeText() const { return m_addressCodeText; }

    // The screen's access-code switch (off at first): while on, a browser must give the code
    // shown here; the server makes a fresh one at every start.
    bool isAccessCodeEnabled() const { return m_accessCodeEnabled; }
    void setAccessCodeEnabled(bool enabled);
    // "Access code: 123456" while the switch is on and the server runs; empty otherwise.
    QString accessCodeText() const;
    // The named colour of the address ("ZEPColorInAppWithoutDark-" + theme), resolved at each
    // appearance; nullopt when the colour is missing, and the view keeps its own.
    QString addressColorName() const;
    std::optional<QColor> addressColor() const { return m_addressColor; }
    // The folder uploads go to: the folder record's when it has a local URL, else the document
    // folder; nullopt when neither exists.
    std::optional<QString> uploadFolder() const;

    void viewDidLoad() override;
    void viewWillAppear() override;
    void viewDidAppear() override;
    void viewWillDisappear() override;
    // The close button: asks the presenting screen to dismiss this one (closeRequested, then
    // dismissRequested).
    void close();

    static QString placeholderText();
    static QString notInTabBarLogLine();

signals:
    void labelsChanged();
    void addressChanged();
    void closeRequested();

private:
    void showAddress(const std::optional<QString> &host);

    TransferService &m_server;
    ZEPThemeManager &m_theme;
    const ui::ColorResolver &m_colors;
    AddressLookup m_wifiAddress;
    FolderLookup m_documentFolder;
    std::optional<FileRecord> m_folderRecord;
    TransferViewControllerDelegate *m_delegate = nullptr;
    std::array<QString, labelCount> m_labels;
    std::optional<QString> m_address;
    std::optional<QColor> m_addressColor;
    QImage m_addressCode;
    QString m_addressCodeText;
    bool m_accessCodeEnabled = false;
    std::optional<QString> m_host;
    localnetwork::ServiceAnnouncer *m_announcer = nullptr;
    LocalNetworkPrompt *m_prompt = nullptr;
    std::optional<QString> m_localAddress;
};

} // namespace transfer
