#pragma once

#include "http/httpserver.h"

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace http::detail {

// The contents of small files by identity (device, inode, size, modification time), so that a file
// asked for again goes out without being read. A file changed in place gets a new modification
// time (or size) and so a new entry. Bounded by a byte budget: when it is spent, everything goes
// and filling starts again. Safe from any thread.
class SmallFileCache {
public:
    explicit SmallFileCache(size_t budgetBytes)
        : m_budget(budgetBytes) {}

    std::shared_ptr<const std::string> find(const FileIdentity &identity) const {
        std::lock_guard lock(m_mutex);
        const auto it = m_entries.find(identity);
        return it == m_entries.end() ? nullptr : it->second;
    }

    void insert(const FileIdentity &identity, std::shared_ptr<const std::string> contents) {
        std::lock_guard lock(m_mutex);
        if (m_used + contents->size() > m_budget) {
            m_entries.clear();
            m_used = 0;
        }
        m_used += contents->size();
        m_entries[identity] = std::move(contents);
    }

private:
    const size_t m_budget;
    mutable std::mutex m_mutex;
    std::map<FileIdentity, std::shared_ptr<const std::string>> m_entries;
    size_t m_used = 0;
};

} // namespace http::detail
