#include "configfile.h"

#include <algorithm>

namespace configfile {

bool parseInteger(const QByteArray& text, int& value)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (ok) {
        value = v;
    }
    return ok;
}

ReadResult read(const QByteArrayList& lines, const Settings& defaults)
{
    ReadResult result{defaults, false};
    Settings& s = result.settings;
    auto line = [&](int number, QByteArray& out) {
        if (number > lines.size()) {
            result.faulty = true;
            return false;
        }
        out = lines.at(number - 1);
        return true;
    };
    auto integer = [&](int number, int& out) {
        QByteArray text;
        if (!line(number, text)) {
            return false;
        }
        int value = 0;
        if (!parseInteger(text, value)) {
            result.faulty = true;
            return false;
        }
        out = value;
        return true;
    };

    // Each line stands on its own: a faulty one keeps its default and the others are still read.
    int level = 0;
    integer(1, s.keptInteger);
    // An index the list does not have would select nothing; the form's level stays.
    if (integer(2, level) && level >= 0 && level <= 2) {
        s.optionLevel = level;
        s.optionLevelRead = true;
    }
    QByteArray proxy;
    if (line(3, proxy) && proxy == ProxyOn) {
        s.proxy = true;
        s.proxyFieldsRead = true;
        line(4, s.proxyAddress);
        line(5, s.proxyPort);
    }

    // Lines 6 to 8: the text sizes.
    for (int i = 0; i < 3; ++i) {
        integer(6 + i, s.textSizes[i]);
    }
    return result;
}

QByteArrayList write(const Settings& s, const QByteArray& lastUpdateDate, const QByteArray& dataVersion)
{
    return {
        QByteArray::number(s.keptInteger),
        QByteArray::number(s.optionLevel),
        s.proxy ? QByteArray(ProxyOn) : QByteArray(ProxyOff),
        s.proxyAddress,
        s.proxyPort,
        QByteArray::number(s.textSizes[0]),
        QByteArray::number(s.textSizes[1]),
        QByteArray::number(s.textSizes[2]),
        lastUpdateDate,
        dataVersion,
    };
}

QByteArrayList freshInstall(const QByteArray& dataVersion)
{
    // "9/12/2019" is what the main window sets line 9 to whenever it reads a file.
    return write(Settings{}, "9/12/2019", dataVersion);
}

QByteArray dataVersion(const QByteArrayList& lines)
{
    if (lines.size() <= 9) {
        return {};
    }
    const QByteArray& line = lines.at(9);
    if (line.isEmpty()) {
        return "2.2.0";
    }
    const bool printable = std::all_of(line.begin(), line.end(), [](char c) { return c >= 0x20 && c < 0x7f; });
    return printable && line.size() <= MaxVersionLength ? line : QByteArray();
}

} // namespace configfile
