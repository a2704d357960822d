#pragma once

// Fixed texts of the transfer server, shared by the server, the web page and the tests.
// Each text has one role; where two roles share a text, one constant names the other.

#include <array>
#include <string_view>

namespace wire {

inline constexpr std::string_view rootMarker = "/";
inline constexpr std::string_view pathKey = "path";
inline constexpr std::string_view folderPrefix = "/Documents";
static_assert(folderPrefix.size() == 10);

inline constexpr std::string_view filesKey = "files";
inline constexpr std::string_view folderKey = "folder";
inline constexpr std::string_view thumbnailKey = "thumbnail";
inline constexpr std::string_view kindKey = "kind";
inline constexpr std::string_view nameKey = "name";
inline constexpr std::string_view urlKey = "url"; // also FileRecord's first archive key
inline constexpr std::string_view thumbnailPrefix = "data:image/png;base64,";
inline constexpr std::string_view fileKind = "file";
inline constexpr std::string_view otherKind = "other";

// The first image extension also names the page's own image (icon.png).
inline constexpr std::array<std::string_view, 4> imageExtensions = {"png", "jpg", "jpeg", "heic"};
inline constexpr std::array<std::string_view, 1> iconGroupA = {"pdf"};
inline constexpr std::array<std::string_view, 3> iconGroupB = {"mp4", "mov", "avi"};
inline constexpr std::array<std::string_view, 1> iconGroupC = {"mp3"};
inline constexpr std::array<std::string_view, 1> iconGroupD = {"zip"};
// Accepted by the upload route without further check: the image extensions and groups B and C.
inline constexpr std::array<std::string_view, 8> uploadExtensions = {"png", "jpg", "jpeg", "heic",
                                                                     "mp4", "mov", "avi",  "mp3"};

inline constexpr std::string_view noteField = "note";
inline constexpr std::string_view nameField = "name";
inline constexpr std::string_view contentField = "content";

inline constexpr std::string_view okText = "OK";

inline constexpr std::string_view formMissingMessage = "Form data is missing.";
inline constexpr std::string_view fieldMissingMessage = "A required field is missing.";
inline constexpr std::string_view notBase64Message = "Content is not valid Base64: ";
inline constexpr std::string_view savedMessage = "File saved: ";
inline constexpr std::string_view existsMessage = "File already exists: ";
inline constexpr std::string_view existsAlertTitle = "File Already Exists";
inline constexpr std::string_view existsAlertMessage = "A file with this name is already in this folder.";
inline constexpr std::string_view unsupportedAlertTitle = "Unsupported File Type";
inline constexpr std::string_view unsupportedAlertMessage = "This type of file cannot be received.";
// Answers of our own beyond the ones above.
inline constexpr std::string_view badNameMessage = "This file name is not allowed: ";
inline constexpr std::string_view tooLargeMessage = "The request body is too large.";
inline constexpr std::string_view fieldTooLargeMessage = "A form field is too large.";
inline constexpr std::string_view bodyUnreadableMessage = "The request body could not be read.";
inline constexpr std::string_view writeFailedMessage = "The file could not be written.";
inline constexpr std::string_view noDocumentsMessage = "The document folder is not available.";
// Answers of the request gate and the access code.
inline constexpr std::string_view misdirectedMessage = "This device answers only to its own addresses. Open";
inline constexpr std::string_view foreignOriginMessage =
    "Requests from other web sites may not change files.";
inline constexpr std::string_view codeNeededMessage = "The access code is needed.";
inline constexpr std::string_view signedInMessage = "Signed in.";
inline constexpr std::string_view wrongCodeMessage = "The access code is wrong.";
inline constexpr std::string_view tooManyCodesMessage = "Too many wrong codes: try again in a minute.";
inline constexpr std::string_view noCodeMessage = "No access code is in use.";
inline constexpr std::string_view codeField = "code";

// Route paths.
inline constexpr std::string_view uploadPath = "/upload";
inline constexpr std::string_view uploadStreamPath = "/upload-stream";
inline constexpr std::string_view iconPath = "/icon.png";
inline constexpr std::string_view savePath = "/save";
inline constexpr std::string_view downloadPath = "/download";
inline constexpr std::string_view listPath = "/list";
inline constexpr std::string_view signInPath = "/sign-in";
inline constexpr std::string_view thumbnailPath = "/thumbnail";
inline constexpr std::string_view downloadZipPath = "/download-zip";

// Options of our own: the list route answers at once, with icons only, when asked with
// thumbnails=none; the thumbnail route takes a size; the download route answers a PDF for the
// browser's own viewer with inline=1; resumable uploads name their upload and place.
inline constexpr std::string_view thumbnailsKey = "thumbnails";
inline constexpr std::string_view noThumbnails = "none";
// With thumbnails=none an entry names its icon, and the reply holds each icon named once.
inline constexpr std::string_view iconKey = "icon";
inline constexpr std::string_view iconsKey = "icons";
inline constexpr std::string_view sizeKey = "size";
inline constexpr std::string_view inlineKey = "inline";
inline constexpr std::string_view uploadIdKey = "id";
inline constexpr std::string_view offsetKey = "offset";
inline constexpr std::string_view totalKey = "total";
inline constexpr std::string_view uploadOffsetHeader = "Upload-Offset";
inline constexpr std::string_view iconContentType = "image/png";

// The download reply's one header: name, and the value's prefix and suffix around the file name.
inline constexpr std::string_view dispositionHeader = "Content-Disposition";
inline constexpr std::string_view dispositionPrefix = "attachment; filename=\"";
inline constexpr std::string_view dispositionSuffix = "\"";

// The page and its nine text assets, served at "/<name>"; the page itself at rootMarker.
inline constexpr std::string_view pageFile = "index.html";
inline constexpr std::array<std::string_view, 9> assetFiles = {"base.css",   "layout.css", "grid.css",
                                                               "upload.css", "dialog.css", "api.js",
                                                               "grid.js",    "upload.js",  "app.js"};

template <std::size_t N>
constexpr bool contains(const std::array<std::string_view, N> &set, std::string_view value) {
    for (std::string_view item : set)
        if (item == value)
            return true;
    return false;
}

} // namespace wire
