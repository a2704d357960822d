#include "zepcommon/qr/qrcodegenerator.h"

#include "platform/log.h"
#include "zepcommon/theme/stringutils.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <qrencode.h>

namespace {

using QRcodePtr = std::unique_ptr<QRcode, decltype(&QRcode_free)>;

QRecLevel levelFor(unsigned errorCorrection) {
    switch (errorCorrection) {
    case QRCodeGenerator::LevelL:
        return QR_ECLEVEL_L;
    case QRCodeGenerator::LevelQ:
        return QR_ECLEVEL_Q;
    case QRCodeGenerator::LevelH:
        return QR_ECLEVEL_H;
    default:
        return QR_ECLEVEL_M; // LevelM, and the default level for any other value
    }
}

QString encodeErrorReason(int error) {
    if (error == ERANGE)
        return QStringLiteral("the message is too long for a QR code");
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QRCodeGenerator::QRCodeGenerator(const QByteArray &data)
    : m_data(data) {}

QRCodeGenerator::QRCodeGenerator(const QString &text)
    : m_data(latin1(StringUtils::getSafeString(text))) {}

QRCodeGenerator::QRCodeGenerator(const QString &app, const QString &second, const QString &third,
                                 const QString &forth, const QString &fifth)
    : QRCodeGenerator(QStringLiteral("%1,%2,%3,%4,%5").arg(app, second, third, forth, fifth)) {}

QByteArray QRCodeGenerator::latin1(const QString &text) {
    for (QChar c : text) {
        if (c.unicode() > 0xFF) {
            platform::log(QStringLiteral("Error: the text cannot be encoded as ISO Latin-1"));
            return {};
        }
    }
    return text.toLatin1();
}

QImage QRCodeGenerator::getCIImage() const {
    if (m_data.isEmpty())
        return {};
    errno = 0;
    QRcodePtr code(QRcode_encodeData(static_cast<int>(m_data.size()),
                                     reinterpret_cast<const unsigned char *>(m_data.constData()), 0,
                                     levelFor(m_errorCorrection)),
                   &QRcode_free);
    if (!code) {
        platform::log(QStringLiteral("Error: %1").arg(encodeErrorReason(errno)));
        return {};
    }
    const int modules = code->width;
    const int side = modules + 2 * quietZoneModules;
    QImage image(side, side, QImage::Format_ARGB32);
    if (image.isNull()) {
        platform::log(QStringLiteral("Error: out of memory for the QR image"));
        return {};
    }
    image.fill(m_backgroundColor);
    const QRgb dark = m_color.rgba();
    for (int y = 0; y < modules; ++y) {
        const unsigned char *row = code->data + static_cast<ptrdiff_t>(y) * modules;
        for (int x = 0; x < modules; ++x) {
            if (row[x] & 0x01) // bit 0 marks a dark module
                image.setPixel(x + quietZoneModules, y + quietZoneModules, dark);
        }
    }
    return image;
}

QImage QRCodeGenerator::getImage() const {
    const QImage modules = getCIImage();
    if (modules.isNull())
        return {};
    const QSize target = m_size.toSize();
    if (target.isEmpty())
        return {};
    return modules.scaled(target, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}
