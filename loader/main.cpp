#include "loader/corlifter.h"
#include "loader/eventdispatch.h"
#include "settings/filelocations.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    loader::useStrictEventDispatcher();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corlift"));
    // The port set-up's message boxes carry the program title.
    QApplication::setApplicationDisplayName(QStringLiteral("Corlift"));

    CorliftState state;
    Corlifter window(state, SetupIniPath());
    window.show();
    return QApplication::exec();
}
