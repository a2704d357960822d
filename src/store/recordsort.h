#pragma once

#include "store/filerecord.h"

#include <vector>

namespace store {

enum class SortKey { CreationDate, ModificationDate, Size };

// Sorts records in ascending order of one attribute of each record's path, as sizeLess,
// modificationDateLess and creationDateLess compare them, but reads every record's attributes once
// per sort: a file that changes or vanishes while the sort runs cannot break the ordering the sort
// relies on. A record whose attributes cannot be read sorts with size 0 and dates of now, and is
// logged once ("Could not read file attributes: …"). Equal keys keep their order.
void sortRecords(std::vector<FileRecord> &records, SortKey key);

} // namespace store
