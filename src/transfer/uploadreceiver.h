#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace http {
class HttpRequest;
}

namespace transfer {

class DeviceAlerts;
class StagedFile;

// What an upload or save request came to: the result, the reply's text and, for the upload route,
// the alert to show. The HTTP status follows from the result alone (httpStatus).
struct UploadOutcome {
    enum class Result {
        Saved,
        AlreadyExists,
        FormMissing,
        FieldMissing,
        FieldTooLarge,
        BodyUnreadable,
        NotBase64,
        BadName,
        Unsupported,
        TooLarge,
        NoDocuments,
        WriteFailed,
    };
    enum class Alert { None, AlreadyExists, Unsupported };

    Result result = Result::Saved;
    std::string message;
    Alert alert = Alert::None;

    int status() const;
};

// The one place where upload results meet HTTP statuses.
int httpStatus(UploadOutcome::Result result);

// The outcome of a result: its reply text followed by `detail` (a name or URL), and its alert.
UploadOutcome uploadOutcome(UploadOutcome::Result result, std::string_view detail = {});

// Whether a file of this name may be received into the folder: its extension is accepted, or a
// file of that name there already decodes as an image (and will be refused as existing).
bool isReceivableType(const QString &target);

// Receives one file from a request into a folder. The body is decoded as it arrives and written to
// a staged file in the target folder, so memory stays flat whatever the size; the file gets its name
// only when everything checked out. Nothing under the target name is written or left half-written on
// failure. Thread-safe: each call works on its own request.
class UploadReceiver {
public:
    enum class Mode {
        Upload, // the upload route: type check, never overwrites, a space in the content is a '+'
        Save,   // the save route: no checks, replaces an existing file
    };

    // documentFolder: the root nothing may leave (nullopt: not available, which answers 500).
    UploadReceiver(std::optional<QString> documentFolder, QString targetFolder);

    // A URL-encoded form with the note, name and content fields (content in Base64).
    UploadOutcome receiveForm(const http::HttpRequest &request, Mode mode) const;
    // The raw body is the file; its name comes from the query's path key. Upload rules.
    UploadOutcome receiveStream(const http::HttpRequest &request) const;

private:
    UploadOutcome place(StagedFile &staged, const QString &name, Mode mode) const;

    std::optional<QString> m_documentFolder;
    QString m_targetFolder;
};

} // namespace transfer
