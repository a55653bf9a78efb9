// The JACK-opening yardstick for the whole-program figures: the least a Qt 6 Widgets program that
// talks MIDI over JACK must do before its window is up. It opens a JACK client (never starting a
// server), registers one MIDI input and one MIDI output port, activates the client and connects the
// pair to the emulated console's MIDI ports (client "Ostra"), then shows one empty window and listens
// on "$XDG_RUNTIME_DIR/UniqueOrla" as the program does once its main window is shown. SIGTERM closes
// the client before the end: a JACK client that just vanishes stalls the server for seconds.
#include <jack/jack.h>

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QLocalServer>
#include <QSocketNotifier>
#include <QWidget>

#include <csignal>
#include <cstdio>

namespace {

int g_termination[2] = {-1, -1}; // SIGTERM writes to [0], the event loop reads [1]

void OnTerminate(int)
{
    const char c = 1;
    (void)!write(g_termination[0], &c, 1);
}

// The console's first MIDI port with these flags; empty when there is none.
QByteArray ConsolePort(jack_client_t* pClient, unsigned long nFlags)
{
    const char** ppPorts = jack_get_ports(pClient, "^Ostra:", JACK_DEFAULT_MIDI_TYPE, nFlags);
    const QByteArray found = ppPorts && ppPorts[0] ? QByteArray(ppPorts[0]) : QByteArray();
    jack_free(ppPorts);
    return found;
}

// No processing: the yardstick measures what opening and connecting costs, not a callback's work.
int Process(jack_nframes_t, void*)
{
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    jack_status_t status{};
    jack_client_t* pClient = jack_client_open("yardstick", JackNoStartServer, &status);
    if (!pClient) {
        std::fprintf(stderr, "no JACK server (status 0x%x)\n", static_cast<unsigned>(status));
        return 1;
    }
    jack_port_t* pIn = jack_port_register(pClient, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    jack_port_t* pOut = jack_port_register(pClient, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (!pIn || !pOut || jack_set_process_callback(pClient, Process, nullptr) != 0 || jack_activate(pClient) != 0) {
        std::fprintf(stderr, "the JACK client could not be set up\n");
        return 1;
    }
    const QByteArray consoleIn = ConsolePort(pClient, JackPortIsInput);
    const QByteArray consoleOut = ConsolePort(pClient, JackPortIsOutput);
    if (consoleIn.isEmpty() || consoleOut.isEmpty()
        || jack_connect(pClient, jack_port_name(pOut), consoleIn.constData()) != 0
        || jack_connect(pClient, consoleOut.constData(), jack_port_name(pIn)) != 0) {
        std::fprintf(stderr, "no console ports to connect to\n");
        return 1;
    }

    QApplication application(argc, argv);
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, g_termination) == 0)
        std::signal(SIGTERM, OnTerminate);
    QSocketNotifier termination(g_termination[1], QSocketNotifier::Read);
    QObject::connect(&termination, &QSocketNotifier::activated, &application, &QCoreApplication::quit);
    QWidget window;
    window.resize(640, 480);
    window.setWindowTitle(QStringLiteral("Minimal JACK"));
    window.show();
    window.repaint();
    QLocalServer server;
    (void)server.listen(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/UniqueOrla"));
    const int nResult = application.exec();
    jack_client_close(pClient);
    return nResult;
}
