#pragma once

// The program's application object: the one place every event passes on its way to a handler.

#include <QApplication>

class Application final : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);

    // A table failure that a handler let pass is told with the table's message, and the program
    // goes on with its next event; any other failure (no memory left) still ends the program.
    bool notify(QObject* receiver, QEvent* event) override;

private:
    bool m_telling = false;
};
