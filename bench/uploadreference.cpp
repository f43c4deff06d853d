// The references for the upload measures: the least a Qt program does to send a firmware file as
// Corlift does. It opens the port with QSerialPort at Corlift's settings, waits for the boot
// loader's "...", then writes each line with CR LF in one write, hands it to the driver and pauses
// `--delay` ms (a precise single-shot QTimer started once the line went out), reads what the boot
// loader answers, and ends at its "OK" after the last line.
// Built twice: bench-upload-window shows a bare Qt Widgets window while it sends; bench-upload-loop is
// a plain QCoreApplication event loop.
#include <QFile>
#include <QSerialPort>
#include <QTimer>
#include <cstdio>

#ifdef UPLOAD_REFERENCE_WINDOW
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
using Application = QApplication;
#else
#include <QCoreApplication>
using Application = QCoreApplication;
#endif

int main(int argc, char* argv[])
{
    Application app(argc, argv);
    const QStringList arguments = Application::arguments();
    if (arguments.size() != 4) {
        std::fprintf(stderr, "usage: %s DEVICE FIRMWARE DELAY_MS\n", argv[0]);
        return 2;
    }
    QFile file(arguments[2]);
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    QList<QByteArray> lines = file.readAll().split('\n');
    for (QByteArray& line : lines)
        line = line.trimmed();
    lines.removeAll(QByteArray());
    const int delayMs = arguments[3].toInt();

#ifdef UPLOAD_REFERENCE_WINDOW
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Upload reference"));
    window.setCentralWidget(new QLabel(QStringLiteral("Sending"), &window));
    window.resize(480, 320);
    window.show();
#endif

    QSerialPort port;
    port.setPortName(arguments[1]);
    port.setBaudRate(9600);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    if (!port.open(QIODevice::ReadWrite))
        return 1;
    port.clear(QSerialPort::AllDirections);

    QByteArray received;
    qsizetype next = -1; // -1 until the boot loader announced itself
    QTimer pause;
    pause.setSingleShot(true);
    pause.setTimerType(Qt::PreciseTimer);
    const auto sendNext = [&] {
        if (next >= lines.size())
            return;
        if (next == lines.size() - 1)
            received.clear();
        port.write(lines[next++] + "\r\n");
        port.flush();
        port.flush();
        pause.start(delayMs);
    };
    QObject::connect(&pause, &QTimer::timeout, sendNext);
    QObject::connect(&port, &QSerialPort::readyRead, [&] {
        received += port.readAll();
        if (next < 0 && received.contains("...")) {
            received.clear();
            next = 0;
            sendNext();
        } else if (next >= lines.size() && received.contains("OK")) {
            Application::quit();
        }
    });
    return Application::exec();
}
