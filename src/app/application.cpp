#include "application.h"

#include "error.h"
#include "prompter.h"
#include "usermessages.h"

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const engine::Error& e) {
        // The message box runs events of its own; a failure among them (a paint that reads the
        // same table) is not told in a second box over the first.
        if (!m_telling) {
            m_telling = true;
            platform::prompter().error(data::userMessage(e));
            m_telling = false;
        }
        return false;
    }
}
