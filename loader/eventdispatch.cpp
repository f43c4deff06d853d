#include "loader/eventdispatch.h"

#include <QByteArray>

void loader::useStrictEventDispatcher()
{
    qputenv("QT_NO_GLIB", QByteArray("1"));
}
