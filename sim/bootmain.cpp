#include "sim/bootloader_cli.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    return runBootLoaderCli(app.arguments().mid(1));
}
