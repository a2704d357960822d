#include "zepcommon/catalogue/nativeappdata.h"

#include "zepcommon/catalogue/urlschemechecker.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

#include <initializer_list>

namespace catalogue {

namespace {

// The text values of the keys, or nullopt when one is missing or not text.
std::optional<QList<QString>> texts(const QJsonValue &element, std::initializer_list<const char *> keys) {
    if (!element.isObject())
        return std::nullopt;
    const QJsonObject object = element.toObject();
    QList<QString> values;
    for (const char *key : keys) {
        const QJsonValue value = object.value(QLatin1String(key));
        if (!value.isString())
            return std::nullopt;
        values.append(value.toString());
    }
    return values;
}

void appendStoreApps(NativeAppList &list, const QJsonValue &elements, AppStatus status) {
    for (const QJsonValue &element : elements.toArray()) {
        const auto values = texts(element, {"aID", "bID", "scheme"});
        if (!values)
            continue;
        auto app = std::make_shared<NativeAppData>();
        app->storeID = values->at(0);
        app->bundleID = values->at(1);
        app->urlScheme = values->at(2);
        app->status = status;
        list.append(std::move(app));
    }
}

std::optional<QString> firstText(const QJsonObject &object, std::initializer_list<const char *> keys) {
    for (const char *key : keys) {
        const QJsonValue value = object.value(QLatin1String(key));
        if (value.isString())
            return value.toString();
    }
    return std::nullopt;
}

} // namespace

bool NativeAppData::isInstalled(const UrlSchemeChecker &checker) {
    const QUrl url(urlScheme.value_or(QString()), QUrl::StrictMode);
    if (url.isValid() && !url.scheme().isEmpty())
        _isInstalled = checker.canOpenUrl(url);
    return _isInstalled;
}

NativeAppList parseNativeApps(const QJsonValue &value, const QString &ownBundleID) {
    NativeAppList list;
    if (!value.isObject())
        return list;
    const QJsonObject lists = value.toObject();
    appendStoreApps(list, lists.value(QLatin1String("live-apps")), AppStatus::Live);
    appendStoreApps(list, lists.value(QLatin1String("pre-order")), AppStatus::PreOrder);
    for (const QJsonValue &element : lists.value(QLatin1String("coming-soon")).toArray()) {
        const auto values = texts(element, {"appName", "img"});
        if (!values)
            continue;
        auto app = std::make_shared<NativeAppData>();
        app->appName = values->at(0);
        app->imageUrl = values->at(1);
        app->status = AppStatus::ComingSoon;
        list.append(std::move(app));
    }
    list.removeIf([&](const std::shared_ptr<NativeAppData> &app) { return app->bundleID == ownBundleID; });
    return list;
}

std::optional<QString> applyLookupAnswer(NativeAppData &app, const QByteArray &body) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        return error.errorString();
    const QJsonArray results = document.object().value(QLatin1String("results")).toArray();
    if (results.isEmpty() || !results.first().isObject())
        return std::nullopt;
    const QJsonObject result = results.first().toObject();
    if (auto name = firstText(result, {"trackCensoredName", "trackName"}))
        app.name = name;
    if (const QJsonValue rating = result.value(QLatin1String("averageUserRating")); rating.isDouble())
        app.rating = rating.toDouble();
    if (auto artwork = firstText(result, {"artworkUrl512", "artworkUrl100", "artworkUrl60"}))
        app.artworkURL = artwork;
    return std::nullopt;
}

QUrl lookupUrl(const QUrl &service, const QString &storeID) {
    QUrl url = service;
    QString path = url.path();
    if (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    url.setPath(path + QStringLiteral("/lookup"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("id"), storeID);
    url.setQuery(query);
    return url;
}

} // namespace catalogue
