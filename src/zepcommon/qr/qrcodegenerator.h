#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QSizeF>
#include <QString>

// Makes QR code images with libqrencode.
//
// The message is a byte buffer; texts are stored as ISO Latin-1. A text with a character outside
// Latin-1 stores no data (and is logged), so such a generator makes no image rather than a code
// of a different text. Every failure gives a null image and logs "Error: <reason>".
class QRCodeGenerator {
public:
    // errorCorrection values; any other value uses the default level, M.
    enum ErrorCorrection : unsigned { LevelL = 0, LevelM = 1, LevelQ = 2, LevelH = 3 };
    // Light modules drawn around the code, as the QR standard asks of readers' surroundings.
    static constexpr int quietZoneModules = 4;

    QRCodeGenerator() = default;
    explicit QRCodeGenerator(const QByteArray &data);
    explicit QRCodeGenerator(const QString &text);
    // A UTF-8 literal is a text, not bytes.
    explicit QRCodeGenerator(const char *text)
        : QRCodeGenerator(QString::fromUtf8(text)) {}
    // The five values joined as "a,b,c,d,e" (no spaces, no escaping).
    QRCodeGenerator(const QString &app, const QString &second, const QString &third, const QString &forth,
                    const QString &fifth);

    const QByteArray &data() const { return m_data; }
    unsigned errorCorrection() const { return m_errorCorrection; }
    void setErrorCorrection(unsigned level) { m_errorCorrection = level; }
    QSizeF size() const { return m_size; }
    void setSize(const QSizeF &size) { m_size = size; }
    QColor color() const { return m_color; }
    void setColor(const QColor &color) { m_color = color; }
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor &color) { m_backgroundColor = color; }

    // One pixel per module, quiet zone included, dark modules in color() and light ones in
    // backgroundColor(). Null when there is no data or the data does not fit a QR code.
    QImage getCIImage() const;
    // The module image stretched to size() on each axis by itself (so a non-square size gives a
    // squeezed code), without smoothing. Null when getCIImage is null or size() is empty.
    QImage getImage() const;

private:
    static QByteArray latin1(const QString &text);

    QByteArray m_data;
    unsigned m_errorCorrection = 0;
    QSizeF m_size{200, 200};
    QColor m_color{0, 0, 0};
    QColor m_backgroundColor{255, 255, 255};
};
