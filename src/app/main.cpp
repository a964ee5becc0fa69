#include "appvalues.h"
#include "startupwindow.h"
#include "updaterwindow.h"
#include "windows.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(appvalues::ApplicationTitle));
    // The start-up window closes the program; nothing else ends it.
    QApplication::setQuitOnLastWindowClosed(false);

    auto* form2 = new TForm2;
    QObject::connect(form2, &TForm2::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    auto* form1 = new TForm1(form2);
    new TForm3(form1);
    new Tselekt(form1);
    new TForm5(form1);
    new Tupdater(form1);
    new Tdokumenti(form1);
    new Trelacije(form1);
    form2->allWindowsCreated();

    if (form2->terminationRequested()) {
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    }
    const int result = QApplication::exec();
    delete form1;
    delete form2;
    return result;
}
