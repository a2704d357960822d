// The keyed archive decoder. Any bytes may be offered; an archive that opens answers every
// question without crashing, and an archive written from the input's values reads back the same.
#include "platform/keyedarchive.h"

#include <QtEndian>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    static const QString keys[] = {QStringLiteral("url"), QStringLiteral("name"), QStringLiteral("date"),
                                   QStringLiteral(""), QStringLiteral("size")};
    for (const QString &className : {QStringLiteral("FileRecord"), QStringLiteral("Thing"), QString()}) {
        const auto archive = platform::KeyedUnarchiver::open(bytes, className);
        if (!archive)
            continue;
        for (const QString &key : keys) {
            (void)archive->contains(key);
            (void)archive->decodeText(key);
            (void)archive->decodeUrl(key);
            (void)archive->decodeDate(key);
            (void)archive->decodeInteger(key);
            (void)archive->decodeBool(key);
            (void)archive->decodeData(key);
        }
    }

    // Round trip of values taken from the input.
    const QString text = QString::fromUtf8(bytes);
    const qint64 number = size >= 8 ? qFromBigEndian<qint64>(data) : qint64(size);
    platform::KeyedArchiver writer(text);
    writer.encodeText(QStringLiteral("t"), text);
    writer.encodeData("d:" + text, bytes); // never one of the other keys
    writer.encodeInteger(QStringLiteral("i"), number);
    writer.encodeBool(QStringLiteral("b"), size % 2);
    const auto back = platform::KeyedUnarchiver::open(writer.finish(), text);
    if (!back || back->decodeText(QStringLiteral("t")) != text || back->decodeData("d:" + text) != bytes ||
        back->decodeInteger(QStringLiteral("i")) != number ||
        back->decodeBool(QStringLiteral("b")) != bool(size % 2))
        std::abort();
    return 0;
}
