#include "transfer/uploadreceiver.h"

#include "store/folderlisting.h"

#include "http/httpserver.h"
#include "platform/log.h"
#include "thumbnails/imagedecoder.h"
#include "transfer/folderlister.h"
#include "transfer/formbase64decoder.h"
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

using Result = UploadOutcome::Result;

// The reply text of a result; results about one file carry its name or URL after the text.
std::string_view messageFor(Result result) {
    switch (result) {
    case Result::Saved:
        return wire::savedMessage;
    case Result::AlreadyExists:
        return wire::existsMessage;
    case Result::FormMissing:
        return wire::formMissingMessage;
    case Result::FieldMissing:
        return wire::fieldMissingMessage;
    case Result::FieldTooLarge:
        return wire::fieldTooLargeMessage;
    case Result::BodyUnreadable:
        return wire::bodyUnreadableMessage;
    case Result::NotBase64:
        return wire::notBase64Message;
    case Result::BadName:
        return wire::badNameMessage;
    case Result::Unsupported:
        return wire::unsupportedAlertMessage;
    case Result::TooLarge:
        return wire::tooLargeMessage;
    case Result::NoDocuments:
        return wire::noDocumentsMessage;
    case Result::WriteFailed:
        return wire::writeFailedMessage;
    }
    return wire::writeFailedMessage;
}

UploadOutcome answer(Result result, std::string_view detail = {}) {
    return uploadOutcome(result, detail);
}

const std::string *firstValue(const http::Pairs &pairs, std::string_view key) {
    for (const auto &[name, value] : pairs)
        if (name == key)
            return &value;
    return nullptr;
}

} // namespace

UploadOutcome uploadOutcome(UploadOutcome::Result result, std::string_view detail) {
    const UploadOutcome::Alert alert = result == Result::AlreadyExists ? UploadOutcome::Alert::AlreadyExists
                                       : result == Result::Unsupported ? UploadOutcome::Alert::Unsupported
                                                                       : UploadOutcome::Alert::None;
    return UploadOutcome{result, std::string(messageFor(result)) + std::string(detail), alert};
}

bool isReceivableType(const QString &target) {
    const std::string ext = store::lowerExtension(QFileInfo(target).fileName().toStdString());
    return wire::contains(wire::uploadExtensions, ext) ||
           (QFileInfo::exists(target) && thumbnails::isDecodableImage(target));
}

int httpStatus(UploadOutcome::Result result) {
    switch (result) {
    case Result::Saved:
    case Result::AlreadyExists:
        return 200;
    case Result::FormMissing:
    case Result::FieldMissing:
    case Result::FieldTooLarge:
    case Result::BodyUnreadable:
    case Result::NotBase64:
    case Result::BadName:
        return 400;
    case Result::Unsupported:
        return 404;
    case Result::TooLarge:
        return 413;
    case Result::NoDocuments:
    case Result::WriteFailed:
        return 500;
    }
    return 500;
}

int UploadOutcome::status() const {
    return httpStatus(result);
}

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

    // The content field is decoded from the body's own pieces, percent escapes and Base64 in one
    // pass, into blocks the staged file writes as they stand. A '+' sent unencoded arrives as a
    // space; the upload route reads it as the '+' it was.
    bool writeFailed = false;
    bool contentSeen = false;
    FormBase64Decoder content(mode == Mode::Upload, [&](const char *data, size_t size) {
        if (staged && !staged->write(data, size))
            writeFailed = true;
        return !writeFailed;
    });
    http::FormStreamDecoder form(
        [&contentSeen](const std::string &key) {
            using D = http::FormStreamDecoder::Disposition;
            if (key != wire::contentField)
                return D::Buffer;
            if (contentSeen)
                return D::Discard; // only the first content field counts
            contentSeen = true;
            return D::Raw;
        },
        [&content](const char *data, size_t size) { return content.feed(data, size); }, maxBufferedField);

    Drain drain;
    const http::BodyRead read = request.readBody(
        drain.wrap([&form](const char *data, size_t size) { return form.feed(data, size); }));
    if (read == http::BodyRead::TooLarge)
        return answer(Result::TooLarge);
    if (writeFailed) {
        platform::log("Upload: writing failed in " + m_targetFolder);
        return answer(Result::WriteFailed);
    }
    if (form.status() == http::FormStreamDecoder::Status::ValueTooLarge || !form.finish())
        return answer(Result::FieldTooLarge);
    if (read != http::BodyRead::Complete)
        return answer(Result::BodyUnreadable);

    const http::Pairs &pairs = form.pairs();
    if (pairs.empty()) {
        platform::log("Upload: the request carries no form data");
        return answer(Result::FormMissing);
    }
    const std::string *note = firstValue(pairs, wire::noteField);
    const std::string *name = firstValue(pairs, wire::nameField);
    if (!note || !name || !contentSeen) {
        platform::log("Upload: a required field is missing");
        return answer(Result::FieldMissing);
    }
    platform::log("Upload note: " + printable(*note));
    if (!content.finish() && !writeFailed) {
        platform::log("Upload: content is not Base64 for " + printable(*name));
        return answer(Result::NotBase64, *name);
    }
    if (writeFailed)
        return answer(Result::WriteFailed);
    if (!m_documentFolder) {
        platform::log("Upload: the document folder is not available");
        return answer(Result::NoDocuments);
    }
    const QString fileName = QString::fromStdString(*name);
    if (!isSafeEntryName(*name) || !mayCreateInside(*m_documentFolder, m_targetFolder, fileName))
        return answer(Result::BadName, *name);
    if (!staged) {
        platform::log("Upload: cannot stage a file in " + m_targetFolder + ": " + stageError);
        return answer(Result::WriteFailed);
    }
    return place(*staged, fileName, mode);
}

UploadOutcome UploadReceiver::receiveStream(const http::HttpRequest &request) const {
    const std::optional<std::string> name = request.queryValue(wire::pathKey);
    if (!name)
        return answer(Result::FieldMissing);
    if (!m_documentFolder)
        return answer(Result::NoDocuments);
    const QString fileName = QString::fromStdString(*name);
    if (!isSafeEntryName(*name) || !mayCreateInside(*m_documentFolder, m_targetFolder, fileName))
        return answer(Result::BadName, *name);

    // The checks that need no content come first, so a refused file is not sent for nothing.
    const QString target = m_targetFolder + '/' + fileName;
    const bool exists = QFileInfo::exists(target);
    const std::string ext = store::lowerExtension(*name);
    if (!wire::contains(wire::uploadExtensions, ext) && !(exists && thumbnails::isDecodableImage(target)))
        return answer(Result::Unsupported);
    if (exists)
        return answer(Result::AlreadyExists, urlText(target));

    auto created = StagedFile::create(m_targetFolder);
    if (!created) {
        platform::log("Upload: cannot stage a file in " + m_targetFolder + ": " + created.message());
        return answer(Result::WriteFailed);
    }
    StagedFile staged = std::move(created).value();
    bool writeFailed = false;
    Drain drain;
    const http::BodyRead read = request.readBody(drain.wrap([&](const char *data, size_t size) {
        writeFailed = !staged.write(data, size);
        return !writeFailed;
    }));
    if (read == http::BodyRead::TooLarge)
        return answer(Result::TooLarge);
    if (writeFailed) {
        platform::log("Upload: writing failed for " + target);
        return answer(Result::WriteFailed);
    }
    if (read != http::BodyRead::Complete)
        return answer(Result::BodyUnreadable);
    return place(staged, fileName, Mode::Upload);
}

UploadOutcome UploadReceiver::place(StagedFile &staged, const QString &name, Mode mode) const {
    const QString target = m_targetFolder + '/' + name;
    if (mode == Mode::Save) {
        if (auto committed = staged.commitReplacing(target); !committed) {
            platform::log("Save: writing " + target + " failed: " + committed.message());
            return answer(Result::WriteFailed);
        }
        platform::log("Saved " + target);
        return answer(Result::Saved, urlText(target));
    }

    const bool exists = QFileInfo::exists(target);
    if (!wire::contains(wire::uploadExtensions, store::lowerExtension(name.toStdString())) &&
        !(exists && thumbnails::isDecodableImage(target)))
        return answer(Result::Unsupported);
    if (exists)
        return answer(Result::AlreadyExists, urlText(target));
    if (auto committed = staged.commitNew(target); !committed) {
        // Another upload of the same name may have won the race since the check above.
        if (committed.reason() == StageError::AlreadyExists)
            return answer(Result::AlreadyExists, urlText(target));
        platform::log("Upload: writing " + target + " failed: " + committed.message());
        return answer(Result::WriteFailed);
    }
    platform::log("Saved " + target);
    return answer(Result::Saved, urlText(target));
}

} // namespace transfer
