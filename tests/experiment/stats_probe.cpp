// Prints what the statistics give for cases read from standard input, for stats_reference.py to
// compare with SciPy and NumPy. Each case is a line of numbers, answered by one line:
//   mw n1 n2 a[n1] b[n2]        ->  U1 p A12
//   prcc k n x0[n] .. xk-1[n] y[n]  ->  r low high, for each factor in turn
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "experiment/sensitivity.hpp"
#include "sim/error.hpp"

namespace {

std::vector<double> readValues(std::size_t count) {
    std::vector<double> values(count);
    for (double& v : values) {
        std::cin >> v;
    }
    return values;
}

}  // namespace

int main() {
    std::string kind;
    while (std::cin >> kind) {
        if (kind == "mw") {
            std::size_t n1 = 0;
            std::size_t n2 = 0;
            std::cin >> n1 >> n2;
            const std::vector<double> a = readValues(n1);
            const std::vector<double> b = readValues(n2);
            const murelta::MannWhitney test = murelta::mannWhitney(a, b);
            std::printf("%.17g %.17g %.17g\n", test.u, test.pValue, murelta::a12(a, b));
        } else if (kind == "prcc") {
            std::size_t k = 0;
            std::size_t n = 0;
            std::cin >> k >> n;
            std::vector<std::vector<double>> columns(k);
            for (auto& column : columns) {
                column = readValues(n);
            }
            const std::vector<double> y = readValues(n);
            for (const murelta::Estimate& e : murelta::prcc(columns, y)) {
                std::printf("%.17g %.17g %.17g ", e.value, e.ciLow, e.ciHigh);
            }
            std::printf("\n");
        } else {
            std::cerr << "unknown case \"" << kind << "\"\n";
            return 2;
        }
        if (!std::cin) {
            std::cerr << "a case was cut short\n";
            return 2;
        }
    }
    return 0;
}
