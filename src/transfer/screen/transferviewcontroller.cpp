#include "transfer/screen/transferviewcontroller.h"

#include "platform/log.h"
#include "platform/paths.h"
#include "transfer/accesscode.h"
#include "transfer/screen/localnetworkprompt.h"
#include "transfer/screen/transferservice.h"
#include "transfer/screen/wifiaddress.h"
#include "ui/colorresolver.h"
#include "zepcommon/localnetwork/lnamanager.h"
#include "zepcommon/localnetwork/serviceannouncer.h"
#include "zepcommon/qr/qrcodegenerator.h"
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

TransferViewController::TransferViewController(TransferService &server, ZEPThemeManager &theme,
                                               const ui::ColorResolver &colors, AddressLookup wifiAddress,
                                               FolderLookup documentFolder, QObject *parent)
    : ScreenController(parent)
    , m_server(server)
    , m_theme(theme)
    , m_colors(colors)
    , m_wifiAddress(wifiAddress ? std::move(wifiAddress)
                                : AddressLookup([] { return std::optional<QString>(); }))
    , m_documentFolder(documentFolder ? std::move(documentFolder) : FolderLookup(&platform::documentFolder)) {
    setTitle(tr("Wi-Fi Transfer"));
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

void TransferViewController::setAnnouncer(localnetwork::ServiceAnnouncer *announcer) {
    m_announcer = announcer;
    if (!announcer)
        return;
    connect(announcer, &localnetwork::ServiceAnnouncer::established, this,
            [this](const QString &, const QString &host) {
                m_localAddress = localnetwork::ServiceAnnouncer::localUrl(host, m_server.port());
                emit addressChanged();
            });
    connect(announcer, &localnetwork::ServiceAnnouncer::withdrawn, this, [this] {
        m_localAddress.reset();
        emit addressChanged();
    });
}

void TransferViewController::setLocalNetworkPrompt(LocalNetworkPrompt *prompt) {
    m_prompt = prompt;
    if (!prompt)
        return;
    connect(&prompt->manager, &localnetwork::LNAManager::pingCompleted, this, [this](bool granted) {
        // A transfer page no one can find is worth telling the person about, once per run.
        if (granted || !isVisible() || !m_prompt->makeScreen || m_prompt->offered)
            return;
        m_prompt->offered = true;
        if (ui::ScreenController *screen = m_prompt->makeScreen())
            present(screen, ui::Presentation::fullScreen());
    });
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
    m_addressColor = m_colors.color(addressColorName());

    m_server.registerRoutes(uploadFolder());
    m_server.start();
    showAddress(host);
    if (m_announcer && m_server.isRunning())
        m_announcer->start(localnetwork::ServiceAnnouncer::transferServiceName(),
                           localnetwork::ServiceAnnouncer::transferServiceType(), m_server.port(),
                           {QStringLiteral("path=/")});
    if (m_prompt && !m_prompt->offered)
        m_prompt->manager.requestAuthorization();
}

void TransferViewController::showAddress(const std::optional<QString> &host) {
    m_host = host;
    if (host) {
        m_address = transferUrl(*host, m_server.port());
        m_labels[size_t(Label::Address)] = *m_address;
        const QString code = m_server.accessCode();
        m_addressCodeText =
            code.isEmpty()
                ? *m_address
                : QString::fromStdString(AccessCode::signInUrl(m_address->toStdString(), code.toStdString()));
        m_addressCode = makeCode(m_addressCodeText);
    } else {
        m_address.reset();
        m_labels[size_t(Label::Address)] = placeholderText();
        m_addressCode = {};
        m_addressCodeText.clear();
    }
    emit addressChanged();
}

void TransferViewController::setAccessCodeEnabled(bool enabled) {
    if (enabled == m_accessCodeEnabled)
        return;
    m_accessCodeEnabled = enabled;
    m_server.setAccessCodeEnabled(enabled);
    platform::log(enabled ? QStringLiteral("Transfer screen: the page asks for an access code")
                          : QStringLiteral("Transfer screen: the page asks for no access code"));
    // While the server runs, the code (and the QR code carrying it) changes on screen at once.
    if (m_server.isRunning())
        showAddress(m_host);
}

QString TransferViewController::accessCodeText() const {
    const QString code = m_server.accessCode();
    if (!m_accessCodeEnabled || code.isEmpty() || !m_server.isRunning())
        return {};
    return tr("Access code: %1").arg(code);
}

void TransferViewController::viewDidAppear() {
    if (isInTabBar())
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
    if (m_announcer)
        m_announcer->stop();
}

void TransferViewController::close() {
    emit closeRequested();
    dismiss();
}

} // namespace transfer
