#include "experiment/tables.hpp"

namespace murelta::tables {

namespace {

// A field as RFC 4180 has it: quoted, its quotes doubled, when it holds a comma, a quote or a
// line break.
void appendField(std::string& line, const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        line += text;
        return;
    }
    line += '"';
    for (const char c : text) {
        if (c == '"') {
            line += '"';
        }
        line += c;
    }
    line += '"';
}

}  // namespace

std::string csvRow(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            line += ',';
        }
        appendField(line, fields[i]);
    }
    line += "\r\n";
    return line;
}

}  // namespace murelta::tables
