#include "textoptions.h"

TFont::TFont(const QString& family, int pointSize, bool bold, bool italic) : QFont(family, pointSize)
{
    setBold(bold);
    setItalic(italic);
}

namespace {

TTextOptions designedOptions()
{
    TTextOptions options;
    options.FooterFont = TFont(QStringLiteral("Times New Roman"), 10, false, true);
    options.PageNumFont = options.FooterFont;
    return options;
}

} // namespace

TTextOptions mainWindowTextOptions()
{
    TTextOptions options = designedOptions();
    options.HeaderFont = TFont(QStringLiteral("Times New Roman"), 18, true);
    return options;
}

TTextOptions viewerTextOptions()
{
    TTextOptions options = designedOptions();
    options.HeaderFont = TFont(QStringLiteral("Times New Roman"), 8);
    options.Header = QStringLiteral("Korvelin, Dremvalo d.o.o.");
    options.PageNumAlign = TAlignment::taCenter;
    return options;
}
