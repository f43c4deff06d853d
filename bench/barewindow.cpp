// The reference for the start-up and memory measures: the least a Qt Widgets program with a menu and
// some text shows. Text matters: the first text loads the fonts, which every real window pays for.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare Qt window"));
    window.menuBar()->addMenu(QStringLiteral("&File"));
    window.setCentralWidget(new QLabel(QStringLiteral("Bare Qt window"), &window));
    window.resize(640, 480);
    window.show();
    return QApplication::exec();
}
