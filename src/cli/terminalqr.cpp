#include "terminalqr.h"

#include <memory>
#include <qrencode.h>

std::string terminalQrCode(const std::string &text) {
    std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString(text.c_str(), 0, QR_ECLEVEL_M, QR_MODE_8, 1), &QRcode_free);
    if (!code)
        return {};
    const int quiet = 2;
    const int width = code->width;
    const int size = width + 2 * quiet;
    // Dark module: the lowest bit of its byte is set.
    const auto dark = [&](int x, int y) {
        x -= quiet;
        y -= quiet;
        if (x < 0 || y < 0 || x >= width || y >= width)
            return false;
        return (code->data[y * width + x] & 1) != 0;
    };
    std::string out;
    for (int y = 0; y < size; y += 2) {
        for (int x = 0; x < size; ++x) {
            const bool topLight = !dark(x, y);
            const bool bottomLight = y + 1 < size ? !dark(x, y + 1) : false;
            out += topLight && bottomLight ? "\u2588" : topLight ? "\u2580" : bottomLight ? "\u2584" : " ";
        }
        out += '\n';
    }
    return out;
}
