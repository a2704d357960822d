#include "transfer/screen/transferviewcontroller.h"

#include "platform/log.h"
#include "platform/paths.h"
#include "transfer/screen/wifiaddress.h"
#include "transfer/transferserver.h"
#include "zepcommon/qr/qrcodegenerator.h"
#include "zepcommon/theme/zepcolors.h"
#include "zepcommon/theme/zepthememanager.h"

namespace transfer {

namespace {

// Pixels per module of the address code; the view scales it to fit without smoothing.
constexpr int codeModulePixels = 8;

QImage makeCode(const QString &url) {
    QRCodeGenerator generator(url);
    generator.setErrorCorrection(QRCodeGenerator::LevelM);
    const QImage modules = generator.getCIImage();
    if (modules.isNull())
        return {};
    generator.setSize(QSizeF(modules.size() * codeModulePixels));
    return generator.getImage();
}

} // namespace

TransferViewController::TransferViewController(TransferServer &server, ZEPThemeManager &theme,
                                               AddressLookup wifiAddress, FolderLookup documentFolder,
                                               QObject *parent)
    : QObject(parent)
    , m_server(server)
    , m_theme(theme)
    , m_wifiAddress(wifiAddress ? std::move(wifiAddress)
                                : AddressLookup([] { return transfer::wifiAddress(); }))
    , m_documentFolder(documentFolder ? std::move(documentFolder) : FolderLookup(&platform::documentFolder)) {
}

TransferViewController::~TransferViewController() = default;

QString TransferViewController::placeholderText() {
    return tr("Connect this device to Wi-Fi to see the address.");
}

QString TransferViewController::notInTabBarLogLine() {
    return QStringLiteral("Transfer screen is not in a tab bar: no tab icons to bounce");
}

QString TransferViewController::addressColorName() const {
    return m_theme.themeColorInAllApp();
}

std::optional<QString> TransferViewController::uploadFolder() const {
    if (m_folderRecord && m_folderRecord->url().isLocalFile() && !m_folderRecord->path().isEmpty())
        return m_folderRecord->path();
    return m_documentFolder();
}

void TransferViewController::viewDidLoad() {
    m_labels = {
        tr("Wi-Fi Transfer"),
        tr("Move files between this device and a computer."),
        tr("1. Connect this device and the computer to the same Wi-Fi network."),
        tr("2. On the computer, open a web browser and go to this address:"),
        placeholderText(),
        tr("3. Upload files from the page; they arrive in the folder this screen was opened for."),
        tr("4. Click a file on the page to download it to the computer."),
        tr("Keep this screen open while you transfer. The transfer stops when you leave it."),
        tr("Anyone on the same network can open the page while this screen is open."),
        tr("Or scan the code with a phone on the same network:"),
    };
    m_address.reset();
    m_addressCode = {};
    emit labelsChanged();
}

void TransferViewController::viewWillAppear() {
    const std::optional<QString> host = m_wifiAddress();
    m_addressColor = ZEPColors::themeColorWithName(addressColorName());

    if (const std::optional<QString> folder = uploadFolder())
        m_server.registerUploadRoute(*folder);
    else
        platform::log(QStringLiteral("Transfer screen: no upload folder; uploads are off"));
    m_server.registerRoutes();

    // The address names the port the server listens on, which is 8080 unless a test or the
    // command line chose another.
    showAddress(host);
}

void TransferViewController::showAddress(const std::optional<QString> &host) {
    if (host) {
        const quint16 port = m_server.isRunning() ? m_server.port() : TransferServer::defaultPort;
        m_address = transferUrl(*host, port);
        m_labels[size_t(Label::Address)] = *m_address;
        m_addressCode = makeCode(*m_address);
    } else {
        m_address.reset();
        m_labels[size_t(Label::Address)] = placeholderText();
        m_addressCode = {};
    }
    emit addressChanged();
}

void TransferViewController::viewDidAppear() {
    if (m_inTabBar)
        emit bounceRequested();
    else
        platform::log(notInTabBarLogLine());
}

void TransferViewController::viewWillDisappear() {
    const std::optional<QString> folder = uploadFolder();
    if (folder && m_delegate) {
        if (FolderRefreshing *browser = m_delegate->fileBrowser())
            browser->refreshFolder(QUrl::fromLocalFile(*folder));
    }
    m_server.stop();
}

void TransferViewController::close() {
    emit closeRequested();
}

} // namespace transfer
