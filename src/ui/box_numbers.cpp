#include "ui/box_numbers.hpp"

#include <QLocale>
#include <cmath>

#include "sim/error.hpp"
#include "sim/numbers.hpp"

namespace murelta::ui {

double readBoxNumber(std::string_view text, std::string_view label) {
    const QString typed = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    QLocale locale = QLocale::system();
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = locale.toDouble(typed.trimmed(), &ok);
    if (ok && std::isfinite(value)) {
        return value;
    }
    return parseNumber(text, label);
}

std::string portableNumberText(const std::string& text) {
    try {
        parseNumber(text, "Box");
        return text;
    } catch (const Error&) {
    }
    try {
        return formatNumber(readBoxNumber(text, "Box"), '.');
    } catch (const Error&) {
        return text;
    }
}

std::optional<double> boxNumber(const QString& text) {
    try {
        return readBoxNumber(text.toStdString(), "Box");
    } catch (const Error&) {
        return std::nullopt;
    }
}

char decimalSeparator() {
    const QString point = QLocale::system().decimalPoint();
    return point.size() == 1 && point[0].unicode() < 128 ? static_cast<char>(point[0].unicode())
                                                         : '.';
}

QString numberText(double value) {
    return QString::fromStdString(formatNumber(value, decimalSeparator()));
}

}  // namespace murelta::ui
