#pragma once

#include "transfer/uploadreceiver.h"

#include <QString>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace http {
class HttpRequest;
}

namespace transfer {

// What one piece of a resumable upload came to. `received` is the length the server holds after
// the piece (sent back in the Upload-Offset header) when the upload goes on.
struct PieceOutcome {
    UploadOutcome outcome;
    std::optional<uint64_t> received;
    int status = 200;
};

// Uploads sent in pieces under an upload id the browser chooses, so that one cut short (a dropped
// network, a device asleep, a restarted server) goes on from what arrived.
//
// The bytes of an upload live in a hidden file in the folder they go to,
// ".tidewell-resume-<id>-<total>.part", which listings leave out. Its length is the received
// length. A piece names its place (offset) and the file's total size; it may repeat bytes already
// received (they are written again), but not leave a gap (409 with the received length). A piece
// reaching past the total is refused (413). Once the last byte arrived the file is linked under
// its name only when no entry of that name exists (never overwriting; two uploads of one name end
// with one file), with the upload route's checks, answers and alerts. An upload left alone for
// longer than `expiry` is removed. A piece cut short keeps what arrived and answers 503. Pieces of one upload
// are received one at a time (an exclusive lock on its file; a second piece meanwhile gets 409). Thread-safe;
// no state beyond the files.
class ResumableUploads {
public:
    static constexpr std::chrono::seconds expiry{3600};

    // 8 to 64 characters of letters, digits, '-' and '_'.
    static bool isValidId(std::string_view id);

    // documentFolder: the root nothing may leave; folder: where uploads are received.
    ResumableUploads(std::optional<QString> documentFolder, QString folder);

    // PUT /upload-stream?id=&path=&offset=&total= with the piece as the body.
    PieceOutcome receivePiece(const http::HttpRequest &request) const;
    // The received length of an upload in progress; nullopt when there is none (or it expired).
    std::optional<uint64_t> receivedLength(std::string_view id) const;
    // Removes the uploads of the folder untouched for longer than expiry. Returns how many.
    int removeExpired() const;

private:
    std::optional<QString> m_documentFolder;
    QString m_folder;
};

// Whether a hidden staging name belongs to a resumable upload (kept across restarts).
bool isResumableName(std::string_view name);

} // namespace transfer
