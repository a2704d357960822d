#pragma once

// Every fixed text of the Tarnwick wire protocol, shared by the client library and the
// tidewell-api server. docs/api-protocol.md describes the same values; change both together.

namespace tarnwick::protocol {

// The service URL: the format applied to the host, followed by the path. The environment
// variable, when set to a URL, replaces the whole service URL (tests, self-hosting).
inline constexpr const char *serviceUrlFormat = "https://%1";
inline constexpr const char *serviceHost = "api.tidewell.app";
inline constexpr const char *servicePath = "/v1/call";
inline constexpr const char *serviceUrlVariable = "TARNWICK_SERVICE_URL";

inline constexpr const char *httpMethod = "POST";

// Sign in with Apple's hand-off: Apple form-posts to the callback, the app polls the result with
// the request's state as the query item.
inline constexpr const char *appleCallbackPath = "/auth/apple/callback";
inline constexpr const char *appleResultPath = "/auth/apple/result";
inline constexpr const char *appleStateItem = "state";

// One fixed value under two header fields, then the access token.
inline constexpr const char *contentTypeHeader = "Content-Type";
inline constexpr const char *acceptHeader = "Accept";
inline constexpr const char *jsonMediaType = "application/json";
inline constexpr const char *tokenHeader = "X-Tarnwick-Token";
inline constexpr const char *defaultToken = "none";

// Request and response envelope.
inline constexpr const char *appIdentifierField = "app";
inline constexpr const char *clientTagField = "client";
inline constexpr const char *appVersionField = "version";
inline constexpr const char *installIdField = "installId";
inline constexpr const char *payloadField = "payload";
inline constexpr const char *clientTag = "tarnwick-qt";
// The host's "information dictionary" key that holds its version; on this platform the value
// is QCoreApplication::applicationVersion().
inline constexpr const char *appVersionKey = "ApplicationVersion";
inline constexpr const char *defaultAppIdentifier = "app.tidewell.Tidewell";

// Inner record.
inline constexpr const char *endpointField = "endpoint";
inline constexpr const char *streamField = "stream";

// Device record, in the order the client writes it.
inline constexpr const char *extraDeviceField = "extra";
inline constexpr const char *deviceNameField = "deviceName";
inline constexpr const char *systemVersionField = "systemVersion";
inline constexpr const char *machineField = "machine";
inline constexpr const char *languageField = "language";
inline constexpr const char *countryCodeField = "countryCode";
inline constexpr const char *countryNameField = "countryName";
inline constexpr const char *timeZoneField = "timeZone";
inline constexpr const char *vpnField = "vpn";
inline constexpr const char *dateField = "date";
inline constexpr const char *vpnActive = "active";
inline constexpr const char *vpnInactive = "inactive";
// The locale in which the country's name is written.
inline constexpr const char *countryNameLocale = "en_US";

// Payload key: the app identifier, extended with this suffix while shorter than 32 characters.
inline constexpr const char *keyExtensionFormat = "#tw%1";
inline constexpr int keyExtensionNumber = 7;
inline constexpr int minimumKeyLength = 32;

// Remote values.
inline constexpr const char *remoteValuesEndpoint = "_remote-values";
inline constexpr const char *remoteValuesFileName = "tarnwick-remote-values";
inline constexpr const char *remoteValuesUpdatedNotification = "TarnwickRemoteValuesUpdated";

// Streaming: every message is the marker, the encrypted message in Base64, then the separator.
inline constexpr const char *streamMarker = "data: ";
inline constexpr const char *streamSeparator = "\n\n";
inline constexpr const char *streamKey = "tarnwick.stream.5c1e9a07d3b84f26";

// Secret store items.
inline constexpr const char *installIdItem = "tarnwick.installId";
inline constexpr const char *accessTokenItem = "tarnwick.accessToken";

// Interface-name fragments that mark a VPN, tested in this order.
inline constexpr const char *vpnInterfaceFragments[] = {"tun", "tap", "ppp", "ipsec", "wg"};

// Errors handed to completions.
inline constexpr const char *errorDomain = "TarnwickErrorDomain";
inline constexpr const char *jsonErrorDomain = "TarnwickJSONErrorDomain";
inline constexpr const char *networkErrorDomain = "TarnwickNetworkErrorDomain";
inline constexpr const char *missingEndpointDescription = "No endpoint name was given.";
inline constexpr const char *encryptionFailedDescription = "The request could not be encrypted.";
inline constexpr const char *undecryptableMessageDescription = "A message could not be decrypted.";
inline constexpr const char *noRemoteValuesDescription = "The answer carried no readable remote values.";

enum ErrorCode : int {
    MissingEndpoint = 0,
    EncryptionFailed = 1,
    UndecryptableMessage = 2,
    NoRemoteValues = 3,
};

} // namespace tarnwick::protocol
