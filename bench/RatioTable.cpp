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

namespace {

// One state of one workload over the rounds.
struct StateSummary {
    bool selected = false;  // some round ran one of its sides
    bool complete = true;   // every round that ran it has both sides, without error
    std::vector<double> systemTimes;
    std::vector<double> anchorTimes;
    std::vector<double> ratios;
};

}  // namespace

bool RatioTable::Print(std::ostream& out) const {
    const std::vector<std::string> header = {"workload",      "anchor",          "empty: this system",
                                             "empty: anchor", "empty: ratio",    "steady: this system",
                                             "steady: anchor", "steady: ratio",  "goal (steady)"};
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> failures;
    std::map<std::string, std::vector<double>> counters;  // "<benchmark>: <counter>" -> one value per round
    bool complete = true;

    const auto summarise = [&](const Workload& workload, ProcessState state) {
        StateSummary summary;
        const std::string systemName = SystemBenchmarkName(workload, state);
        const std::string anchorName = AnchorBenchmarkName(workload, state);
        const bool anchored = workload.anchorSide != nullptr;
        for (const auto& round : rounds_) {
            const auto system = round.find(systemName);
            const auto anchor = anchored ? round.find(anchorName) : round.end();
            if (system == round.end() && anchor == round.end()) continue;  // filtered out
            summary.selected = true;
            for (const auto& side : {system, anchor}) {
                if (side == round.end()) continue;
                if (!side->second.error.empty()) failures.push_back("FAILED " + side->first + ": " + side->second.error);
                for (const auto& [name, value] : side->second.counters) counters[side->first + ": " + name].push_back(value);
            }
            if (system == round.end() || !system->second.error.empty()) {
                summary.complete = false;
                continue;
            }
            summary.systemTimes.push_back(system->second.nanoseconds);
            if (!anchored) continue;
            if (anchor == round.end() || !anchor->second.error.empty() || anchor->second.nanoseconds <= 0) {
                summary.complete = false;
                continue;
            }
            summary.anchorTimes.push_back(anchor->second.nanoseconds);
            summary.ratios.push_back(system->second.nanoseconds / anchor->second.nanoseconds);
        }
        const bool empty = summary.systemTimes.empty() || (anchored && summary.ratios.empty());
        if (summary.selected && (!summary.complete || empty)) complete = false;
        return summary;
    };
    // Three cells: this system's time, the anchor's time, the ratio.
    const auto cells = [](const StateSummary& summary) -> std::vector<std::string> {
        return {summary.systemTimes.empty() ? "-" : Duration(Median(summary.systemTimes)),
                summary.anchorTimes.empty() ? "-" : Duration(Median(summary.anchorTimes)),
                summary.ratios.empty() ? "-" : Number("%.2f", Median(summary.ratios))};
    };

    for (const Workload& workload : Workloads()) {
        const StateSummary empty = summarise(workload, ProcessState::Empty);
        const StateSummary steady = summarise(workload, ProcessState::Steady);
        if (!empty.selected && !steady.selected) continue;
        std::vector<std::string> row = {workload.name, workload.anchorSide != nullptr ? workload.anchor : "(none)"};
        for (const StateSummary* summary : {&empty, &steady}) {
            for (std::string& cell : cells(*summary)) row.push_back(std::move(cell));
        }
        std::string goal = "-";
        if (workload.goal > 0) {
            goal = Number("<= %.1f", workload.goal);
            if (!steady.ratios.empty()) goal += Median(steady.ratios) <= workload.goal ? " met" : " NOT met";
        }
        row.push_back(goal);
        rows.push_back(std::move(row));
    }

    std::vector<std::size_t> widths;
    for (const std::string& cell : header) widths.push_back(cell.size());
    for (const auto& row : rows) {
        for (std::size_t index = 0; index < row.size(); ++index) widths[index] = std::max(widths[index], row[index].size());
    }
    out << Row(header, widths) << '\n' << Rule(widths) << '\n';
    for (const auto& row : rows) out << Row(row, widths) << '\n';
    out << "\nTimes are CPU time per iteration, the median of " << rounds_.size()
        << " round(s); ratio = this system / anchor, the median of the per-round ratios.\n"
        << "empty: a tree parsed and destroyed with nothing else alive; steady: beside the plug-in running in\n"
        << "this process, its settings loaded. The goals are for the steady state.\n";
    for (const auto& [name, values] : counters) out << name << " = " << Number("%.0f", Median(values)) << '\n';
    // A failure repeats in every round; show it once.
    std::sort(failures.begin(), failures.end());
    failures.erase(std::unique(failures.begin(), failures.end()), failures.end());
    for (const std::string& failure : failures) out << failure << '\n';
    return complete && failures.empty();
}

}  // namespace kor::bench
