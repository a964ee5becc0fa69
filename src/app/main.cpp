#include "application.h"
#include "appvalues.h"
#include "program.h"
#include "startupwindow.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[])
{
    Application app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(appvalues::ApplicationTitle));
    // The start-up window ends the program when it closes; nothing else does.
    QApplication::setQuitOnLastWindowClosed(false);

    TForm2* form2 = createWindows();
    QObject::connect(form2, &TForm2::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    if (form2->terminationRequested()) {
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    }
    const int result = QApplication::exec();
    delete Form1;
    delete form2;
    return result;
}
