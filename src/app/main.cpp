#include "appvalues.h"
#include "fonts.h"
#include "paths.h"
#include "prompter.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(appvalues::ApplicationTitle));
    platform::setApplicationTitle(appvalues::ApplicationTitle);

    platform::ApplicationFontTable fontTable;
    const platform::FontNames fonts = platform::installFonts(fontTable, platform::programFolder());
    appvalues::LatinFontName = fonts.latin;
    appvalues::CyrillicFontName = fonts.cyrillic;
    appvalues::UIFontName = fonts.ui;

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Elektronski Korvelin"));
    window.resize(800, 600);
    window.show();
    return QApplication::exec();
}
