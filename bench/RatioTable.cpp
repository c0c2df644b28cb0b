#include "bench/RatioTable.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

namespace kor::bench {
namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string Duration(double nanoseconds) {
    char buffer[32];
    if (nanoseconds >= 1e6) {
        std::snprintf(buffer, sizeof buffer, "%.2f ms", nanoseconds / 1e6);
    } else if (nanoseconds >= 1e3) {
        std::snprintf(buffer, sizeof buffer, "%.1f us", nanoseconds / 1e3);
    } else {
        std::snprintf(buffer, sizeof buffer, "%.0f ns", nanoseconds);
    }
    return buffer;
}

std::string Number(const char* format, double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

std::string Padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

std::string Rule(const std::vector<std::size_t>& widths) {
    std::string line = "|";
    for (std::size_t width : widths) line += std::string(width + 2, '-') + "|";
    return line;
}

std::string Row(const std::vector<std::string>& cells, const std::vector<std::size_t>& widths) {
    std::string line = "|";
    for (std::size_t index = 0; index < cells.size(); ++index) line += " " + Padded(cells[index], widths[index]) + " |";
    return line;
}

}  // namespace

void RoundCollector::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        if (run.run_type != Run::RT_Iteration) continue;
        Result& result = results_[run.benchmark_name()];
        if (run.error_occurred) {
            result.error = run.error_message;
            continue;
        }
        result.nanoseconds = run.iterations > 0 ? run.cpu_accumulated_time * 1e9 / static_cast<double>(run.iterations) : 0;
        for (const auto& [name, counter] : run.counters) result.counters[name] = counter.value;
    }
}

void RatioTable::AddRound(const RoundCollector& round) { rounds_.push_back(round.results()); }

bool RatioTable::Print(std::ostream& out) const {
    const std::vector<std::string> header = {"workload", "this system", "anchor", "anchor time", "ratio", "goal"};
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> failures;
    std::map<std::string, std::vector<double>> counters;  // "<benchmark>: <counter>" -> one value per round
    bool complete = true;

    for (const Workload& workload : Workloads()) {
        const std::string systemName = SystemBenchmarkName(workload);
        const std::string anchorName = AnchorBenchmarkName(workload);
        std::vector<double> systemTimes;
        std::vector<double> anchorTimes;
        std::vector<double> ratios;
        bool selected = false;
        const bool anchored = !workload.anchor.empty();
        for (const auto& round : rounds_) {
            const auto system = round.find(systemName);
            const auto anchor = anchored ? round.find(anchorName) : round.end();
            if (system == round.end() && anchor == round.end()) continue;  // filtered out
            selected = true;
            for (const auto& side : {system, anchor}) {
                if (side == round.end()) continue;
                if (!side->second.error.empty()) failures.push_back("FAILED " + side->first + ": " + side->second.error);
                for (const auto& [name, value] : side->second.counters) counters[side->first + ": " + name].push_back(value);
            }
            if (system == round.end() || !system->second.error.empty()) {
                complete = false;
                continue;
            }
            systemTimes.push_back(system->second.nanoseconds);
            if (!anchored) continue;
            if (anchor == round.end() || !anchor->second.error.empty() || anchor->second.nanoseconds <= 0) {
                complete = false;
                continue;
            }
            anchorTimes.push_back(anchor->second.nanoseconds);
            ratios.push_back(system->second.nanoseconds / anchor->second.nanoseconds);
        }
        if (!selected) continue;
        const std::string anchorText = anchored ? workload.anchor : "(none)";
        if (systemTimes.empty() || (anchored && ratios.empty())) {
            complete = false;
            rows.push_back({workload.name, "-", anchorText, "-", "-", "-"});
            continue;
        }
        if (!anchored) {
            rows.push_back({workload.name, Duration(Median(systemTimes)), anchorText, "-", "-", "-"});
            continue;
        }
        const double ratio = Median(ratios);
        std::string goal = "-";
        if (workload.goal > 0) goal = Number("<= %.1f", workload.goal) + (ratio <= workload.goal ? " met" : " NOT met");
        rows.push_back({workload.name, Duration(Median(systemTimes)), anchorText, Duration(Median(anchorTimes)),
                        Number("%.2f", ratio), goal});
    }

    std::vector<std::size_t> widths;
    for (const std::string& cell : header) widths.push_back(cell.size());
    for (const auto& row : rows) {
        for (std::size_t index = 0; index < row.size(); ++index) widths[index] = std::max(widths[index], row[index].size());
    }
    out << Row(header, widths) << '\n' << Rule(widths) << '\n';
    for (const auto& row : rows) out << Row(row, widths) << '\n';
    out << "\nTimes are CPU time per iteration, the median of " << rounds_.size()
        << " round(s); ratio = this system / anchor, the median of the per-round ratios.\n";
    for (const auto& [name, values] : counters) out << name << " = " << Number("%.0f", Median(values)) << '\n';
    // A failure repeats in every round; show it once.
    std::sort(failures.begin(), failures.end());
    failures.erase(std::unique(failures.begin(), failures.end()), failures.end());
    for (const std::string& failure : failures) out << failure << '\n';
    return complete && failures.empty();
}

}  // namespace kor::bench
