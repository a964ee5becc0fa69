#pragma once

// "korvelin.cfg": ten lines written by the main window when it closes; lines 1 to 8 are read by
// the main window when it is created and line 10 by the start-up window.

#include <QByteArray>
#include <QByteArrayList>

namespace configfile {

inline constexpr const char* FileName = "korvelin.cfg";
inline constexpr const char* ProxyOn = "Koristi proxy";
inline constexpr const char* ProxyOff = "Bez proxy-ja";
inline constexpr const char* ErrorMessage = "Greska u .cfg datoteci!";

struct Settings {
    int keptInteger = 1;
    int optionLevel = 2;          // ComboBox2: 0 "Jednostavno", 1 "Napredno", 2 "Sve opcije"
    bool optionLevelRead = false; // the level's change handler runs only for a level read from the file
    bool proxy = false;
    bool proxyFieldsRead = false; // lines 4 and 5 are read only when line 3 turns the proxy on
    QByteArray proxyAddress;
    QByteArray proxyPort;
    int textSizes[3] = {10, 16, 14};
};

struct ReadResult {
    Settings settings;
    bool faulty = false; // some line was missing or not a number: the message is due, once
};

// Reads lines 1 to 8 over `defaults` (the form's values for the level and proxy fields). A
// missing line or a number that does not parse keeps that value's default and marks the result
// faulty; every line that could be read is kept.
ReadResult read(const QByteArrayList& lines, const Settings& defaults);

// The ten lines the main window writes on closing.
QByteArrayList write(const Settings& settings, const QByteArray& lastUpdateDate, const QByteArray& dataVersion);

// The file a fresh install comes with: the settings' defaults, the update date the program starts
// with, and the collection's data version on line 10, so the caption shows it from the first start.
QByteArrayList freshInstall(const QByteArray& dataVersion);

// The longest line 10 that is taken for a data version.
inline constexpr int MaxVersionLength = 32;

// The data version from the lines of the file: line 10, "2.2.0" when it is empty, empty when
// the file has fewer than ten lines. A line 10 that is no version (a byte outside printable
// 7-bit text, or longer than MaxVersionLength) counts as missing, so what a damaged file leaves
// there is not put in the caption at every start.
QByteArray dataVersion(const QByteArrayList& lines);

// A decimal integer as the configuration file holds it (blanks around it are allowed).
bool parseInteger(const QByteArray& text, int& value);

} // namespace configfile
