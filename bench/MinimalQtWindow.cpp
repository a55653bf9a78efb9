// The yardstick for the whole-program figures: a Qt 6 Widgets program that shows one empty window and
// then, exactly as the program does once its main window is up, listens on the local socket
// "$XDG_RUNTIME_DIR/UniqueOrla" -- the moment the measuring program watches for.
#include <QApplication>
#include <QLocalServer>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.resize(640, 480);
    window.setWindowTitle(QStringLiteral("Minimal"));
    window.show();
    window.repaint();
    QLocalServer server;
    (void)server.listen(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/UniqueOrla"));
    return application.exec();
}
