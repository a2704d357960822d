#include "transfer/uploadreceiver.h"

#include "platform/log.h"
#include "thumbnails/imagedecoder.h"
#include "transfer/base64stream.h"
#include "transfer/folderlister.h"
#include "transfer/httpserver.h"
#include "transfer/pathguard.h"
#include "transfer/stagedfile.h"
#include "transfer/wire.h"

#include <QFileInfo>
#include <QUrl>

namespace transfer {
namespace {

constexpr size_t maxBufferedField = 64 * 1024;

// Once a request is known to fail, up to this much more of its body is read and dropped so that
// the client, still sending, gets to read the answer instead of a reset connection.
constexpr uint64_t drainLimit = 16 * 1024 * 1024;

// Wraps a body sink: after the sink first refuses, the rest is drained (within drainLimit).
class Drain {
public:
    template <typename Sink> auto wrap(Sink sink) {
        return [this, sink](const char *data, size_t size) {
            if (!m_failed && sink(data, size))
                return true;
            m_failed = true;
            m_drained += size;
            return m_drained <= drainLimit;
        };
    }
    bool failed() const { return m_failed; }

private:
    bool m_failed = false;
    uint64_t m_drained = 0;
};

// Text from a request as it may appear in a console line: control characters (a line break could
// forge a log line) become spaces.
QString printable(const std::string &text) {
    QString line = QString::fromStdString(text);
    for (QChar &c : line)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u' ';
    return line;
}

std::string urlText(const QString &path) {
    return QUrl::fromLocalFile(path).toEncoded().toStdString();
}

UploadOutcome answer(int status, std::string_view message, std::string_view detail = {},
                     UploadOutcome::Alert alert = UploadOutcome::Alert::None) {
    return UploadOutcome{status, std::string(message) + std::string(detail), alert};
}

const std::string *firstValue(const http::Pairs &pairs, std::string_view key) {
    for (const auto &[name, value] : pairs)
        if (name == key)
            return &value;
    return nullptr;
}

} // namespace

UploadReceiver::UploadReceiver(std::optional<QString> documentFolder, QString targetFolder)
    : m_documentFolder(std::move(documentFolder))
    , m_targetFolder(std::move(targetFolder)) {}

UploadOutcome UploadReceiver::receiveForm(const http::HttpRequest &request, Mode mode) const {
    // The file is staged in its folder while the body streams in. When the folder cannot take it,
    // the form is still read to the end so that the answers keep their order.
    std::optional<StagedFile> staged;
    QString stageError = QStringLiteral("the target folder is not inside the document folder");
    if (m_documentFolder && resolveInside(*m_documentFolder, m_targetFolder)) {
        auto created = StagedFile::create(m_targetFolder);
        if (created)
            staged.emplace(std::move(created).value());
        else
            stageError = created.message();
    }

    // A '+' sent unencoded arrives as a space; the upload route reads it as the '+' it was.
    Base64StreamDecoder base64(mode == Mode::Upload);
    std::string decoded;
    bool writeFailed = false;
    bool contentSeen = false;
    const auto writeDecoded = [&] {
        if (staged && !decoded.empty() && !staged->write(decoded.data(), decoded.size()))
            writeFailed = true;
        decoded.clear();
        return !writeFailed;
    };
    http::FormStreamDecoder form(
        [&contentSeen](const std::string &key) {
            using D = http::FormStreamDecoder::Disposition;
            if (key != wire::contentField)
                return D::Buffer;
            if (contentSeen)
                return D::Discard; // only the first content field counts
            contentSeen = true;
            return D::Stream;
        },
        [&](const char *data, size_t size) {
            base64.feed(data, size, decoded);
            return writeDecoded();
        },
        maxBufferedField);

    Drain drain;
    const http::BodyRead read = request.readBody(
        drain.wrap([&form](const char *data, size_t size) { return form.feed(data, size); }));
    if (read == http::BodyRead::TooLarge)
        return answer(413, wire::tooLargeMessage);
    if (writeFailed) {
        platform::log("Upload: writing failed in " + m_targetFolder);
        return answer(500, wire::writeFailedMessage);
    }
    if (form.status() == http::FormStreamDecoder::Status::ValueTooLarge || !form.finish())
        return answer(400, wire::fieldTooLargeMessage);
    if (read != http::BodyRead::Complete)
        return answer(400, "The request body could not be read.");

    const http::Pairs &pairs = form.pairs();
    if (pairs.empty()) {
        platform::log("Upload: the request carries no form data");
        return answer(400, wire::formMissingMessage);
    }
    const std::string *note = firstValue(pairs, wire::noteField);
    const std::string *name = firstValue(pairs, wire::nameField);
    if (!note || !name || !contentSeen) {
        platform::log("Upload: a required field is missing");
        return answer(400, wire::fieldMissingMessage);
    }
    platform::log("Upload note: " + printable(*note));
    if (!base64.finish(decoded) || base64.failed()) {
        platform::log("Upload: content is not Base64 for " + printable(*name));
        return answer(400, wire::notBase64Message, *name);
    }
    if (!writeDecoded())
        return answer(500, wire::writeFailedMessage);
    if (!m_documentFolder) {
        platform::log("Upload: the document folder is not available");
        return answer(500, wire::noDocumentsMessage);
    }
    const QString fileName = QString::fromStdString(*name);
    if (!isSafeEntryName(*name) || !mayCreateInside(*m_documentFolder, m_targetFolder, fileName))
        return answer(400, wire::badNameMessage, *name);
    if (!staged) {
        platform::log("Upload: cannot stage a file in " + m_targetFolder + ": " + stageError);
        return answer(500, wire::writeFailedMessage);
    }
    return place(*staged, fileName, mode);
}

UploadOutcome UploadReceiver::receiveStream(const http::HttpRequest &request) const {
    const std::optional<std::string> name = request.queryValue(wire::pathKey);
    if (!name)
        return answer(400, wire::fieldMissingMessage);
    if (!m_documentFolder)
        return answer(500, wire::noDocumentsMessage);
    const QString fileName = QString::fromStdString(*name);
    if (!isSafeEntryName(*name) || !mayCreateInside(*m_documentFolder, m_targetFolder, fileName))
        return answer(400, wire::badNameMessage, *name);

    // The checks that need no content come first, so a refused file is not sent for nothing.
    const QString target = m_targetFolder + '/' + fileName;
    const bool exists = QFileInfo::exists(target);
    const std::string ext = lowerExtension(*name);
    if (!wire::contains(wire::uploadExtensions, ext) && !(exists && thumbnails::isDecodableImage(target)))
        return answer(404, wire::unsupportedAlertMessage, {}, UploadOutcome::Alert::Unsupported);
    if (exists)
        return answer(200, wire::existsMessage, urlText(target), UploadOutcome::Alert::AlreadyExists);

    auto created = StagedFile::create(m_targetFolder);
    if (!created) {
        platform::log("Upload: cannot stage a file in " + m_targetFolder + ": " + created.message());
        return answer(500, wire::writeFailedMessage);
    }
    StagedFile staged = std::move(created).value();
    bool writeFailed = false;
    Drain drain;
    const http::BodyRead read = request.readBody(drain.wrap([&](const char *data, size_t size) {
        writeFailed = !staged.write(data, size);
        return !writeFailed;
    }));
    if (read == http::BodyRead::TooLarge)
        return answer(413, wire::tooLargeMessage);
    if (writeFailed) {
        platform::log("Upload: writing failed for " + target);
        return answer(500, wire::writeFailedMessage);
    }
    if (read != http::BodyRead::Complete)
        return answer(400, "The request body could not be read.");
    return place(staged, fileName, Mode::Upload);
}

UploadOutcome UploadReceiver::place(StagedFile &staged, const QString &name, Mode mode) const {
    const QString target = m_targetFolder + '/' + name;
    if (mode == Mode::Save) {
        if (auto committed = staged.commitReplacing(target); !committed) {
            platform::log("Save: writing " + target + " failed: " + committed.message());
            return answer(500, wire::writeFailedMessage);
        }
        platform::log("Saved " + target);
        return answer(200, wire::savedMessage, urlText(target));
    }

    const bool exists = QFileInfo::exists(target);
    if (!wire::contains(wire::uploadExtensions, lowerExtension(name.toStdString())) &&
        !(exists && thumbnails::isDecodableImage(target)))
        return answer(404, wire::unsupportedAlertMessage, {}, UploadOutcome::Alert::Unsupported);
    if (exists)
        return answer(200, wire::existsMessage, urlText(target), UploadOutcome::Alert::AlreadyExists);
    if (auto committed = staged.commitNew(target); !committed) {
        // Another upload of the same name may have won the race since the check above.
        if (committed.reason() == StageError::AlreadyExists)
            return answer(200, wire::existsMessage, urlText(target), UploadOutcome::Alert::AlreadyExists);
        platform::log("Upload: writing " + target + " failed: " + committed.message());
        return answer(500, wire::writeFailedMessage);
    }
    platform::log("Saved " + target);
    return answer(200, wire::savedMessage, urlText(target));
}

} // namespace transfer
