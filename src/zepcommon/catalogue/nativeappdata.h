#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

namespace catalogue {

class UrlSchemeChecker;

// Which remote list an app came from. The values are those of the remote protocol.
enum class AppStatus { Live = 0, ComingSoon = 1, PreOrder = 2 };

// One of the maker's apps. The remote list gives the identifiers, the scheme and, for apps that
// are coming soon, a name and a picture; a store lookup fills name, rating and artwork later.
struct NativeAppData {
    std::optional<QString> name;       // store lookup
    std::optional<QString> bundleID;   // remote list, "bID"
    std::optional<QString> storeID;    // remote list, "aID": the numeric store identifier
    std::optional<QString> urlScheme;  // remote list, "scheme": a complete URL that opens the app
    std::optional<QString> artworkURL; // store lookup
    double rating = 0;                 // store lookup; 0 until known
    std::optional<QString> appName;    // coming-soon list, "appName"
    std::optional<QString> imageUrl;   // coming-soon list, "img"
    AppStatus status = AppStatus::Live;
    bool _isInstalled = false; // the last answer of the installed test

    // Asks the checker whether the URL of urlScheme can be opened and remembers the answer. An
    // absent or invalid URL keeps the remembered answer (false unless a valid one said otherwise).
    bool isInstalled(const UrlSchemeChecker &checker);
};

using NativeAppList = QList<std::shared_ptr<NativeAppData>>;

// Builds the list from the remote value: "live-apps", then "pre-order" (elements with text
// "aID", "bID" and "scheme"), then "coming-soon" (elements with text "appName" and "img").
// Elements lacking a key, or holding a non-text value, are skipped; a value that is not an object
// gives an empty list. The entry whose bundle identifier is ownBundleID is left out.
NativeAppList parseNativeApps(const QJsonValue &value, const QString &ownBundleID);

// Copies name, rating and artwork from a store lookup answer into app: the first element of
// "results", "trackCensoredName" else "trackName", "averageUserRating", "artworkUrl512" else
// "artworkUrl100" else "artworkUrl60"; each only when present with the right type. Returns the
// parse error text when the body is not JSON, else nullopt (an answer without results is no
// error and changes nothing).
std::optional<QString> applyLookupAnswer(NativeAppData &app, const QByteArray &body);

// The store lookup request for a store identifier: <service>/lookup?id=<storeID>.
QUrl lookupUrl(const QUrl &service, const QString &storeID);

} // namespace catalogue
