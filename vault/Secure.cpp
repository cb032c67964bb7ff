#include "vault/Secure.h"

#include <sys/mman.h>
#include <unistd.h>
#include <cstdint>
#include <map>
#include <mutex>

namespace kivrano {

namespace {

struct PageCounts {
    std::mutex mutex;
    std::map<std::uintptr_t, int> counts;  // page address -> secrets on it
};

// Never destroyed: secrets in static objects are released after any destructor order.
PageCounts& pages() {
    static auto* counts = new PageCounts;
    return *counts;
}

std::uintptr_t pageSize() {
    static const auto size = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

template <typename Fn>
void forEachPage(const void* data, std::size_t length, Fn fn) {
    if (data == nullptr || length == 0) return;
    const std::uintptr_t size = pageSize();
    const auto first = reinterpret_cast<std::uintptr_t>(data) & ~(size - 1);
    const auto last = (reinterpret_cast<std::uintptr_t>(data) + length - 1) & ~(size - 1);
    for (std::uintptr_t page = first; page <= last; page += size) fn(page);
}

}  // namespace

void lockMemory(const void* data, std::size_t length) noexcept {
    PageCounts& p = pages();
    std::lock_guard<std::mutex> guard(p.mutex);
    forEachPage(data, length, [&](std::uintptr_t page) {
        if (p.counts[page]++ == 0)
            ::mlock(reinterpret_cast<const void*>(page), static_cast<std::size_t>(pageSize()));
    });
}

void unlockMemory(const void* data, std::size_t length) noexcept {
    PageCounts& p = pages();
    std::lock_guard<std::mutex> guard(p.mutex);
    forEachPage(data, length, [&](std::uintptr_t page) {
        auto it = p.counts.find(page);
        if (it == p.counts.end()) return;
        if (--it->second == 0) {
            ::munlock(reinterpret_cast<const void*>(page), static_cast<std::size_t>(pageSize()));
            p.counts.erase(it);
        }
    });
}

}  // namespace kivrano
