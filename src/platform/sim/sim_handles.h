// Opaque handles of the simulated Windows. Every kind of object has its own
// numeric range and numbers are never reused, so a handle of the wrong kind,
// a closed handle or a handle closed twice is recognised as invalid, as
// Windows recognises it (last error 6).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>

#include "platform/types.h"

namespace sim {

// Handle ranges; the values only need to differ.
constexpr std::uintptr_t kRegistryHandleBase = 0x10000000;
constexpr std::uintptr_t kServiceHandleBase = 0x20000000;
constexpr std::uintptr_t kPrinterHandleBase = 0x30000000;
constexpr std::uintptr_t kFindHandleBase = 0x40000000;
constexpr std::uintptr_t kModuleHandleBase = 0x50000000;
constexpr std::uintptr_t kTokenHandleBase = 0x60000000;
constexpr std::uintptr_t kMutexHandleBase = 0x70000000;

template <typename T>
class HandleTable {
public:
    explicit HandleTable(std::uintptr_t base) : m_next(base) {}

    plat::Handle Add(T value) {
        const std::uintptr_t handle = m_next;
        m_next += 4;
        m_items.emplace(handle, std::move(value));
        return reinterpret_cast<plat::Handle>(handle);
    }
    // nullptr for an unknown or closed handle.
    T* Find(plat::Handle handle) {
        auto it = m_items.find(reinterpret_cast<std::uintptr_t>(handle));
        return it == m_items.end() ? nullptr : &it->second;
    }
    bool Remove(plat::Handle handle) {
        return m_items.erase(reinterpret_cast<std::uintptr_t>(handle)) != 0;
    }
    std::size_t Size() const { return m_items.size(); }
    template <typename F>
    void ForEach(F&& visit) {
        for (auto& item : m_items) visit(item.second);
    }
    template <typename F>
    void ForEach(F&& visit) const {
        for (const auto& item : m_items) visit(item.second);
    }
    // The first handle whose object satisfies `match`, or nullptr.
    template <typename F>
    plat::Handle FindIf(F&& match) {
        for (auto& item : m_items) {
            if (match(item.second)) return reinterpret_cast<plat::Handle>(item.first);
        }
        return nullptr;
    }

private:
    std::uintptr_t m_next;
    std::map<std::uintptr_t, T> m_items;
};

}  // namespace sim
