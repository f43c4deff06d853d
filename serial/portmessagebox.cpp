#include "serial/portmessagebox.h"

#include <QGuiApplication>
#include <QMessageBox>

void showPortMessage(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok);
    box.exec();
}
