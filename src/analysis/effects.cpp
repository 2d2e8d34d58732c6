#include "analysis/effects.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <utility>

#include "experiment/experiment.hpp"
#include "experiment/tables.hpp"
#include "sim/error.hpp"
#include "sim/numbers.hpp"

namespace murelta {

namespace {

constexpr double kUndefined = std::numeric_limits<double>::quiet_NaN();

// The parameter's levels from the values of each configuration, and each configuration's level.
EffectParameter levelsOf(const std::string& key, const std::vector<std::string>& values,
                         std::vector<std::size_t>& levelOfConfiguration) {
    EffectParameter parameter{key, {}, true};
    std::vector<double> numbers;
    for (const std::string& value : values) {
        if (std::find(parameter.levels.begin(), parameter.levels.end(), value) !=
            parameter.levels.end()) {
            continue;
        }
        parameter.levels.push_back(value);
        try {
            numbers.push_back(parseNumber(value, key));
        } catch (const Error&) {
            parameter.numeric = false;
        }
    }
    if (parameter.numeric) {
        std::vector<std::size_t> order(parameter.levels.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            order[i] = i;
        }
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return numbers[a] < numbers[b]; });
        std::vector<std::string> sorted;
        for (const std::size_t i : order) {
            sorted.push_back(parameter.levels[i]);
        }
        parameter.levels = std::move(sorted);
    }
    levelOfConfiguration.clear();
    for (const std::string& value : values) {
        levelOfConfiguration.push_back(static_cast<std::size_t>(
            std::find(parameter.levels.begin(), parameter.levels.end(), value) -
            parameter.levels.begin()));
    }
    return parameter;
}

}  // namespace

std::vector<std::string> effectColumns() {
    return {tables::kSummaryColumns.begin() + 2, tables::kSummaryColumns.end()};
}

EffectTable effectTable(const SweepResults& results) {
    // Per parameter, its value in each configuration.
    std::vector<std::pair<std::string, std::vector<std::string>>> values;
    const std::size_t swept = results.keys.size();
    for (std::size_t k = 0; k < results.keys.size(); ++k) {
        std::vector<std::string> column;
        for (const ConfigurationResults& c : results.configurations) {
            column.push_back(c.values.at(k));
        }
        values.emplace_back(results.keys[k], std::move(column));
    }
    const std::filesystem::path kept = results.dir / "sweep.toml";
    if (!results.dir.empty() && std::filesystem::exists(kept)) {
        const Experiment sweep = readExperiment(kept);
        if (sweep.design) {
            for (std::size_t f = 0; f < sweep.design->factors.size(); ++f) {
                std::vector<std::string> column;
                for (const ConfigurationResults& c : results.configurations) {
                    column.push_back(sweep.design->values(designPointOf(sweep, c.config)).at(f));
                }
                values.emplace_back(sweep.design->factors[f].key, std::move(column));
            }
        }
    }
    EffectTable table;
    table.levels.assign(results.configurations.size(), {});
    for (std::size_t v = 0; v < values.size(); ++v) {
        const auto& [key, column] = values[v];
        std::vector<std::size_t> levels;
        EffectParameter parameter = levelsOf(key, column, levels);
        parameter.factor = v >= swept;
        if (parameter.levels.size() < 2) {
            continue;  // the same in every configuration: nothing to show
        }
        table.parameters.push_back(std::move(parameter));
        for (std::size_t c = 0; c < levels.size(); ++c) {
            table.levels[c].push_back(levels[c]);
        }
    }
    return table;
}

std::vector<EffectSeries> effectSeries(const SweepResults& results, const EffectTable& table,
                                       const EffectQuery& query) {
    const std::vector<std::string> columns = effectColumns();
    const auto column = std::find(columns.begin(), columns.end(), query.column);
    if (column == columns.end()) {
        throw Error("\"" + query.column + "\" is no statistic of summary.csv.");
    }
    const auto statistic = static_cast<std::size_t>(column - columns.begin());
    const bool mean = query.column.ends_with("_mean");
    const std::size_t count = table.parameters.size();
    if (query.x >= count || (query.series && *query.series >= count)) {
        throw Error("An effect was asked of a parameter the sweep does not vary.");
    }
    // The runs of the generation, per metric, pooled per (series level, x level).
    std::map<std::pair<std::size_t, std::size_t>,
             std::pair<std::array<std::vector<double>, 3>, std::size_t>>
        pooled;
    for (std::size_t c = 0; c < results.configurations.size(); ++c) {
        const std::vector<std::size_t>& levels = table.levels[c];
        bool matches = true;
        for (std::size_t p = 0; p < count && matches; ++p) {
            if (p == query.x || (query.series && p == *query.series)) {
                continue;
            }
            if (p < query.fixed.size() && query.fixed[p] && *query.fixed[p] != levels[p]) {
                matches = false;
            }
        }
        if (!matches) {
            continue;
        }
        auto& [metrics, configurations] =
            pooled[{query.series ? levels[*query.series] : 0, levels[query.x]}];
        ++configurations;
        for (const RunResult& run : results.configurations[c].runs) {
            if (run.generation == query.generation) {
                metrics[0].push_back(run.first);
                metrics[1].push_back(run.last);
                metrics[2].push_back(run.percentOut);
            }
        }
    }
    std::vector<EffectSeries> series;
    for (const auto& [levels, group] : pooled) {
        const auto& [metrics, configurations] = group;
        if (metrics[0].empty()) {
            continue;
        }
        if (series.empty() || series.back().level != levels.first) {
            series.push_back({levels.first, {}});
        }
        const std::vector<double> all = summaryStatistics(metrics);
        series.back().points.push_back(
            {levels.second, all[statistic], mean ? all[statistic + 3] : kUndefined,
             mean ? all[statistic + 4] : kUndefined, all.back(), configurations});
    }
    return series;
}

}  // namespace murelta
