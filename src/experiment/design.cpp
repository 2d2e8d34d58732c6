#include "experiment/design.hpp"

namespace murelta {

namespace {
std::vector<DesignPoint> grid(const std::vector<std::string>& factors, std::size_t n,
                              const char* block) {
    std::vector<DesignPoint> points;
    for (std::size_t i = 0; i < n; ++i) {
        points.push_back({i, block, std::vector<double>(factors.size(), (static_cast<double>(i) + 0.5) / static_cast<double>(n))});
    }
    return points;
}
}  // namespace

std::vector<DesignPoint> sobolDesign(const std::vector<std::string>& factors, std::size_t n) {
    return grid(factors, n * (factors.size() + 2), "A");
}
std::vector<DesignPoint> morrisDesign(const std::vector<std::string>& factors, std::size_t r,
                                      int, std::uint64_t) {
    return grid(factors, r * (factors.size() + 1), "T0");
}
std::vector<DesignPoint> lhsDesign(const std::vector<std::string>& factors, std::size_t n,
                                   std::uint64_t) {
    return grid(factors, n, "LHS");
}

}  // namespace murelta
