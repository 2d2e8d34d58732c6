// The parameters as a user enters them: the texts of the main window's boxes and its check
// boxes, with the window's defaults, and the reading that fills a SimState from them.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace murelta {

struct SimState;

struct Params {
    std::string agents = "10";       // "Group size"
    std::string retina = "5";        // "Retina radius"
    std::string width = "50";        // "Width"
    std::string height = "50";       // "Height"
    std::string cycles = "20000";    // "Cycles"
    std::string foods = "1";         // "Foods"
    std::string foodSize = "1";      // "Foods size"
    std::string pConnection = "0";   // "P (connection)"
    std::string runs = "100";        // "Runs"
    std::string generations = "1";   // "Generations"
    std::string comCost = "1";       // "Communication Cost"
    std::string expCost = "1";       // "Exploration Cost"
    std::string commRadius = "100";  // "Com. Radius"
    std::string seed = "0";          // "Initial Seed"
    bool firstOut = false;           // "First out"
    bool sameStart = false;          // "Same Start pos"
    bool lastOut = false;            // "Last Out"
    bool expCostOn = false;          // "Exploration Cost"
    bool comCostOn = false;          // "Communication Cost"
    bool expGeneOn = false;          // "Exp gene"
    bool comGeneOn = false;          // "Com gene"

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
