// The parameters as a user enters them: the texts of the main window's boxes and its check
// boxes, with the window's defaults, and the reading that fills a SimState from them. The
// boxes' labels and keys are in sim/parameter_table.hpp, in this order.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace murelta {

struct SimState;

struct Params {
    std::string agents = "10";
    std::string retina = "5";
    std::string width = "50";
    std::string height = "50";
    std::string cycles = "20000";
    std::string foods = "1";
    std::string foodSize = "1";
    std::string pConnection = "0";
    std::string runs = "100";
    std::string generations = "1";
    std::string comCost = "1";
    std::string expCost = "1";
    std::string commRadius = "100";
    std::string seed = "0";
    bool firstOut = false;
    bool sameStart = false;
    bool lastOut = false;
    bool expCostOn = false;
    bool comCostOn = false;
    bool expGeneOn = false;
    bool comGeneOn = false;

    friend bool operator==(const Params&, const Params&) = default;
};

// Reads a text as a number, or throws Error naming the label; the windows pass one that follows
// the user's locale, the headless runner parseNumber.
using NumberReader = std::function<double(std::string_view text, std::string_view label)>;

// Fills the parameters of s from p, box by box in the main window's order, then the derived
// arenaDiagonal and exitQuota. Integer boxes round halves to even and must fit 16 bits. On a bad
// box it throws Error naming it: the parameters read before it keep their new values, the rest
// and all arrays are untouched.
void readParams(SimState& s, const Params& p, const NumberReader& readNumber);
void readParams(SimState& s, const Params& p);

}  // namespace murelta
