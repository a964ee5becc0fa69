#include "uppersearch.h"

#include "yuscii.h"

#include <array>

namespace uppersearch {

namespace {

// yupperW of every single byte.
const std::array<char, 256>& upperTable()
{
    static const std::array<char, 256> table = [] {
        std::array<char, 256> t{};
        for (int b = 0; b < 256; ++b) {
            t[size_t(b)] = yuscii::yupperW(QByteArray(1, char(b)))[0];
        }
        return t;
    }();
    return table;
}

} // namespace

bool contains(QByteArrayView text, QByteArrayView upperWord)
{
    const qsizetype n = upperWord.size();
    if (n == 0) {
        return true;
    }
    const std::array<char, 256>& up = upperTable();
    const char* t = text.data();
    const char* w = upperWord.data();
    const char first = w[0];
    for (qsizetype i = 0, last = text.size() - n; i <= last; ++i) {
        if (up[uchar(t[i])] != first) {
            continue;
        }
        qsizetype k = 1;
        while (k < n && up[uchar(t[i + k])] == w[k]) {
            ++k;
        }
        if (k == n) {
            return true;
        }
    }
    return false;
}

} // namespace uppersearch
