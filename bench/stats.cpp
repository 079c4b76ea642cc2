#include "stats.h"

#include <algorithm>
#include <cstdio>

namespace bench {

double Runs::Median() const {
    if (m_values.empty()) return 0;
    std::vector<double> sorted = m_values;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t middle = sorted.size() / 2;
    return sorted.size() % 2 == 1 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

double Runs::Min() const {
    return m_values.empty() ? 0 : *std::min_element(m_values.begin(), m_values.end());
}

double Runs::Max() const {
    return m_values.empty() ? 0 : *std::max_element(m_values.begin(), m_values.end());
}

std::string Runs::Format(const char* unit, int digits) const {
    if (m_values.empty()) return "-";
    char text[128];
    std::snprintf(text, sizeof text, "%.*f%s (%.*f-%.*f)", digits, Median(), unit, digits, Min(),
                  digits, Max());
    return text;
}

std::string Runs::Ms() const { return Format(" ms", 0); }
std::string Runs::Times() const { return Format("x", 2); }
std::string Runs::Percent() const { return Format(" %", 1); }

Runs Ratios(const Runs& measured, const Runs& floor) {
    Runs ratios;
    const std::size_t count = std::min(measured.Count(), floor.Count());
    for (std::size_t i = 0; i < count; ++i) {
        if (floor.Values()[i] > 0) ratios.Add(measured.Values()[i] / floor.Values()[i]);
    }
    return ratios;
}

void PrintRow(const std::string& figure, const std::string& value, const std::string& goal) {
    std::printf("| %s | %s | %s |\n", figure.c_str(), value.c_str(), goal.c_str());
    std::fflush(stdout);
}

}  // namespace bench
