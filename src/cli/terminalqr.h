#pragma once

#include <string>

// A QR code of the text drawn with Unicode half blocks, two module rows per line, light modules as
// full glyphs so that it reads on a dark terminal; with its quiet zone. Empty when it cannot be made.
std::string terminalQrCode(const std::string &text);
