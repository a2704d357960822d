#include "store/recordsort.h"

#include "platform/fileattributes.h"
#include "platform/log.h"

#include <QDateTime>

#include <algorithm>
#include <numeric>

namespace store {

void sortRecords(std::vector<FileRecord> &records, SortKey key) {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    std::vector<qint64> values(records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        const auto attributes = platform::readFileAttributes(records[i].path());
        if (!attributes) {
            platform::log("Could not read file attributes: " + attributes.message());
            values[i] = key == SortKey::Size ? 0 : now;
            continue;
        }
        switch (key) {
        case SortKey::CreationDate:
            values[i] = attributes->creationDate.toMSecsSinceEpoch();
            break;
        case SortKey::ModificationDate:
            values[i] = attributes->modificationDate.toMSecsSinceEpoch();
            break;
        case SortKey::Size:
            values[i] = attributes->size;
            break;
        }
    }
    std::vector<size_t> order(records.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&values](size_t a, size_t b) { return values[a] < values[b]; });
    std::vector<FileRecord> sorted;
    sorted.reserve(records.size());
    for (const size_t i : order)
        sorted.push_back(std::move(records[i]));
    records = std::move(sorted);
}

} // namespace store
