#include "transfer/folderlister.h"

#include "store/folderlisting.h"
#include "transfer/listthumbnailer.h"
#include "transfer/wire.h"

#include <QUrl>
#include <QtConcurrentMap>

#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

namespace transfer {
namespace {

struct Entry {
    store::FolderEntry item;
    std::string ext;
    std::string_view iconName;         // the icon the entry shows, if any
    const std::string *icon = nullptr; // its text, inlined in the entry, or
    std::string thumbnail;             // the image's own
    bool isFileKind = false;
};

void appendKey(std::string &out, std::string_view key) {
    appendJsonString(out, key);
    out += ':';
}

// Percent-encodes a path component as a file URL needs it: what is neither unreserved, a
// sub-delimiter, ':' nor '@' (RFC 3986 pchar) becomes %XX.
void appendUrlComponent(std::string &out, std::string_view name) {
    static constexpr char digits[] = "0123456789ABCDEF";
    static constexpr auto plain = [] {
        std::array<bool, 256> table{};
        for (int c = 'a'; c <= 'z'; ++c)
            table[size_t(c)] = true;
        for (int c = 'A'; c <= 'Z'; ++c)
            table[size_t(c)] = true;
        for (int c = '0'; c <= '9'; ++c)
            table[size_t(c)] = true;
        for (const char c : std::string_view("-._~!$&'()*+,;=:@"))
            table[size_t(static_cast<unsigned char>(c))] = true;
        return table;
    }();
    size_t run = 0; // start of the current run of characters that stay as they are
    for (size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (plain[c])
            continue;
        out.append(name.data() + run, i - run);
        run = i + 1;
        const char escaped[3] = {'%', digits[c >> 4], digits[c & 15]};
        out.append(escaped, 3);
    }
    out.append(name.data() + run, name.size() - run);
}

void appendNumber(std::string &out, qint64 value) {
    char text[24];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    out.append(text, size_t(end - text));
}

// What comes before the name in an entry: its picture or icon name, and its kind. The same for
// every entry that shows the same icon, so it is made once per reply.
std::string entryHead(const Entry &entry) {
    std::string head = "{";
    const std::string &thumbnail = entry.icon ? *entry.icon : entry.thumbnail;
    if (!thumbnail.empty()) {
        // A data URL of Base64 text holds nothing JSON would escape.
        appendKey(head, wire::thumbnailKey);
        head += '"';
        head += thumbnail;
        head += "\",";
    } else if (!entry.iconName.empty()) {
        appendKey(head, wire::iconKey);
        appendJsonString(head, entry.iconName);
        head += ',';
    }
    appendKey(head, wire::kindKey);
    appendJsonString(head, entry.isFileKind ? wire::fileKind : wire::otherKind);
    head += ',';
    appendKey(head, wire::nameKey);
    return head;
}

void appendEntry(std::string &out, const Entry &entry, std::string_view head, std::string_view folderUrl) {
    static const std::string pathPart = [] {
        std::string part = ",";
        appendKey(part, wire::pathKey);
        return part;
    }();
    static const std::string urlPart = [] {
        std::string part = ",";
        appendKey(part, wire::urlKey);
        return part + '"';
    }();
    out += head;
    const size_t nameStart = out.size();
    appendJsonString(out, entry.item.name);
    const size_t nameLength = out.size() - nameStart;
    out += pathPart;
    out.append(out, nameStart, nameLength); // the same name, escaped once
    out += urlPart;
    out += folderUrl; // the URL is all ASCII without quotes or backslashes
    appendUrlComponent(out, entry.item.name);
    out += entry.item.isDirectory ? "\",\"directory\":true,\"size\":" : "\",\"directory\":false,\"size\":";
    appendNumber(out, entry.item.size);
    out += ",\"modified\":";
    appendNumber(out, entry.item.modifiedMs);
    out += '}';
}

// "icons": {name: text, ...} with each icon that an entry names, once.
void appendIcons(std::string &out, const std::vector<Entry> &entries, const ListThumbnailer &thumbnailer) {
    appendKey(out, wire::iconsKey);
    out += '{';
    std::vector<std::string_view> named;
    for (const Entry &entry : entries) {
        if (entry.iconName.empty() || std::find(named.begin(), named.end(), entry.iconName) != named.end())
            continue;
        if (!named.empty())
            out += ',';
        named.push_back(entry.iconName);
        appendKey(out, entry.iconName);
        out += '"'; // Base64 text, as above
        out += thumbnailer.iconThumbnail(entry.iconName);
        out += '"';
    }
    out += "},";
}

} // namespace

void appendJsonString(std::string &out, std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    size_t run = 0; // start of the current run of characters that need no escape
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((unsigned char)c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(text.data() + run, i - run);
        run = i + 1;
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += "\\u00";
            out += hex[(c >> 4) & 0xf];
            out += hex[c & 0xf];
        }
    }
    out.append(text.data() + run, text.size() - run);
    out += '"';
}

platform::Result<std::string, ListError> FolderLister::list(const QString &folderPath,
                                                            const std::string &requestedFolder,
                                                            bool imageThumbnails) const {
    auto listing = store::listFolder(folderPath);
    if (!listing)
        return platform::fail(ListError::CannotList, listing.message());
    std::vector<Entry> entries;
    entries.reserve(listing->size());
    for (store::FolderEntry &item : listing.value()) {
        Entry entry;
        entry.ext = store::lowerExtension(item.name);
        entry.item = std::move(item);
        entries.push_back(std::move(entry));
    }

    // Kind and icon follow the extension alone, as a folder has none; images get their own picture.
    std::vector<Entry *> images;
    for (Entry &entry : entries) {
        if (wire::contains(wire::imageExtensions, entry.ext)) {
            entry.isFileKind = true;
            if (imageThumbnails)
                images.push_back(&entry);
            continue;
        }
        const std::string_view icon = iconNameFor(entry.ext);
        entry.isFileKind = icon != wire::otherKind;
        if (m_thumbnailer.iconThumbnail(icon).empty())
            continue;
        // The reply made at once names the icon and carries each one once: a folder of thousands
        // of documents would otherwise repeat the same few pictures thousands of times.
        entry.iconName = icon;
        if (imageThumbnails)
            entry.icon = &m_thumbnailer.iconThumbnail(icon);
    }
    QtConcurrent::blockingMap(images, [this, &folderPath](Entry *entry) {
        entry->thumbnail =
            m_thumbnailer.imageThumbnail(folderPath + '/' + QString::fromStdString(entry->item.name));
    });
    std::string folderUrl = QUrl::fromLocalFile(folderPath + '/').toEncoded().toStdString();

    std::string out;
    out.reserve(entries.size() * 512 + 64);
    out += '{';
    appendKey(out, wire::filesKey);
    out += '[';
    // Entries that show the same icon (or none) and have the same kind share one head; an image's
    // own thumbnail makes its own. Icon names are a few static texts, told apart by address.
    struct Head {
        const char *iconName;
        bool isFileKind;
        std::string text;
    };
    std::vector<Head> heads;
    std::string ownHead;
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry &entry = entries[i];
        if (i)
            out += ',';
        std::string_view head;
        if (!entry.thumbnail.empty()) {
            ownHead = entryHead(entry);
            head = ownHead;
        } else {
            const auto kept = std::find_if(heads.begin(), heads.end(), [&](const Head &known) {
                return known.iconName == entry.iconName.data() && known.isFileKind == entry.isFileKind;
            });
            head = kept != heads.end()
                       ? kept->text
                       : heads.emplace_back(Head{entry.iconName.data(), entry.isFileKind, entryHead(entry)})
                             .text;
        }
        appendEntry(out, entry, head, folderUrl);
    }
    out += "],";
    if (!imageThumbnails)
        appendIcons(out, entries, m_thumbnailer);
    appendKey(out, wire::folderKey);
    appendJsonString(out, requestedFolder);
    out += ',';
    appendKey(out, wire::pathKey);
    appendJsonString(out, requestedFolder);
    out += '}';
    return out;
}

} // namespace transfer
