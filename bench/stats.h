// Several runs of one measurement and how every benchmark prints them: the
// median with the spread (lowest to highest) beside it, and rows of the
// figures table that bench/run.sh gathers into bench/README.md's form.
#pragma once

#include <string>
#include <vector>

namespace bench {

class Runs {
public:
    void Add(double value) { m_values.push_back(value); }
    bool Empty() const { return m_values.empty(); }
    std::size_t Count() const { return m_values.size(); }
    double Median() const;
    double Min() const;
    double Max() const;
    const std::vector<double>& Values() const { return m_values; }

    // "715 ms (659-819)"; "-" when there is no run.
    std::string Ms() const;
    // "1.28x (1.21-1.40)".
    std::string Times() const;
    // "3.7 % (3.1-4.6)"
    std::string Percent() const;
    // The median and spread with `unit` after the median, `digits` decimals.
    std::string Format(const char* unit, int digits) const;

private:
    std::vector<double> m_values;
};

// Run i of `measured` over run i of `floor`: the runs alternate, so each
// ratio compares measurements taken under the same load.
Runs Ratios(const Runs& measured, const Runs& floor);

// One row of the figures table: "| figure | value | goal |", on stdout.
void PrintRow(const std::string& figure, const std::string& value, const std::string& goal);

}  // namespace bench
