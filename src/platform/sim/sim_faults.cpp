#include "platform/sim/sim_faults.h"

namespace sim {

void CallLog::Start() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.clear();
    m_on = true;
}

void CallLog::Stop() { m_on = false; }

void CallLog::Add(std::string_view op, std::string_view detail) {
    if (!m_on.load()) return;
    std::string entry(op);
    if (!detail.empty()) entry.append(" ").append(detail);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_on.load()) m_entries.push_back(std::move(entry));
}

std::vector<std::string> CallLog::Entries() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_entries;
}

void FaultInjector::SetCallHook(CallHook hook) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_hook = hook ? std::make_shared<const CallHook>(std::move(hook)) : nullptr;
}

void FaultInjector::FailNext(const std::string& opName, std::uint32_t lastError, int count) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (count <= 0) return;
    m_faults[opName] = Fault{lastError, count};
}

void FaultInjector::FailAlways(const std::string& opName, std::uint32_t lastError) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults[opName] = Fault{lastError, -1};
}

void FaultInjector::ClearFaults() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults.clear();
}

std::optional<std::uint32_t> FaultInjector::Enter(std::string_view opName,
                                                  std::string_view detail) {
    std::shared_ptr<const CallHook> hook;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        hook = m_hook;
    }
    if (hook) (*hook)(opName);
    m_log.Add(opName, detail);

    std::lock_guard<std::mutex> lock(m_mutex);
    auto calls = m_calls.find(opName);
    if (calls == m_calls.end()) calls = m_calls.emplace(std::string(opName), 0).first;
    ++calls->second;
    auto it = m_faults.find(opName);
    if (it == m_faults.end()) return std::nullopt;
    const std::uint32_t error = it->second.error;
    if (it->second.remaining > 0 && --it->second.remaining == 0) m_faults.erase(it);
    return error;
}

int FaultInjector::CallCount(std::string_view opName) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_calls.find(opName);
    return it == m_calls.end() ? 0 : it->second;
}

}  // namespace sim
