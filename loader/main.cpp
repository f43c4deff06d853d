#include "loader/corlifter.h"
#include "serial/portmessagebox.h"
#include "serial/wait.h"
#include "settings/filelocations.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    useStrictEventDispatcher();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corlift"));
    // The port set-up's message boxes carry the program title.
    QApplication::setApplicationDisplayName(QStringLiteral("Corlift"));

    CorliftState state;
    Corlifter window(state, SetupIniPath());
    window.link().setMessageBoxHook(showPortMessage);
    window.show();
    return QApplication::exec();
}
