#include "experiment/design.hpp"

namespace murelta {

namespace {
std::vector<DesignPoint> grid(const std::vector<std::string>& factors, std::size_t n,
                              const char* block) {
    std::vector<DesignPoint> points;
    for (std::size_t i = 0; i < n; ++i) {
        points.push_back({i, block,
                          std::vector<double>(factors.size(), (static_cast<double>(i) + 0.5) /
                                                                  static_cast<double>(n))});
    }
    return points;
}
}  // namespace

std::vector<DesignPoint> sobolDesign(const std::vector<std::string>& factors, std::size_t n) {
    return grid(factors, n * (factors.size() + 2), "A");
}
std::vector<DesignPoint> morrisDesign(const std::vector<std::string>& factors, std::size_t r, int,
                                      std::uint64_t) {
    return grid(factors, r * (factors.size() + 1), "T0");
}
std::vector<DesignPoint> lhsDesign(const std::vector<std::string>& factors, std::size_t n,
                                   std::uint64_t) {
    return grid(factors, n, "LHS");
}

}  // namespace murelta

#include "experiment/sensitivity.hpp"

namespace murelta {
std::vector<SobolIndex> sobolIndices(const std::vector<double>&, const std::vector<double>&,
                                     const std::vector<std::vector<double>>& fAB, std::uint64_t,
                                     int) {
    return std::vector<SobolIndex>(fAB.size());
}
std::vector<MorrisIndex> morrisIndices(const std::vector<DesignPoint>&, const std::vector<double>&,
                                       std::size_t k, std::uint64_t, int) {
    return std::vector<MorrisIndex>(k);
}
std::vector<Estimate> prcc(const std::vector<std::vector<double>>& columns,
                           const std::vector<double>&) {
    return std::vector<Estimate>(columns.size());
}
MannWhitney mannWhitney(const std::vector<double>&, const std::vector<double>&) {
    return {};
}
double a12(const std::vector<double>&, const std::vector<double>&) {
    return 0.5;
}
std::vector<double> holm(const std::vector<double>& p) {
    return p;
}
}  // namespace murelta
