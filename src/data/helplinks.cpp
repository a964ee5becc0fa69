#include "helplinks.h"

namespace helplinks {

QByteArray mailLink(const QByteArray& address, const QByteArray& subject)
{
    return "mailto:" + address + "?Subject=" + subject;
}

QByteArray webLink(const QByteArray& site)
{
    return "http://" + site;
}

QByteArray shellMessage(MessageSet set, int result)
{
    struct Row {
        int result;
        const char* mail;
        const char* web;
        const char* manual;
    };
    static const Row rows[] = {
        {0, "Nedovoljno sistemskih resursa za otvaranje Mail aplikacije",
         "Nedovoljno sistemskih resursa za otvaranje stranice",
         "Nedovoljno sistemskih resursa za startovanje uputstva"},
        {2, "Datoteka nije pronadjena", "Stranica nije pronadjena", "Uputstvo nije pronadjeno"},
        {3, "Lokacija nije pronadjena", "Lokacija Stranice nije pronadjena", "Lokacija Uputstva nije pronadjena"},
        {5, "Zabranjen pristup!", "Zabranjen pristup stranici", "Zabranjen pristup datoteci"},
        {8, "Nedovoljno memorije za ovu operaciju", "Nedovoljno memorije za ovu operaciju",
         "Nedovoljno memorije za ovu operaciju"},
        {11, "Vas program za pristup Mail se nije ispravno startovao",
         "Vas program za pristup Internetu se nije ispravno startovao",
         "Program za otvaranje Uputstva se ne moze startovati pod ovim operativnim sistemom"},
        {26, "Mrezno deljena lokacija nije dostupna", "Mrezno deljena lokacija nije dostupna",
         "Mrezno deljena lokacija nije dostupna"},
        {27, "Program koji otvara ovu datoteku je neispravan!", "Program koji otvara ovu datoteku je neispravan!",
         "Program koji otvara ovu datoteku je neispravan!"},
        {31, "Ne postoji program koji otvara ovu datoteku!", "Ne postoji program koji otvara ovu datoteku!",
         "Ne postoji program koji otvara ovu datoteku!"},
    };
    for (const Row& row : rows) {
        if (row.result == result) {
            switch (set) {
            case MessageSet::Mail:
                return row.mail;
            case MessageSet::Web:
                return row.web;
            case MessageSet::Manual:
                return row.manual;
            }
        }
    }
    return {};
}

} // namespace helplinks
