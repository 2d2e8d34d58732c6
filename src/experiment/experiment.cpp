#include "experiment/experiment.hpp"

#include <toml++/toml.h>
#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <sstream>

#include "experiment/tables.hpp"
#include "experiment/toml_lines.hpp"
#include "network/links.hpp"
#include "network/presets.hpp"
#include "run/data_file.hpp"
#include "run/run.hpp"
#include "run/set_parameters.hpp"
#include "sim/error.hpp"
#include "sim/numbers.hpp"
#include "sim/parameter_table.hpp"
#include "sim/state.hpp"

namespace murelta {

namespace {

constexpr std::string_view kSpaceDependent = "space dependent";
constexpr std::string_view kSpaceIndependent = "space independent";

// Where each part of an experiment was written, to name it in a message.
struct Lines {
    std::vector<std::pair<std::string, int>> parameters;  // key, line
    std::vector<int> agents;                              // line of each agent's table
    std::vector<int> receivers;                           // line of each agent's receivers
    int preset = 0;
    int range = 0;
    std::vector<int> changes;  // line of each change's table
};

class Reader {
  public:
    explicit Reader(std::string fileName) : fileName_(std::move(fileName)) {}

    [[noreturn]] void fail(int line, std::string_view key, const std::string& what) const {
        std::string message = fileName_;
        if (line > 0) {
            message += ", line " + std::to_string(line);
        }
        if (!key.empty()) {
            message += ", " + std::string(key);
        }
        throw ExperimentError(message + ": " + what, std::string(key), what);
    }
    [[noreturn]] void fail(const toml::node& node, std::string_view key,
                           const std::string& what) const {
        fail(static_cast<int>(node.source().begin.line), key, what);
    }

    // Refuses any key of `table` not in `allowed`.
    void onlyKeys(const toml::table& table, std::string_view where,
                  std::initializer_list<std::string_view> allowed) const {
        for (const auto& [key, node] : table) {
            if (std::find(allowed.begin(), allowed.end(), key.str()) == allowed.end()) {
                std::string list;
                for (std::string_view name : allowed) {
                    list += (list.empty() ? "" : ", ") + std::string(name);
                }
                fail(node, key.str(),
                     "unknown key in " + std::string(where) + "; allowed are " + list + ".");
            }
        }
    }

    const toml::table* table(const toml::node* node, std::string_view key) const {
        if (node == nullptr) {
            return nullptr;
        }
        if (!node->is_table()) {
            fail(*node, key, "must be a table ([" + std::string(key) + "]).");
        }
        return node->as_table();
    }

    std::int64_t integer(const toml::node& node, std::string_view key, std::int64_t lowest,
                         std::int64_t highest) const {
        const auto value = node.value_exact<std::int64_t>();
        if (!value) {
            fail(node, key,
                 "must be a whole number from " + std::to_string(lowest) + " to " +
                     std::to_string(highest) + ".");
        }
        if (*value < lowest || *value > highest) {
            fail(node, key,
                 std::to_string(*value) + " is out of range; allowed are " +
                     std::to_string(lowest) + " to " + std::to_string(highest) + ".");
        }
        return *value;
    }

    bool flag(const toml::node& node, std::string_view key) const {
        const auto value = node.value_exact<bool>();
        if (!value) {
            fail(node, key, "must be true or false.");
        }
        return *value;
    }

    std::string text(const toml::node& node, std::string_view key) const {
        const auto value = node.value_exact<std::string>();
        if (!value) {
            fail(node, key, "must be a text in quotes.");
        }
        return *value;
    }

    // A box's value: the text as typed, or a plain number standing for its shortest text.
    std::string boxText(const toml::node& node, std::string_view key) const {
        if (const auto text = node.value_exact<std::string>()) {
            return *text;
        }
        if (const auto whole = node.value_exact<std::int64_t>()) {
            return std::to_string(*whole);
        }
        if (const auto real = node.value_exact<double>()) {
            return formatNumber(*real);
        }
        fail(node, key, "must be a text as typed in the box, such as \"10\", or a number.");
    }

    const std::string& fileName() const { return fileName_; }

  private:
    std::string fileName_;
};

void readParameters(const Reader& r, const toml::table& table, Experiment& e, Lines& lines) {
    for (const auto& [key, node] : table) {
        const int line = static_cast<int>(node.source().begin.line);
        if (key.str() == "label") {
            e.label = r.text(node, key.str());
        } else if (const TextParameter* text = findTextParameter(key.str())) {
            e.params.*(text->member) = r.boxText(node, key.str());
        } else if (const FlagParameter* flag = findFlagParameter(key.str())) {
            e.params.*(flag->member) = r.flag(node, key.str());
        } else {
            std::string list;
            for (const TextParameter& p : kTextParameters) {
                list += std::string(p.key) + ", ";
            }
            for (const FlagParameter& p : kFlagParameters) {
                list += std::string(p.key) + ", ";
            }
            r.fail(node, key.str(), "unknown parameter; allowed are " + list + "label.");
        }
        lines.parameters.emplace_back(std::string(key.str()), line);
    }
}

// The most receivers an agent may have: every agent of the largest group.
constexpr int kMaxReceivers = kMaxInteger;

// Which agents an agent's receivers already name, so that a repeat is found as it is read.
class Named {
  public:
    Named() : words_((kMaxReceivers + 63) / 64, 0) {}
    // Marks first..last; false when one of them was marked before.
    bool mark(int first, int last) {
        for (int i = first; i <= last;) {
            const int bit = i % 64;
            const int upto = std::min(last, i - bit + 63);
            const std::uint64_t span = upto - i == 63
                                           ? ~std::uint64_t{0}
                                           : ((std::uint64_t{1} << (upto - i + 1)) - 1) << bit;
            std::uint64_t& word = words_[static_cast<std::size_t>(i / 64)];
            if ((word & span) != 0) {
                return false;
            }
            word |= span;
            i = upto + 1;
        }
        return true;
    }
    // The first of first..last marked before, or -1.
    int firstMarked(int first, int last) const {
        for (int i = first; i <= last; ++i) {
            if ((words_[static_cast<std::size_t>(i / 64)] >> (i % 64) & 1U) != 0) {
                return i;
            }
        }
        return -1;
    }

  private:
    std::vector<std::uint64_t> words_;
};

// Reads an agent's receivers, written as ranges in a text ("0-4, 6-9"), or as a list of indexes
// ([0, 1, 2, 3, 4, 6]). A receiver named twice or outside every possible group is refused where
// it is found, so reading never goes past the 32767 receivers an agent can have.
void readReceivers(const Reader& r, const toml::node& node, AgentDesign& agent) {
    const std::string who = "agent " + std::to_string(agent.index);
    Named named;
    const auto add = [&](std::int64_t first, std::int64_t last) {
        if (first < 0 || last > kMaxReceivers - 1) {
            r.fail(node, "receivers",
                   who + " names receiver " + std::to_string(first < 0 ? first : last) +
                       "; receivers are agent indexes from 0 to " +
                       std::to_string(kMaxReceivers - 1) + ".");
        }
        if (!named.mark(static_cast<int>(first), static_cast<int>(last))) {
            r.fail(node, "receivers",
                   who + " names receiver " +
                       std::to_string(
                           named.firstMarked(static_cast<int>(first), static_cast<int>(last))) +
                       " twice; each receiver may be named once.");
        }
        agent.receivers.add(static_cast<std::int16_t>(first), static_cast<std::int16_t>(last));
    };
    if (const toml::array* list = node.as_array()) {
        for (const toml::node& receiver : *list) {
            const auto value = receiver.value_exact<std::int64_t>();
            if (!value) {
                r.fail(receiver, "receivers", who + ": receivers must be whole numbers.");
            }
            add(*value, *value);
        }
        return;
    }
    const auto text = node.value_exact<std::string>();
    if (!text) {
        r.fail(node, "receivers",
               "must be ranges of agent indexes in quotes, such as \"0-4, 6-9\", or a list, "
               "such as [1, 2].");
    }
    const std::string_view all = *text;
    const auto number = [&](std::string_view part, std::int64_t& value) {
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        return error == std::errc() && end == part.data() + part.size() && !part.empty();
    };
    const auto trim = [](std::string_view part) {
        while (!part.empty() && (part.front() == ' ' || part.front() == '\t')) {
            part.remove_prefix(1);
        }
        while (!part.empty() && (part.back() == ' ' || part.back() == '\t')) {
            part.remove_suffix(1);
        }
        return part;
    };
    if (trim(all).empty()) {
        return;
    }
    for (std::size_t from = 0; from <= all.size();) {
        const std::size_t comma = std::min(all.find(',', from), all.size());
        const std::string_view item = trim(all.substr(from, comma - from));
        const std::size_t dash = item.find('-', 1);
        std::int64_t first = 0;
        std::int64_t last = 0;
        const bool read = dash == std::string_view::npos
                              ? number(item, first) && number(item, last)
                              : number(trim(item.substr(0, dash)), first) &&
                                    number(trim(item.substr(dash + 1)), last);
        if (!read || first > last) {
            r.fail(node, "receivers",
                   who + ": \"" + std::string(item) +
                       "\" is not a receiver or a range; write indexes and upward ranges "
                       "separated by commas, such as \"0-4, 6-9\".");
        }
        add(first, last);
        from = comma + 1;
    }
}

// Refuses a list too long to be read before toml++ builds it, which would take minutes and
// gigabytes for a list of millions: a list of receivers longer than any group, or any other list
// longer than the longest a file may need (a sweep's 100000 configurations). Reads just enough of
// TOML to know what is a list: strings, comments, table headers and brackets. The exact checks
// come after parsing; this one only keeps what is parsed small.
void refuseLongLists(const Reader& r, std::string_view text) {
    constexpr std::size_t kMaxListLength = 100000;
    struct Open {
        bool list;
        std::size_t commas;
        int line;
        std::string key;
    };
    std::vector<Open> open;
    int line = 1;
    std::string key;             // the key of the value being read at the top level
    std::string agent;           // the index of the agent whose table this is, when written yet
    bool valueExpected = false;  // after `=` at the top level
    std::size_t i = 0;
    const auto startsWith = [&](std::string_view what) {
        return text.substr(i, what.size()) == what;
    };
    const auto skipString = [&] {
        const bool multi = startsWith("\"\"\"") || startsWith("'''");
        const char quote = text[i];
        const std::string_view close = multi ? text.substr(i, 3) : text.substr(i, 1);
        i += close.size();
        while (i < text.size() && !startsWith(close)) {
            if (text[i] == '\n') {
                ++line;
            }
            i += quote == '"' && text[i] == '\\' ? 2 : 1;
        }
        i += close.size();
    };
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\n') {
            ++line;
            ++i;
            if (open.empty()) {
                valueExpected = false;
            }
        } else if (c == '#') {
            while (i < text.size() && text[i] != '\n') {
                ++i;
            }
        } else if (c == '"' || c == '\'') {
            const std::size_t from = i;
            const int at = line;
            skipString();
            // The longest text of receivers names every agent of the largest group by itself.
            if (open.empty() && key == "receivers" && i - from > 8 * kMaxReceivers) {
                r.fail(at, "receivers",
                       (agent.empty() ? std::string("an agent") : "agent " + agent) +
                           ": a text of receivers longer than any group needs.");
            }
        } else if (open.empty() && !valueExpected && c == '[') {
            // A table header: a new table, whose agent is not known yet.
            agent.clear();
            while (i < text.size() && text[i] != '\n') {
                ++i;
            }
        } else if (open.empty() && !valueExpected) {
            // A key up to `=`, or the rest of a value such as a number.
            const std::size_t end = text.find_first_of("=\n#\"'", i);
            if (end != std::string_view::npos && text[end] == '=') {
                std::string_view name = text.substr(i, end - i);
                while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) {
                    name.remove_prefix(1);
                }
                while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) {
                    name.remove_suffix(1);
                }
                key = std::string(name);
                valueExpected = true;
                i = end + 1;
                if (key == "index") {
                    const std::size_t close = text.find_first_of("\n#", i);
                    std::string_view value = text.substr(i, close - i);
                    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
                        value.remove_prefix(1);
                    }
                    while (!value.empty() &&
                           (value.back() == ' ' || value.back() == '\t' || value.back() == '\r')) {
                        value.remove_suffix(1);
                    }
                    agent = std::string(value);
                }
            } else {
                i = end == std::string_view::npos ? text.size() : end;
            }
        } else if (c == '[' || c == '{') {
            open.push_back({c == '[', 0, line, open.empty() ? key : std::string()});
            ++i;
        } else if (c == ']' || c == '}') {
            if (!open.empty()) {
                open.pop_back();
            }
            if (open.empty()) {
                valueExpected = false;
            }
            ++i;
        } else if (c == ',' && !open.empty() && open.back().list) {
            Open& list = open.back();
            ++list.commas;
            if (list.key == "receivers" && open.size() == 1 && list.commas >= kMaxReceivers) {
                r.fail(list.line, "receivers",
                       (agent.empty() ? std::string("an agent") : "agent " + agent) +
                           " names more than " + std::to_string(kMaxReceivers) +
                           " receivers; a group has at most " + std::to_string(kMaxReceivers) +
                           " agents and each may be named once.");
            }
            if (list.commas >= kMaxListLength) {
                r.fail(list.line, open.size() == 1 ? list.key : std::string_view(),
                       "a list of more than " + std::to_string(kMaxListLength) +
                           " values; no list of an experiment needs that many.");
            }
            ++i;
        } else {
            ++i;
        }
    }
}

AgentDesign readAgent(const Reader& r, const toml::table& table, Lines& lines) {
    r.onlyKeys(table, "an agent of [[network.agents]]",
               {"index", "receivers", "leader", "rank", "retina"});
    AgentDesign agent;
    const toml::node* index = table.get("index");
    if (index == nullptr) {
        r.fail(static_cast<int>(table.source().begin.line), "network.agents",
               "every agent needs its index.");
    }
    agent.index = static_cast<std::int16_t>(r.integer(*index, "index", 0, kMaxAgentIndex));
    lines.agents.push_back(static_cast<int>(table.source().begin.line));
    lines.receivers.push_back(lines.agents.back());
    if (const toml::node* receivers = table.get("receivers")) {
        lines.receivers.back() = static_cast<int>(receivers->source().begin.line);
        readReceivers(r, *receivers, agent);
    }
    const toml::node* rank = table.get("rank");
    if (rank != nullptr) {
        agent.rank = static_cast<std::int16_t>(r.integer(*rank, "rank", 0, kMaxInteger));
    }
    if (const toml::node* leader = table.get("leader")) {
        const bool isLeader = r.flag(*leader, "leader");
        if (rank == nullptr) {
            agent.rank = isLeader ? std::int16_t{1} : std::int16_t{0};
        } else if (isLeader != (agent.rank == 1)) {
            r.fail(*leader, "leader",
                   "disagrees with rank " + std::to_string(agent.rank) +
                       ": the leader is the agent of rank 1.");
        }
    }
    if (const toml::node* retina = table.get("retina")) {
        const auto value = retina->value<double>();
        if (!value || !(*value >= 0.0 && *value <= kMaxRetina)) {
            r.fail(*retina, "retina",
                   "must be a number from 0 to " + std::to_string(kMaxRetina) + ".");
        }
        agent.retina = *value;
    } else {
        r.fail(static_cast<int>(table.source().begin.line), "retina",
               "every agent listed needs its retina.");
    }
    return agent;
}

// A preset's name, which must be one of the list's items.
std::string presetName(const Reader& r, const toml::node& node) {
    std::string name = r.text(node, "preset");
    if (std::find(kPresetNames.begin(), kPresetNames.end(), name) == kPresetNames.end()) {
        std::string list;
        for (std::string_view item : kPresetNames) {
            list += (list.empty() ? "\"" : ", \"") + std::string(item) + "\"";
        }
        r.fail(node, "preset", "\"" + name + "\" is not a preset; allowed are " + list + ".");
    }
    return name;
}

void readNetwork(const Reader& r, const toml::table& table, Experiment& e, Lines& lines) {
    r.onlyKeys(table, "[network]", {"preset", "range", "agents"});
    if (const toml::node* preset = table.get("preset")) {
        e.preset = presetName(r, *preset);
        lines.preset = static_cast<int>(preset->source().begin.line);
    }
    if (const toml::node* range = table.get("range")) {
        lines.range = static_cast<int>(range->source().begin.line);
        const std::string option = r.text(*range, "range");
        if (option == kSpaceDependent) {
            e.rangeRadius = kSpaceDependentRadius;
        } else if (option == kSpaceIndependent) {
            e.rangeRadius = kSpaceIndependentRadius;
        } else {
            r.fail(*range, "range", "must be \"space dependent\" or \"space independent\".");
        }
    }
    if (const toml::node* agents = table.get("agents")) {
        const toml::array* list = agents->as_array();
        if (list == nullptr || !list->is_array_of_tables()) {
            r.fail(*agents, "agents", "must be tables written as [[network.agents]].");
        }
        for (const toml::node& agent : *list) {
            e.agents.push_back(readAgent(r, *agent.as_table(), lines));
            for (std::size_t k = 0; k + 1 < e.agents.size(); ++k) {
                if (e.agents[k].index == e.agents.back().index) {
                    r.fail(lines.agents.back(), "index",
                           "agent " + std::to_string(e.agents.back().index) +
                               " is listed twice; each agent may be listed once.");
                }
            }
        }
    }
}

// A record's [[changes]]: each the point at which the network changed and the whole network as
// it became, every agent listed once.
void readChanges(const Reader& r, const toml::node& node, Experiment& e, Lines& lines) {
    const toml::array* list = node.as_array();
    if (list == nullptr || !list->is_array_of_tables()) {
        r.fail(node, "changes", "must be tables written as [[changes]].");
    }
    for (const toml::node& item : *list) {
        const toml::table& table = *item.as_table();
        const int line = static_cast<int>(table.source().begin.line);
        r.onlyKeys(table, "a change of [[changes]]",
                   {"generation", "run", "cycle", "com-radius", "agents"});
        const auto whole = [&](const char* key) {
            const toml::node* value = table.get(key);
            if (value == nullptr) {
                r.fail(line, key, "every change needs its generation, run and cycle.");
            }
            return static_cast<int>(r.integer(*value, key, 0, kMaxInteger));
        };
        NetworkChange change;
        change.at = {whole("generation"), whole("run"), whole("cycle")};
        if (!e.changes.empty() && change.at < e.changes.back().at) {
            r.fail(line, "changes", "the changes must come in the order they were made.");
        }
        const toml::node* radius = table.get("com-radius");
        const std::optional<double> value =
            radius != nullptr ? radius->value<double>() : std::nullopt;
        if (!value || !std::isfinite(*value)) {
            r.fail(radius != nullptr ? static_cast<int>(radius->source().begin.line) : line,
                   "com-radius", "every change needs its communication radius, a number.");
        }
        change.network.commRadius = *value;
        Lines agentLines;
        if (const toml::node* agents = table.get("agents")) {
            const toml::array* tables = agents->as_array();
            if (tables == nullptr || !tables->is_array_of_tables()) {
                r.fail(*agents, "agents", "must be tables written as [[changes.agents]].");
            }
            for (const toml::node& agent : *tables) {
                const AgentDesign design = readAgent(r, *agent.as_table(), agentLines);
                const auto index = static_cast<std::size_t>(design.index);
                if (index != change.network.ranks.size()) {
                    r.fail(agentLines.agents.back(), "index",
                           "a change lists every agent once, in index order, from 0; this one "
                           "should be agent " +
                               std::to_string(change.network.ranks.size()) + ".");
                }
                change.network.receivers.emplace_back(design.receivers.begin(),
                                                      design.receivers.end());
                change.network.ranks.push_back(design.rank);
                change.network.retinas.push_back(design.retina);
            }
        }
        lines.changes.push_back(line);
        e.changes.push_back(std::move(change));
    }
}

// Format 1 wrote the targets' sizes, which every run's start sets from "Foods size": old files
// keep opening and the sizes are dropped; anywhere else they are refused, since they would
// have no effect.
void readTargets(const Reader& r, const toml::table& table, std::int64_t format) {
    if (format >= 2) {
        r.fail(static_cast<int>(table.source().begin.line), "targets",
               "a run's start sets every target's size from \"Foods size\", so sizes given here "
               "would have no effect; set food-size in [parameters] instead.");
    }
    r.onlyKeys(table, "[targets]", {"sizes"});
    if (const toml::node* sizes = table.get("sizes")) {
        const toml::array* list = sizes->as_array();
        if (list == nullptr) {
            r.fail(*sizes, "sizes", "must be a list of whole numbers, one per target.");
        }
        for (const toml::node& size : *list) {
            r.integer(size, "sizes", kMinInteger, kMaxInteger);
        }
    }
}

// The values of one swept key: a list written as in the parameters table, or for numbers a
// range { from = .., to = .., step = .. } with both ends included.
std::vector<std::string> readSweepValues(const Reader& r, const toml::node& node,
                                         std::string_view key) {
    std::vector<std::string> values;
    const bool flag = findFlagParameter(key) != nullptr;
    if (const toml::array* list = node.as_array()) {
        for (const toml::node& value : *list) {
            if (flag) {
                values.push_back(r.flag(value, key) ? "true" : "false");
            } else if (key == "preset") {
                values.push_back(presetName(r, value));
            } else if (key == "label") {
                values.push_back(r.text(value, key));
            } else {
                values.push_back(r.boxText(value, key));
            }
        }
    } else if (const toml::table* range = node.as_table(); range != nullptr && !flag) {
        r.onlyKeys(*range, "a range", {"from", "to", "step"});
        const auto from = (*range)["from"].value<double>();
        const auto to = (*range)["to"].value<double>();
        const auto step = (*range)["step"].value<double>();
        for (const auto& [end, value] : {std::pair{"from", from}, {"to", to}, {"step", step}}) {
            if (value && !std::isfinite(*value)) {
                r.fail(node, key,
                       std::string("the range's ") + end + " is " + formatNumber(*value) +
                           "; a range needs finite numbers.");
            }
        }
        if (!from || !to || !step || *step == 0.0 || (*to - *from) / *step < 0.0 ||
            (*to - *from) / *step > 100000.0) {
            r.fail(node, key,
                   "a range needs numbers from, to and step, with step non-zero and leading "
                   "from `from` to `to` in at most 100000 steps.");
        }
        const auto steps = static_cast<long>(std::floor((*to - *from) / *step + 1e-9));
        for (long i = 0; i <= steps; ++i) {
            values.push_back(formatNumber(*from + static_cast<double>(i) * *step));
        }
    } else {
        r.fail(node, key,
               flag ? "must be a list of true and false."
                    : "must be a list of values, such as [\"10\", \"50\"], or a range "
                      "{ from = 1, to = 9, step = 2 }.");
    }
    if (values.empty()) {
        r.fail(node, key, "must give at least one value.");
    }
    return values;
}

void readSweep(const Reader& r, const toml::table& table, Experiment& e) {
    // In the order written, which decides the order of the configurations.
    std::vector<std::pair<int, SweepAxis>> axes;
    for (const auto& [key, node] : table) {
        if (key.str() != "preset" && findTextParameter(key.str()) == nullptr &&
            findFlagParameter(key.str()) == nullptr && key.str() != "label") {
            r.fail(node, key.str(),
                   "cannot be swept; a sweep takes keys of the parameters table and preset.");
        }
        axes.emplace_back(static_cast<int>(node.source().begin.line),
                          SweepAxis{std::string(key.str()), readSweepValues(r, node, key.str())});
    }
    std::stable_sort(axes.begin(), axes.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [line, axis] : axes) {
        e.sweep.push_back(std::move(axis));
    }
}

// What varies a key, which decides how the messages name it.
enum class VariedBy { kSweep, kDesign, kCalibration };

// A key that a sweep, a design or a calibration varies: where (its line) and by what.
struct Varied {
    std::string key;
    int line = 0;
    VariedBy by = VariedBy::kSweep;
};

// A swept key, a design's factor or a calibration's free parameter that something else in the
// file replaces would give configurations that differ only in their labels: refused, naming
// both.
void checkVariedKeysTakeEffect(const Reader& r, const std::vector<Varied>& varied,
                               const Experiment& e, const Lines& lines) {
    const auto find = [&](std::string_view key) {
        return std::find_if(varied.begin(), varied.end(),
                            [&](const Varied& v) { return v.key == key; });
    };
    const bool sweptPreset = find("preset") != varied.end();
    const bool presets = !e.preset.empty() || sweptPreset;
    const std::string presetPlace = !e.preset.empty() ? "the preset \"" + e.preset + "\" (line " +
                                                            std::to_string(lines.preset) + ")"
                                                      : std::string("the swept preset");
    // `reason` ends in advice with a verb: "sweep" for a swept key, "vary" for a factor,
    // "calibrate" for a free parameter.
    const auto refuse = [&](std::string_view key, const std::string& reason) {
        const auto v = find(key);
        if (v == varied.end()) {
            return;
        }
        static constexpr std::array<std::array<const char*, 3>, 3> kWords{{
            {"sweep", "swept", "is swept, but "},
            {"vary", "varied", "is a factor of the design, but "},
            {"calibrate", "calibrated", "is a free parameter of the calibration, but "},
        }};
        const auto& words = kWords[static_cast<std::size_t>(v->by)];
        std::string text = reason;
        for (const auto& [mark, word] : {std::pair{std::string("{verb}"), words[0]},
                                         std::pair{std::string("{done}"), words[1]}}) {
            for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark)) {
                text.replace(at, mark.size(), word);
            }
        }
        r.fail(v->line, key, words[2] + text);
    };
    const std::string everywhere =
        " sets the communication radius in every configuration; "
        "{verb} one or the other.";
    if (e.rangeRadius) {
        refuse("com-radius",
               "[network] range (line " + std::to_string(lines.range) + ")" + everywhere);
    }
    if (presets) {
        refuse("com-radius", presetPlace + everywhere);
        refuse("p", presetPlace +
                        " replaces the random network that P (connection) draws; {verb} one or "
                        "the other.");
    }
    refuse("last-out",
           "Last Out only marks the data file's name: the configurations would run alike.");
    // A sweep may vary the seeds; a design's points and a calibration's candidates share them,
    // so that only their parameters differ.
    if (const auto seed = find("seed"); seed != varied.end() && seed->by != VariedBy::kSweep) {
        refuse("seed", std::string("Initial Seed decides the runs' seeds, which every ") +
                           (seed->by == VariedBy::kDesign ? "point of a design" : "candidate") +
                           " shares; {verb} something else.");
    }
    if (const auto runs = find("runs");
        runs != varied.end() && runs->by == VariedBy::kCalibration) {
        refuse("runs",
               "Runs decides how closely each candidate's statistics are measured, not the "
               "model; set it in [parameters].");
    }
    if (!e.agents.empty()) {
        const std::string listed = "agent " + std::to_string(e.agents.front().index) +
                                   " is listed in [network] (line " +
                                   std::to_string(lines.agents.front()) + ")";
        refuse("retina", listed +
                             " with a retina of its own, which the {done} value would not "
                             "reach; leave the agents' retinas out or {verb} something else.");
        refuse("p", listed +
                        " with receivers of its own, which replace the random network that P "
                        "(connection) draws; leave the agents out or {verb} something else.");
    }
}

std::vector<Varied> variedBySweep(const toml::table& sweep) {
    std::vector<Varied> varied;
    for (const auto& [key, node] : sweep) {
        varied.push_back({std::string(key.str()), static_cast<int>(node.source().begin.line)});
    }
    return varied;
}

// A range { from = .., to = .. } of finite numbers, from below to; `what` names it in messages.
std::pair<double, double> readRange(const Reader& r, const toml::node& node, std::string_view key,
                                    const std::string& what) {
    const toml::table* range = node.as_table();
    if (range == nullptr) {
        r.fail(node, key, "must be a range { from = .., to = .. }.");
    }
    r.onlyKeys(*range, what, {"from", "to"});
    const auto from = (*range)["from"].value<double>();
    const auto to = (*range)["to"].value<double>();
    if (!from || !to || !std::isfinite(*from) || !std::isfinite(*to) || !(*from < *to)) {
        r.fail(node, key, what + " needs finite numbers from and to, from below to.");
    }
    return {*from, *to};
}

// The [design] table: its method, samples, levels and seed, and its factors, each a key of
// the parameters table with a range { from = .., to = .. }.
Design readDesign(const Reader& r, const toml::table& table, const toml::table* sweep,
                  std::vector<Varied>& varied) {
    r.onlyKeys(table, "[design]", {"method", "samples", "levels", "seed", "factors"});
    Design d;
    const toml::node* method = table.get("method");
    if (method == nullptr) {
        r.fail(static_cast<int>(table.source().begin.line), "design",
               "needs a method: \"sobol\", \"morris\" or \"lhs\".");
    }
    const std::string name = r.text(*method, "method");
    if (name == "sobol") {
        d.method = DesignMethod::kSobol;
    } else if (name == "morris") {
        d.method = DesignMethod::kMorris;
    } else if (name == "lhs") {
        d.method = DesignMethod::kLhs;
    } else {
        r.fail(*method, "method",
               "\"" + name + "\" is no design; allowed are \"sobol\", \"morris\" and \"lhs\".");
    }
    const toml::node* samples = table.get("samples");
    if (samples == nullptr) {
        r.fail(static_cast<int>(table.source().begin.line), "design",
               "needs samples: sobol's base samples, morris' trajectories or lhs' points.");
    }
    d.samples = static_cast<std::size_t>(
        r.integer(*samples, "samples", 1, static_cast<std::int64_t>(kMaxConfigurations)));
    if (const toml::node* levels = table.get("levels")) {
        if (d.method != DesignMethod::kMorris) {
            r.fail(*levels, "levels", "only a morris design has levels.");
        }
        d.levels = static_cast<int>(r.integer(*levels, "levels", 2, 1000));
    }
    if (const toml::node* seed = table.get("seed")) {
        d.seed = static_cast<std::uint64_t>(r.integer(*seed, "seed", 0, INT64_MAX));
    }
    const toml::table* factors = r.table(table.get("factors"), "factors");
    if (factors == nullptr || factors->empty()) {
        r.fail(static_cast<int>(table.source().begin.line), "design",
               "needs factors: [design.factors] with ranges such as retina = { from = 1, to = "
               "15 }.");
    }
    std::vector<std::pair<int, DesignFactor>> inOrder;
    for (const auto& [key, node] : *factors) {
        const std::string_view k = key.str();
        const int line = static_cast<int>(node.source().begin.line);
        if (findTextParameter(k) == nullptr) {
            r.fail(node, k,
                   "cannot be a factor; a design takes the number keys of the parameters "
                   "table.");
        }
        if (sweep != nullptr && sweep->contains(k)) {
            r.fail(node, k,
                   "is swept (line " + std::to_string(sweep->get(k)->source().begin.line) +
                       ") and a factor of the design; keep it in one of them.");
        }
        const auto [from, to] = readRange(r, node, k, "a factor's range");
        inOrder.push_back({line, DesignFactor{std::string(k), from, to}});
        varied.push_back({std::string(k), line, VariedBy::kDesign});
    }
    // In the order written, which decides the design's columns.
    std::stable_sort(inOrder.begin(), inOrder.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [line, factor] : inOrder) {
        d.factors.push_back(std::move(factor));
    }
    try {
        planDesign(d);
    } catch (const Error& error) {
        r.fail(static_cast<int>(table.source().begin.line), "design", error.what());
    }
    return d;
}

// The [calibration] table: its method, budget, population and seed, its free parameters with
// their bounds, its targets and their weights.
Calibration readCalibration(const Reader& r, const toml::table& table,
                            std::vector<Varied>& varied) {
    r.onlyKeys(table, "[calibration]",
               {"method", "evaluations", "population", "seed", "free", "targets", "weights"});
    const int tableLine = static_cast<int>(table.source().begin.line);
    Calibration c;
    const toml::node* method = table.get("method");
    if (method == nullptr) {
        r.fail(tableLine, "calibration", "needs a method: \"cmaes\" or \"nsga2\".");
    }
    const std::string name = r.text(*method, "method");
    if (name == "cmaes") {
        c.method = CalibrationMethod::kCmaes;
    } else if (name == "nsga2") {
        c.method = CalibrationMethod::kNsga2;
    } else {
        r.fail(*method, "method",
               "\"" + name +
                   "\" is no calibration method; allowed are \"cmaes\" (one objective) and "
                   "\"nsga2\" (a front of several).");
    }
    const bool cmaes = c.method == CalibrationMethod::kCmaes;
    const toml::node* population = table.get("population");
    if (population == nullptr) {
        r.fail(tableLine, "calibration", "needs a population: the candidates per generation.");
    }
    c.population = static_cast<std::size_t>(
        r.integer(*population, "population", cmaes ? kMinCmaesPopulation : kMinNsga2Population,
                  static_cast<std::int64_t>(kMaxCalibrationPopulation)));
    if (!cmaes && c.population % 4 != 0) {
        r.fail(*population, "population",
               "nsga2 pairs its candidates four at a time: give a multiple of 4, such as " +
                   std::to_string(c.population + 4 - c.population % 4) + ".");
    }
    const toml::node* evaluations = table.get("evaluations");
    if (evaluations == nullptr) {
        r.fail(tableLine, "calibration", "needs evaluations: the budget of candidates in all.");
    }
    const std::int64_t budget =
        r.integer(*evaluations, "evaluations", 1, static_cast<std::int64_t>(kMaxConfigurations));
    if (static_cast<std::size_t>(budget) < c.population) {
        r.fail(*evaluations, "evaluations",
               "a budget of " + std::to_string(budget) + " is below one population of " +
                   std::to_string(c.population) + "; give at least " +
                   std::to_string(c.population) + ".");
    }
    c.evaluations = static_cast<std::size_t>(budget);
    if (const toml::node* seed = table.get("seed")) {
        c.seed = static_cast<std::uint32_t>(r.integer(*seed, "seed", 0, UINT32_MAX));
    }

    const toml::table* free = r.table(table.get("free"), "free");
    if (free == nullptr || free->empty()) {
        r.fail(tableLine, "calibration",
               "needs free parameters: [calibration.free] with bounds such as retina = { from "
               "= 1, to = 20 }.");
    }
    std::vector<std::pair<int, DesignFactor>> inOrder;
    for (const auto& [key, node] : *free) {
        const std::string_view k = key.str();
        const int line = static_cast<int>(node.source().begin.line);
        if (findTextParameter(k) == nullptr) {
            r.fail(node, k,
                   "cannot be a free parameter; a calibration takes the number keys of the "
                   "parameters table.");
        }
        const auto [from, to] = readRange(r, node, k, "a free parameter's range");
        inOrder.push_back({line, DesignFactor{std::string(k), from, to}});
        varied.push_back({std::string(k), line, VariedBy::kCalibration});
    }
    std::stable_sort(inOrder.begin(), inOrder.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [line, factor] : inOrder) {
        c.free.push_back(std::move(factor));
    }

    const toml::table* targets = r.table(table.get("targets"), "targets");
    if (targets == nullptr || targets->empty()) {
        r.fail(tableLine, "calibration",
               "needs targets: [calibration.targets] with observed statistics such as "
               "last_mean = 3000.");
    }
    std::vector<std::pair<int, CalibrationTarget>> targetsInOrder;
    for (const auto& [key, node] : *targets) {
        const std::string_view k = key.str();
        const auto column =
            std::find(tables::kSummaryColumns.begin() + 2, tables::kSummaryColumns.end(), k);
        if (column == tables::kSummaryColumns.end()) {
            std::string list;
            for (auto other = tables::kSummaryColumns.begin() + 2;
                 other != tables::kSummaryColumns.end(); ++other) {
                list += (list.empty() ? "" : ", ") + std::string(*other);
            }
            r.fail(node, k, "is no statistic of summary.csv; a target is one of " + list + ".");
        }
        const auto value = node.value<double>();
        if (!value || !std::isfinite(*value)) {
            r.fail(node, k, "a target must be a finite number, such as 3000.");
        }
        targetsInOrder.push_back({static_cast<int>(node.source().begin.line),
                                  CalibrationTarget{std::string(k), *value}});
    }
    std::stable_sort(targetsInOrder.begin(), targetsInOrder.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [line, target] : targetsInOrder) {
        c.targets.push_back(std::move(target));
    }
    if (!cmaes && c.targets.size() < 2) {
        r.fail(*targets, "targets",
               "nsga2 makes a front of two or more targets; with one, use method = \"cmaes\".");
    }
    if (const toml::table* weights = r.table(table.get("weights"), "weights")) {
        if (!cmaes) {
            r.fail(*weights, "weights",
                   "only cmaes weighs its targets; nsga2 keeps one objective per target.");
        }
        for (const auto& [key, node] : *weights) {
            const auto target = std::find_if(c.targets.begin(), c.targets.end(),
                                             [&](const auto& t) { return t.column == key.str(); });
            if (target == c.targets.end()) {
                r.fail(node, key.str(), "weighs no target; a weight is named as its target.");
            }
            const auto weight = node.value<double>();
            if (!weight || !std::isfinite(*weight) || !(*weight > 0.0)) {
                r.fail(node, key.str(), "a weight must be a finite number above 0.");
            }
            target->weight = *weight;
        }
    }
    return c;
}

void checkAgainstParameters(const Reader& r, const Experiment& e, const Lines& lines);

// What a calibration needs of its experiment beyond the checks of every file: at least two runs,
// seeds for the validation's runs after the calibration's, and candidates that can run at both
// ends of the bounds.
void checkCalibration(const Reader& r, const toml::table& table, const Experiment& e,
                      const Lines& lines) {
    const int line = static_cast<int>(table.source().begin.line);
    SimState s;
    readParams(s, e.params);
    if (s.runCount < 2) {
        r.fail(line, "calibration",
               "needs at least 2 runs per candidate (runs in [parameters]), for the "
               "statistics' spread and the validation's intervals.");
    }
    if (static_cast<long>(s.seed) + 2L * s.runCount > kMaxInteger) {
        r.fail(line, "calibration",
               "the validation runs the best candidates again on the seeds after the "
               "calibration's, up to Initial Seed + 2 x Runs = " +
                   std::to_string(static_cast<long>(s.seed) + 2L * s.runCount) +
                   ", above the highest seed " + std::to_string(kMaxInteger) +
                   "; lower Initial Seed or Runs.");
    }
    const Calibration& c = *e.calibration;
    for (const bool upper : {false, true}) {
        std::vector<double> values;
        for (const DesignFactor& f : c.free) {
            values.push_back(upper ? f.to : f.from);
        }
        try {
            checkAgainstParameters(r, candidate(e, values), lines);
        } catch (const Error& error) {
            r.fail(line, "calibration",
                   std::string("the candidate at the ") + (upper ? "upper" : "lower") +
                       " bounds cannot run: " + error.what());
        }
    }
}

// Whether the parameters could run and the network fits the group they make, without
// allocating anything: each fault is named with its line and key.
void checkAgainstParameters(const Reader& r, const Experiment& e, const Lines& lines) {
    SimState s;
    try {
        readParams(s, e.params);
        checkSizes(s);
        checkRunParameters(s);
    } catch (const Error& error) {
        const std::string_view message = error.what();
        // The messages start with the box's label; the longest label that matches names it.
        const TextParameter* best = nullptr;
        for (const TextParameter& p : kTextParameters) {
            if (message.starts_with(p.label) &&
                (best == nullptr ||
                 std::string_view(p.label).size() > std::string_view(best->label).size())) {
                best = &p;
            }
        }
        // A message about the whole (the memory the sizes need) names the first size written.
        std::string_view key = best != nullptr ? best->key : "parameters";
        int line = 0;
        for (const auto& [written, at] : lines.parameters) {
            const bool size = written == "agents" || written == "width" || written == "height" ||
                              written == "retina";
            if ((best != nullptr && written == best->key) ||
                (best == nullptr && size && (line == 0 || at < line))) {
                line = at;
                key = best != nullptr ? key : std::string_view(written);
            }
        }
        r.fail(line, key, std::string(message));
    }
    for (std::size_t a = 0; a < e.agents.size(); ++a) {
        const AgentDesign& agent = e.agents[a];
        const std::string allowed =
            "the group has agents 0 to " + std::to_string(s.groupSize - 1) + ".";
        if (agent.index >= s.groupSize) {
            r.fail(lines.agents[a], "index",
                   "there is no agent " + std::to_string(agent.index) + ": " + allowed);
        }
        for (const std::int16_t receiver : agent.receivers) {
            if (receiver >= s.groupSize) {
                r.fail(lines.receivers[a], "receivers",
                       "agent " + std::to_string(agent.index) + " names receiver " +
                           std::to_string(receiver) + ", which does not exist: " + allowed);
            }
        }
    }
    for (std::size_t c = 0; c < e.changes.size(); ++c) {
        const NetworkState& network = e.changes[c].network;
        const bool fits =
            network.ranks.size() == static_cast<std::size_t>(std::max<int>(s.groupSize, 0)) &&
            std::all_of(network.receivers.begin(), network.receivers.end(), [&](const auto& list) {
                return std::all_of(list.begin(), list.end(),
                                   [&](std::int16_t receiver) { return receiver < s.groupSize; });
            });
        if (!fits) {
            r.fail(lines.changes[c], "changes",
                   "a change must list every agent of the group, and only those: the group "
                   "has agents 0 to " +
                       std::to_string(s.groupSize - 1) + ".");
        }
    }
}

// "0-4, 6-9": each range of receivers, a single one as its index.
std::string rangesText(const Receivers& receivers) {
    std::string text;
    for (const Receivers::Range& range : receivers.ranges()) {
        if (!text.empty()) {
            text += ", ";
        }
        text += std::to_string(range.first);
        if (range.last != range.first) {
            text += "-" + std::to_string(range.last);
        }
    }
    return text;
}

// One such line, after a line break.
template <typename Value>
void writeLine(std::ostream& out, std::string_view indent, std::string_view key, Value&& value) {
    out << '\n' << indent << tomlLine(key, std::forward<Value>(value));
}

// The [network] table as toml++ would write it, its agents one after the other, so that no
// document of the whole group is ever built: the keys, then each agent's table, indented when
// the network has keys of its own, with its keys in alphabetical order.
void writeNetwork(std::ostream& out, const Experiment& e) {
    const bool keys = !e.preset.empty() || e.rangeRadius.has_value();
    const std::string_view indent = keys ? "    " : "";
    if (keys) {
        out << "[network]";
        if (!e.preset.empty()) {
            out << '\n' << tomlLine("preset", e.preset);
        }
        if (e.rangeRadius) {
            out << '\n'
                << tomlLine("range", std::string(*e.rangeRadius == kSpaceDependentRadius
                                                     ? kSpaceDependent
                                                     : kSpaceIndependent));
        }
    }
    bool first = !keys;
    for (const AgentDesign& agent : e.agents) {
        if (!first) {
            out << "\n\n";
        }
        first = false;
        out << indent << "[[network.agents]]";
        writeLine(out, indent, "index", static_cast<std::int64_t>(agent.index));
        writeLine(out, indent, "leader", agent.rank == 1);
        writeLine(out, indent, "rank", static_cast<std::int64_t>(agent.rank));
        writeLine(out, indent, "receivers", rangesText(agent.receivers));
        writeLine(out, indent, "retina", agent.retina);
    }
}

void writeCalibration(std::ostream& out, const Calibration& c);

void writeTables(std::ostream& out, const Experiment& e) {
    // The parameters in toml++'s order, its keys' alphabetical one.
    std::vector<std::pair<std::string_view, std::string>> parameters;
    for (const TextParameter& p : kTextParameters) {
        parameters.emplace_back(p.key, tomlLine(p.key, e.params.*(p.member)));
    }
    for (const FlagParameter& p : kFlagParameters) {
        parameters.emplace_back(p.key, tomlLine(p.key, e.params.*(p.member)));
    }
    parameters.emplace_back("label", tomlLine("label", e.label));
    std::sort(parameters.begin(), parameters.end());

    // Written table by table, so that the file reads in this order rather than alphabetically.
    out << tomlLine("format", kExperimentFormat) << "\n\n[parameters]";
    for (const auto& [key, line] : parameters) {
        out << '\n' << line;
    }
    out << '\n';
    if (!e.preset.empty() || e.rangeRadius || !e.agents.empty()) {
        out << '\n';
        writeNetwork(out, e);
        out << '\n';
    }
    for (const NetworkChange& change : e.changes) {
        out << "\n[[changes]]";
        writeLine(out, "", "generation", static_cast<std::int64_t>(change.at.generation));
        writeLine(out, "", "run", static_cast<std::int64_t>(change.at.run));
        writeLine(out, "", "cycle", static_cast<std::int64_t>(change.at.cycle));
        writeLine(out, "", "com-radius", change.network.commRadius);
        for (std::size_t i = 0; i < change.network.ranks.size(); ++i) {
            Receivers receivers;
            for (const std::int16_t receiver : change.network.receivers[i]) {
                receivers.push_back(receiver);
            }
            const auto rank = change.network.ranks[i];
            out << "\n\n    [[changes.agents]]";
            writeLine(out, "    ", "index", static_cast<std::int64_t>(i));
            writeLine(out, "    ", "leader", rank == 1);
            writeLine(out, "    ", "rank", static_cast<std::int64_t>(rank));
            writeLine(out, "    ", "receivers", rangesText(receivers));
            writeLine(out, "    ", "retina", change.network.retinas[i]);
        }
        out << '\n';
    }
    if (!e.sweep.empty()) {
        // Key by key, since their order decides the order of the configurations.
        out << "\n[sweep]\n";
        for (const SweepAxis& axis : e.sweep) {
            toml::array values;
            for (const std::string& value : axis.values) {
                if (findFlagParameter(axis.key) != nullptr) {
                    values.push_back(value == "true");
                } else {
                    values.push_back(value);
                }
            }
            out << toml::table{{axis.key, std::move(values)}} << '\n';
        }
    }
    if (e.design) {
        const Design& d = *e.design;
        out << "\n[design]";
        writeLine(out, "", "method", std::string(methodName(d.method)));
        writeLine(out, "", "samples", static_cast<std::int64_t>(d.samples));
        if (d.method == DesignMethod::kMorris) {
            writeLine(out, "", "levels", static_cast<std::int64_t>(d.levels));
        }
        writeLine(out, "", "seed", static_cast<std::int64_t>(d.seed));
        // Factor by factor, since their order decides the design's columns.
        out << "\n\n[design.factors]\n";
        for (const DesignFactor& f : d.factors) {
            toml::table range{{"from", f.from}, {"to", f.to}};
            range.is_inline(true);
            out << toml::table{{f.key, std::move(range)}} << '\n';
        }
    }
    if (e.calibration) {
        writeCalibration(out, *e.calibration);
    }
}

void writeCalibration(std::ostream& out, const Calibration& c) {
    out << "\n[calibration]";
    writeLine(out, "", "method", std::string(methodName(c.method)));
    writeLine(out, "", "evaluations", static_cast<std::int64_t>(c.evaluations));
    writeLine(out, "", "population", static_cast<std::int64_t>(c.population));
    writeLine(out, "", "seed", static_cast<std::int64_t>(c.seed));
    // Key by key, since their order decides the tables' columns.
    out << "\n\n[calibration.free]\n";
    for (const DesignFactor& f : c.free) {
        toml::table range{{"from", f.from}, {"to", f.to}};
        range.is_inline(true);
        out << toml::table{{f.key, std::move(range)}} << '\n';
    }
    out << "\n[calibration.targets]\n";
    for (const CalibrationTarget& t : c.targets) {
        out << toml::table{{t.column, t.value}} << '\n';
    }
    if (std::any_of(c.targets.begin(), c.targets.end(),
                    [](const CalibrationTarget& t) { return t.weight != 1.0; })) {
        out << "\n[calibration.weights]\n";
        for (const CalibrationTarget& t : c.targets) {
            out << toml::table{{t.column, t.weight}} << '\n';
        }
    }
}

// The line of the first key with more than kMaxKeyParts dotted parts, or 0. Dots are counted
// outside strings and comments in runs of key text (bare parts, quoted parts, blanks); a value
// has at most one dot in such a run (1.5, a time's fraction), so only keys can come near.
int overlyDeepKey(std::string_view text) {
    int line = 1;
    int dots = 0;
    const auto skipString = [&](std::size_t& i) {
        const char quote = text[i];
        const bool multiLine = text.substr(i, 3) == std::string(3, quote);
        i += multiLine ? 3 : 1;
        for (; i < text.size(); ++i) {
            if (text[i] == '\n') {
                ++line;
                if (!multiLine) {
                    return;  // an unclosed string, which the parser reports
                }
            } else if (quote == '"' && text[i] == '\\') {
                ++i;
                if (i < text.size() && text[i] == '\n') {
                    ++line;
                }
            } else if (multiLine ? text.substr(i, 3) == std::string(3, quote) : text[i] == quote) {
                i += multiLine ? 2 : 0;
                // A closing delimiter may be followed by up to two more quotes of the text.
                while (multiLine && i + 1 < text.size() && text[i + 1] == quote) {
                    ++i;
                }
                return;
            }
        }
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            skipString(i);
        } else if (c == '#') {
            while (i + 1 < text.size() && text[i + 1] != '\n') {
                ++i;
            }
        } else if (c == '.') {
            if (++dots >= kMaxKeyParts) {
                return line;
            }
        } else if (c == '\n') {
            ++line;
            dots = 0;
        } else if (!(std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '-' ||
                     c == ' ' || c == '\t')) {
            dots = 0;
        }
    }
    return 0;
}

}  // namespace

Experiment parseExperiment(std::string_view text, const std::string& fileName) {
    const Reader r(fileName);
    if (text.size() > kMaxExperimentBytes) {
        r.fail(0, "",
               "the file has " + std::to_string(text.size()) +
                   " bytes; an experiment file may have at most " +
                   std::to_string(kMaxExperimentBytes) + " (16 MB).");
    }
    if (const int line = overlyDeepKey(text); line > 0) {
        r.fail(line, "",
               "a key of more than " + std::to_string(kMaxKeyParts) +
                   " dotted parts; an experiment's keys have at most three.");
    }
    toml::table root;
    refuseLongLists(r, text);
    try {
        root = toml::parse(text, fileName);
    } catch (const toml::parse_error& error) {
        r.fail(static_cast<int>(error.source().begin.line), "",
               "not a valid TOML file: " + std::string(error.description()) + ".");
    }
    r.onlyKeys(root, "the file",
               {"format", "parameters", "network", "changes", "targets", "sweep", "design",
                "calibration", "provenance"});
    std::int64_t version = kExperimentFormat;
    if (const toml::node* format = root.get("format")) {
        version = r.integer(*format, "format", 1, INT64_MAX);
        if (version > kExperimentFormat) {
            r.fail(*format, "format",
                   "written by a newer Murelta (format " + std::to_string(version) +
                       "); this one reads format " + std::to_string(kExperimentFormat) +
                       " and older.");
        }
    }
    Experiment e;
    Lines lines;
    if (const toml::table* parameters = r.table(root.get("parameters"), "parameters")) {
        readParameters(r, *parameters, e, lines);
    }
    if (const toml::table* network = r.table(root.get("network"), "network")) {
        readNetwork(r, *network, e, lines);
    }
    if (const toml::table* targets = r.table(root.get("targets"), "targets")) {
        readTargets(r, *targets, version);
    }
    if (const toml::node* changes = root.get("changes")) {
        readChanges(r, *changes, e, lines);
    }
    r.table(root.get("provenance"), "provenance");
    const toml::table* sweep = r.table(root.get("sweep"), "sweep");
    const toml::table* design = r.table(root.get("design"), "design");
    if (const toml::table* calibration = r.table(root.get("calibration"), "calibration")) {
        if (sweep != nullptr || design != nullptr) {
            r.fail(*calibration, "calibration",
                   "a calibration runs candidates of one experiment; give a file a "
                   "[calibration] or a [sweep] and [design], not both.");
        }
        std::vector<Varied> varied;
        e.calibration = readCalibration(r, *calibration, varied);
        checkVariedKeysTakeEffect(r, varied, e, lines);
        checkAgainstParameters(r, e, lines);
        checkCalibration(r, *calibration, e, lines);
        return e;
    }
    if (sweep == nullptr && design == nullptr) {
        checkAgainstParameters(r, e, lines);
        return e;
    }
    std::vector<Varied> varied;
    if (sweep != nullptr) {
        readSweep(r, *sweep, e);
        varied = variedBySweep(*sweep);
    }
    if (design != nullptr) {
        e.design = readDesign(r, *design, sweep, varied);
    }
    checkVariedKeysTakeEffect(r, varied, e, lines);
    const toml::table& where = sweep != nullptr ? *sweep : *design;
    const int line = static_cast<int>(where.source().begin.line);
    const std::string key = sweep != nullptr ? "sweep" : "design";
    std::size_t count = 0;
    try {
        count = configurationCount(e);
    } catch (const Error& error) {
        r.fail(line, key, error.what());
    }
    if (count > kMaxConfigurations) {
        r.fail(line, key,
               std::to_string(count) + " configurations; a sweep may have at most " +
                   std::to_string(kMaxConfigurations) + ".");
    }
    // Every configuration must be one that could run.
    for (std::size_t i = 0; i < count; ++i) {
        try {
            checkAgainstParameters(r, configuration(e, i), lines);
        } catch (const Error& error) {
            r.fail(line, key,
                   "configuration " + std::to_string(i) + " cannot run: " + error.what());
        }
    }
    return e;
}

namespace {

// Whether e holds nothing but parameters, a label and a known preset (or none), each text of
// printable ASCII and short enough that no size limit of a file applies: such a text reads back
// as e, and parseExperiment checks it only as checkAgainstParameters does.
bool readsBackAsItself(const Experiment& e) {
    Experiment bare;
    bare.params = e.params;
    bare.label = e.label;
    bare.preset = e.preset;
    if (!(bare == e)) {
        return false;
    }
    constexpr std::size_t kLongest = 4096;
    const auto plain = [](const std::string& text) {
        return text.size() <= kLongest && std::all_of(text.begin(), text.end(), [](char c) {
                   return c >= ' ' && c <= '~';
               });
    };
    for (const TextParameter& p : kTextParameters) {
        if (!plain(e.params.*(p.member))) {
            return false;
        }
    }
    return plain(e.label) && plain(e.preset) &&
           (e.preset.empty() ||
            std::find(kPresetNames.begin(), kPresetNames.end(), e.preset) != kPresetNames.end());
}

}  // namespace

Experiment checkedAsFile(const Experiment& e, const std::string& fileName) {
    if (readsBackAsItself(e)) {
        try {
            checkAgainstParameters(Reader(fileName), e, Lines{});
            return e;
        } catch (const ExperimentError&) {
            // Refused again below, through the text, which gives the line and the key.
        }
    }
    return parseExperiment(experimentText(e), fileName);
}

std::string_view methodName(DesignMethod method) {
    switch (method) {
        case DesignMethod::kSobol:
            return "sobol";
        case DesignMethod::kMorris:
            return "morris";
        case DesignMethod::kLhs:
            break;
    }
    return "lhs";
}

std::string_view methodName(CalibrationMethod method) {
    return method == CalibrationMethod::kCmaes ? "cmaes" : "nsga2";
}

std::vector<std::string> Design::factorKeys() const {
    std::vector<std::string> keys;
    for (const DesignFactor& f : factors) {
        keys.push_back(f.key);
    }
    return keys;
}

void planDesign(Design& design) {
    const std::vector<std::string> keys = design.factorKeys();
    std::vector<DesignPoint> points;
    switch (design.method) {
        case DesignMethod::kSobol:
            points = sobolDesign(keys, design.samples);
            break;
        case DesignMethod::kMorris:
            points = morrisDesign(keys, design.samples, design.levels, design.seed);
            break;
        case DesignMethod::kLhs:
            points = lhsDesign(keys, design.samples, design.seed);
            break;
    }
    design.points = std::make_shared<const std::vector<DesignPoint>>(std::move(points));
}

namespace {

// A parameter's value as its box would hold it: a whole-number one rounded half to even, as
// the box's number is, a real one in its shortest text.
std::string boxValue(const std::string& key, double value) {
    return formatNumber(findTextParameter(key)->whole != nullptr ? std::nearbyint(value) : value);
}

}  // namespace

std::vector<std::string> Design::values(std::size_t index) const {
    const DesignPoint& p = points->at(index);
    std::vector<std::string> texts;
    for (std::size_t f = 0; f < factors.size(); ++f) {
        const DesignFactor& factor = factors[f];
        texts.push_back(boxValue(factor.key, factor.from + p.unit[f] * (factor.to - factor.from)));
    }
    return texts;
}

std::vector<std::string> candidateValues(const Calibration& c, const std::vector<double>& values) {
    std::vector<std::string> texts;
    for (std::size_t f = 0; f < c.free.size(); ++f) {
        texts.push_back(boxValue(c.free[f].key, values.at(f)));
    }
    return texts;
}

Experiment candidate(const Experiment& e, const std::vector<double>& values) {
    Experiment c = e;
    c.calibration.reset();
    const std::vector<std::string> texts = candidateValues(*e.calibration, values);
    for (std::size_t f = 0; f < texts.size(); ++f) {
        c.params.*(findTextParameter(e.calibration->free[f].key)->member) = texts[f];
    }
    return c;
}

std::size_t configurationCount(const Experiment& e) {
    std::size_t count = e.design ? e.design->pointCount() : 1;
    for (const SweepAxis& axis : e.sweep) {
        if (__builtin_mul_overflow(count, axis.values.size(), &count)) {
            throw Error(
                "the sweep's lists make more configurations than can be counted; a "
                "sweep may have at most 100000.");
        }
    }
    return count;
}

std::vector<std::string> sweptKeys(const Experiment& e) {
    std::vector<std::string> keys;
    for (const SweepAxis& axis : e.sweep) {
        keys.push_back(axis.key);
    }
    return keys;
}

std::size_t designPointOf(const Experiment& e, std::size_t index) {
    return e.design ? index % e.design->pointCount() : 0;
}

std::vector<std::string> sweptValues(const Experiment& e, std::size_t index) {
    if (e.design) {
        index /= e.design->pointCount();
    }
    std::vector<std::string> values(e.sweep.size());
    for (std::size_t a = e.sweep.size(); a-- > 0;) {
        const std::size_t n = e.sweep[a].values.size();
        values[a] = e.sweep[a].values[index % n];
        index /= n;
    }
    return values;
}

Experiment configuration(const Experiment& e, std::size_t index) {
    Experiment c = e;
    c.sweep.clear();
    c.design.reset();
    const std::vector<std::string> values = sweptValues(e, index);
    for (std::size_t a = 0; a < e.sweep.size(); ++a) {
        const std::string& key = e.sweep[a].key;
        if (key == "preset") {
            c.preset = values[a];
        } else if (key == "label") {
            c.label = values[a];
        } else if (const TextParameter* text = findTextParameter(key)) {
            c.params.*(text->member) = values[a];
        } else if (const FlagParameter* flag = findFlagParameter(key)) {
            c.params.*(flag->member) = values[a] == "true";
        }
    }
    if (e.design) {
        const std::vector<std::string> factorValues = e.design->values(designPointOf(e, index));
        for (std::size_t f = 0; f < factorValues.size(); ++f) {
            c.params.*(findTextParameter(e.design->factors[f].key)->member) = factorValues[f];
        }
    }
    return c;
}

Experiment readExperiment(const std::filesystem::path& path) {
    if (path.empty()) {
        throw Error("No experiment file was named; give the path of a .toml file.");
    }
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        throw Error(path.string() +
                    " is a folder, not an experiment file; give the path of a "
                    ".toml file.");
    }
    // Refused before reading, so that a huge file is not read into memory first.
    if (const std::uintmax_t size = std::filesystem::file_size(path, error);
        !error && size > kMaxExperimentBytes) {
        throw Error(path.string() + ": the file has " + std::to_string(size) +
                    " bytes; an experiment file may have at most " +
                    std::to_string(kMaxExperimentBytes) + " (16 MB).");
    }
    return parseExperiment(readText(path, "experiment file"), path.string());
}

void writeExperimentText(std::ostream& out, const Experiment& e) {
    out << "# A Murelta experiment: murelta-batch --experiment FILE runs it.\n";
    writeTables(out, e);
}

std::string experimentText(const Experiment& e) {
    std::ostringstream out;
    writeExperimentText(out, e);
    return out.str();
}

void writeExperiment(const std::filesystem::path& path, const Experiment& e) {
    const std::filesystem::path directory =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    writeFileAtomically(directory, path.filename().string(), experimentText(e));
}

Experiment captureExperiment(const SimState& s, const Params& params, std::string_view label,
                             std::string_view preset) {
    requireStructures(s);
    Experiment e;
    e.params = params;
    e.label = label;
    e.preset = preset;
    // The range option shows only where it overrides the box.
    bool boxRadius = false;
    try {
        boxRadius = parseNumber(params.commRadius, "Com. Radius") == s.commRadius;
    } catch (const Error&) {
        boxRadius = false;
    }
    // A preset sets the range itself, so after one the range in force is written out.
    if ((!boxRadius || !e.preset.empty()) &&
        (s.commRadius == kSpaceDependentRadius || s.commRadius == kSpaceIndependentRadius)) {
        e.rangeRadius = s.commRadius;
    }
    for (int i = 0; i < s.groupSize; ++i) {
        const Agent& agent = s.agent(i);
        AgentDesign design;
        design.index = static_cast<std::int16_t>(i);
        for (int j = 0; j < s.groupSize; ++j) {
            if (agent.links[static_cast<std::size_t>(j)] == 1) {
                design.receivers.push_back(static_cast<std::int16_t>(j));
            }
        }
        design.rank = agent.rank;
        design.retina = agent.retina;
        e.agents.push_back(std::move(design));
    }
    return e;
}

void applyNetwork(SimState& s, const Experiment& e) {
    requireStructures(s);
    // Everything is checked before anything changes.
    for (const AgentDesign& agent : e.agents) {
        requireAgent(s, agent.index);
        for (const std::int16_t receiver : agent.receivers) {
            requireAgent(s, receiver);
        }
        if (!(agent.retina >= 0.0 && agent.retina <= kMaxRetina)) {
            throw Error("Agent " + std::to_string(agent.index) + ": a retina of " +
                        formatNumber(agent.retina) + " is outside 0 to " +
                        std::to_string(kMaxRetina) + ".");
        }
    }
    if (!e.preset.empty()) {
        applyPreset(s, e.preset, e.params.agents);
    }
    for (const AgentDesign& design : e.agents) {
        Agent& agent = s.agent(design.index);
        std::fill(agent.links.begin(), agent.links.end(), std::uint8_t{0});
        for (const std::int16_t receiver : design.receivers) {
            agent.links[static_cast<std::size_t>(receiver)] = 1;
        }
        agent.rank = design.rank;
        setRetina(agent, design.retina);
    }
    if (e.rangeRadius) {
        s.commRadius = *e.rangeRadius;
    }
}

void applyExperiment(SimState& s, const Experiment& e) {
    setParameters(s, e.params, e.label);
    applyNetwork(s, e);
}

}  // namespace murelta
