// Numbers as a user types and reads them in the windows: in the user's locale, with a point
// understood everywhere, and written with the locale's decimal separator.
#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace murelta::ui {

// Reads a box: in the user's locale, or failing that as murelta-batch reads it, with a point
// as the decimal separator, so that "2.5" works everywhere and a refused text has the same
// message in both programs. Surrounding blanks are ignored and group separators refused:
// "1,000" is a thousand in one locale and one in another. Throws Error naming `label`.
double readBoxNumber(std::string_view text, std::string_view label);

// A text readBoxNumber accepted, as experiment files and murelta-batch read it (with a point
// as the decimal separator): the text itself where they read it alike, else the value it
// stands for, so that "2,5" typed in a German locale is saved as "2.5".
std::string portableNumberText(const std::string& text);

// readBoxNumber for boxes that ignore what is not a number: nothing instead of an error.
std::optional<double> boxNumber(const QString& text);

// The decimal separator of the user's locale, or a point where it is not a single ASCII
// character.
char decimalSeparator();

// formatNumber with the locale's decimal separator.
QString numberText(double value);

}  // namespace murelta::ui
