#include "experiment/design_tables.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "experiment/results.hpp"
#include "experiment/sensitivity.hpp"
#include "experiment/tables.hpp"
#include "sim/numbers.hpp"

namespace murelta {

namespace {

// An undefined number is an empty cell.
std::string cell(double value) {
    return std::isnan(value) ? std::string() : formatNumber(value);
}

double mean(const std::vector<double>& values) {
    if (values.empty()) {
        return std::nan("");
    }
    return std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
}

// The outputs of a design point, per generation, as sensitivity.csv names them.
constexpr std::array<const char*, 5> kOutputs{"first_mean", "last_mean", "percent_out_mean",
                                              "all_out_share", "total_fitness"};

double output(const ConfigurationMetrics& c, std::size_t generation, std::size_t o) {
    const auto& runs = c.runs[generation];
    switch (o) {
        case 0:
        case 1:
        case 2:
            return mean(runs[o]);
        case 3:
            return allOutShare(runs[2]);
        default:
            return c.totalFitness[generation];
    }
}

struct Measure {
    std::string factor;
    const char* name;
    Estimate estimate;
};

std::vector<Measure> measures(const Design& d, const std::vector<double>& f) {
    std::vector<Measure> rows;
    const std::size_t k = d.factors.size();
    switch (d.method) {
        case DesignMethod::kSobol: {
            const std::size_t n = d.samples;
            const auto block = [&](std::size_t b) {
                return std::vector<double>(f.begin() + static_cast<long>(b * n),
                                           f.begin() + static_cast<long>((b + 1) * n));
            };
            std::vector<std::vector<double>> fAB;
            for (std::size_t i = 0; i < k; ++i) {
                fAB.push_back(block(2 + i));
            }
            const std::vector<SobolIndex> indices = sobolIndices(block(0), block(1), fAB, d.seed);
            for (std::size_t i = 0; i < k; ++i) {
                rows.push_back({d.factors[i].key, "S1", indices[i].s1});
                rows.push_back({d.factors[i].key, "ST", indices[i].st});
            }
            break;
        }
        case DesignMethod::kMorris: {
            const std::vector<MorrisIndex> indices = morrisIndices(*d.points, f, k, d.seed);
            const double none = std::nan("");
            for (std::size_t i = 0; i < k; ++i) {
                const MorrisIndex& m = indices[i];
                rows.push_back({d.factors[i].key, "mu", {m.mu, none, none}});
                rows.push_back({d.factors[i].key, "mu_star", m.muStarCi});
                rows.push_back({d.factors[i].key, "sigma", {m.sigma, none, none}});
            }
            break;
        }
        case DesignMethod::kLhs: {
            // The values as they ran, rounded where their boxes round them.
            std::vector<std::vector<double>> columns(k);
            for (std::size_t p = 0; p < d.pointCount(); ++p) {
                const std::vector<std::string> values = d.values(p);
                for (std::size_t i = 0; i < k; ++i) {
                    columns[i].push_back(parseNumber(values[i], d.factors[i].key));
                }
            }
            const std::vector<Estimate> r = prcc(columns, f);
            for (std::size_t i = 0; i < k; ++i) {
                rows.push_back({d.factors[i].key, "prcc", r[i]});
            }
            break;
        }
    }
    return rows;
}

}  // namespace

std::string sensitivityTable(const Experiment& sweep,
                             const std::vector<ConfigurationMetrics>& configurations,
                             std::vector<std::string>& notes) {
    const Design& d = *sweep.design;
    const std::size_t n = d.pointCount();
    std::vector<std::string> header = sweptKeys(sweep);
    for (const std::string_view column : tables::kSensitivityColumns) {
        header.emplace_back(column);
    }
    std::string table = tables::csvRow(header);
    for (std::size_t first = 0; first + n <= configurations.size(); first += n) {
        const std::vector<std::string> lead = sweptValues(sweep, first);
        std::string where;
        for (std::size_t a = 0; a < lead.size(); ++a) {
            where += (a == 0 ? "" : ", ") + sweep.sweep[a].key + " " + lead[a];
        }
        where = where.empty() ? std::string("the design") : "the design at " + where;
        const auto begin = configurations.begin() + static_cast<long>(first);
        const auto end = begin + static_cast<long>(n);
        if (!std::all_of(begin, end, [](const ConfigurationMetrics& c) { return c.finished; })) {
            notes.push_back(where + ": not every point is finished; its indices wait for them.");
            continue;
        }
        std::size_t generations = SIZE_MAX;
        for (auto c = begin; c != end; ++c) {
            generations = std::min({generations, c->runs.size(), c->totalFitness.size()});
        }
        for (std::size_t g = 0; g < generations; ++g) {
            for (std::size_t o = 0; o < kOutputs.size(); ++o) {
                std::vector<double> f;
                for (auto c = begin; c != end; ++c) {
                    f.push_back(output(*c, g, o));
                }
                const bool moves =
                    std::none_of(f.begin(), f.end(), [](double v) { return std::isnan(v); }) &&
                    std::any_of(f.begin(), f.end(), [&](double v) { return v != f.front(); });
                if (!moves) {
                    notes.push_back(where + ", generation " + std::to_string(g) + ", " +
                                    kOutputs[o] +
                                    ": no factor moves it (the same at every point); its "
                                    "indices are left empty.");
                }
                for (const Measure& m : measures(d, f)) {
                    std::vector<std::string> fields = lead;
                    const double none = std::nan("");
                    const Estimate e = moves ? m.estimate : Estimate{none, none, none};
                    for (const std::string& field :
                         {std::to_string(g), std::string(kOutputs[o]), m.factor,
                          std::string(m.name), cell(e.value), cell(e.ciLow), cell(e.ciHigh)}) {
                        fields.push_back(field);
                    }
                    table += tables::csvRow(fields);
                }
            }
        }
    }
    return table;
}

std::string compareTable(const Experiment& sweep,
                         const std::vector<ConfigurationMetrics>& configurations,
                         std::vector<std::string>& notes) {
    // With a design, a group is a swept configuration and all its points.
    const std::size_t size = sweep.design ? sweep.design->pointCount() : 1;
    if (sweep.design && sweep.sweep.empty()) {
        return {};
    }
    struct Group {
        std::size_t number;
        std::vector<std::array<std::vector<double>, 3>> runs;
    };
    std::vector<Group> groups;
    const std::size_t count = configurations.size() / size;
    if (count > kMaxComparedConfigurations) {
        notes.push_back("compare.csv is not written: " + std::to_string(count) +
                        " configurations make too many pairs; it pairs at most " +
                        std::to_string(kMaxComparedConfigurations) + ".");
        return {};
    }
    for (std::size_t number = 0; number < count; ++number) {
        Group group{number, {}};
        bool finished = true;
        for (std::size_t c = number * size; c < (number + 1) * size; ++c) {
            const ConfigurationMetrics& m = configurations[c];
            finished = finished && m.finished;
            group.runs.resize(std::max(group.runs.size(), m.runs.size()));
            for (std::size_t g = 0; g < m.runs.size(); ++g) {
                for (std::size_t o = 0; o < 3; ++o) {
                    group.runs[g][o].insert(group.runs[g][o].end(), m.runs[g][o].begin(),
                                            m.runs[g][o].end());
                }
            }
        }
        if (finished) {
            groups.push_back(std::move(group));
        }
    }
    if (groups.size() < 2) {
        return {};
    }
    std::string table = tables::csvRow(tables::names(tables::kCompareColumns));
    std::size_t generations = SIZE_MAX;
    for (const Group& group : groups) {
        generations = std::min(generations, group.runs.size());
    }
    for (std::size_t g = 0; g < generations; ++g) {
        for (std::size_t o = 0; o < 3; ++o) {
            struct Pair {
                std::size_t a;
                std::size_t b;
                MannWhitney test;
                double a12;
            };
            std::vector<Pair> pairs;
            std::vector<double> p;
            for (std::size_t a = 0; a < groups.size(); ++a) {
                for (std::size_t b = a + 1; b < groups.size(); ++b) {
                    const auto& x = groups[a].runs[g][o];
                    const auto& y = groups[b].runs[g][o];
                    pairs.push_back({a, b, mannWhitney(x, y), murelta::a12(x, y)});
                    p.push_back(pairs.back().test.pValue);
                }
            }
            const std::vector<double> adjusted = holm(p);
            for (std::size_t i = 0; i < pairs.size(); ++i) {
                const Pair& pair = pairs[i];
                const auto& x = groups[pair.a].runs[g][o];
                const auto& y = groups[pair.b].runs[g][o];
                table += tables::csvRow({std::to_string(g), std::string(tables::kMetrics[o]),
                                         std::to_string(groups[pair.a].number),
                                         std::to_string(groups[pair.b].number), cell(mean(x)),
                                         cell(mean(y)), cell(pair.a12), cell(pair.test.u),
                                         cell(pair.test.pValue), cell(adjusted[i])});
            }
        }
    }
    return table;
}

}  // namespace murelta
