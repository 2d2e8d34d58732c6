// The columns of the tables this program writes and reads: a record's table of runs, and a
// sweep's runs.csv, generations.csv and summary.csv. Every writer and reader takes the names
// from here, and writes rows with csvRow.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace murelta::tables {

// A record's table; in a sweep's runs.csv they follow the configuration and its swept values.
inline constexpr std::array<std::string_view, 6> kRunColumns{"generation", "run",  "seed",
                                                             "first",      "last", "percent_out"};
// The metrics of a run that summary.csv describes, in its order.
inline constexpr std::array<std::string_view, 3> kMetrics{kRunColumns[3], kRunColumns[4],
                                                          kRunColumns[5]};

// generations.csv after the swept values.
inline constexpr std::array<std::string_view, 6> kGenerationColumns{
    "generation", "total_fitness", "exp_gene_mean", "exp_gene_sd", "com_gene_mean", "com_gene_sd"};
// The keys of a generation in a record's provenance, for the same values from total_fitness on.
inline constexpr std::array<std::string_view, 5> kProvenanceKeys{
    "total-fitness", "exp-gene-mean", "exp-gene-sd", "com-gene-mean", "com-gene-sd"};

// summary.csv after the swept values: the generation, its runs, per metric (in kMetrics' order)
// the mean, standard deviation, median and 95% confidence interval of the mean, and the share
// of runs all of whose agents went out.
inline constexpr std::array<std::string_view, 18> kSummaryColumns{"generation",
                                                                  "runs",
                                                                  "first_mean",
                                                                  "first_sd",
                                                                  "first_median",
                                                                  "first_ci_low",
                                                                  "first_ci_high",
                                                                  "last_mean",
                                                                  "last_sd",
                                                                  "last_median",
                                                                  "last_ci_low",
                                                                  "last_ci_high",
                                                                  "percent_out_mean",
                                                                  "percent_out_sd",
                                                                  "percent_out_median",
                                                                  "percent_out_ci_low",
                                                                  "percent_out_ci_high",
                                                                  "all_out_share"};
// How many statistics summary.csv gives per metric.
inline constexpr std::size_t kStatistics = 5;
static_assert(kSummaryColumns.size() == 2 + kMetrics.size() * kStatistics + 1);

// design.csv after the swept values: the point's number and block (sobol: A, B or AB:<factor>
// with the base sample; morris: T<trajectory> with the step along it; lhs: LHS), then one
// column per factor, named by its key.
inline constexpr std::array<std::string_view, 2> kDesignColumns{"point", "block"};

// sensitivity.csv after the swept values (it has no config column: a row speaks of all the
// points of a swept configuration).
inline constexpr std::array<std::string_view, 7> kSensitivityColumns{
    "generation", "output", "factor", "measure", "value", "ci_low", "ci_high"};

// compare.csv, whole.
inline constexpr std::array<std::string_view, 10> kCompareColumns{
    "generation", "output", "config_a", "config_b", "mean_a",
    "mean_b",     "a12",    "u",        "p_value",  "p_holm"};

// The first column of a sweep's tables; the swept keys follow it.
inline constexpr std::string_view kConfigColumn = "config";

// The names as strings, to compare with a header read or to start a row.
template <std::size_t N>
std::vector<std::string> names(const std::array<std::string_view, N>& columns) {
    return {columns.begin(), columns.end()};
}

// One RFC 4180 line with CRLF end: a field is quoted when it holds a comma, a quote or a line
// end.
std::string csvRow(const std::vector<std::string>& fields);

}  // namespace murelta::tables
