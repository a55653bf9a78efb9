// The stock-widget yardstick for the whole-program figures: what the program's main window shows, built
// from Qt's own widgets with nothing of the program's, over the same JACK work. It opens a JACK client
// (never starting a server), registers one MIDI input and one MIDI output port, sets a process callback
// that reads every input event and clears the output each cycle, activates the client and connects the
// pair to the emulated console (client "Ostra"). Then it shows a main window of the program's default
// size with a menu bar (File, Edit, Help, the program's items and shortcuts), a sortable list of five
// titled columns and 59 rows, a label and a push button, paints it, and listens on
// "$XDG_RUNTIME_DIR/UniqueOrla" as the program does once its main window is shown. SIGTERM closes the
// client before the end: a JACK client that just vanishes stalls the server for seconds.
#include <jack/jack.h>
#include <jack/midiport.h>

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocalServer>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <csignal>
#include <cstdio>

namespace {

int g_termination[2] = {-1, -1}; // SIGTERM writes to [0], the event loop reads [1]

void OnTerminate(int)
{
    const char c = 1;
    (void)!write(g_termination[0], &c, 1);
}

struct Pair {
    jack_port_t* pIn = nullptr;
    jack_port_t* pOut = nullptr;
};

// JACK's process thread: the per-cycle MIDI work every console client does while idle.
int Process(jack_nframes_t nFrames, void* arg)
{
    const auto* pPair = static_cast<const Pair*>(arg);
    void* pInput = jack_port_get_buffer(pPair->pIn, nFrames);
    const jack_nframes_t nEvents = jack_midi_get_event_count(pInput);
    for (jack_nframes_t i = 0; i < nEvents; ++i) {
        jack_midi_event_t event;
        (void)jack_midi_event_get(&event, pInput, i);
    }
    jack_midi_clear_buffer(jack_port_get_buffer(pPair->pOut, nFrames));
    return 0;
}

// The console's first MIDI port with these flags; empty when there is none.
QByteArray ConsolePort(jack_client_t* pClient, unsigned long nFlags)
{
    const char** ppPorts = jack_get_ports(pClient, "^Ostra:", JACK_DEFAULT_MIDI_TYPE, nFlags);
    const QByteArray found = ppPorts && ppPorts[0] ? QByteArray(ppPorts[0]) : QByteArray();
    jack_free(ppPorts);
    return found;
}

void AddMenus(QMainWindow& window)
{
    QMenu* pFile = window.menuBar()->addMenu(QStringLiteral("File(&F)"));
    pFile->addAction(QStringLiteral("Update(&U)"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    pFile->addSeparator();
    QObject::connect(pFile->addAction(QStringLiteral("Exit(&X)")), &QAction::triggered, &window, &QWidget::close);
    QMenu* pEdit = window.menuBar()->addMenu(QStringLiteral("Edit(&E)"));
    pEdit->addAction(QStringLiteral("Undo(&U)"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    pEdit->addSeparator();
    pEdit->addAction(QStringLiteral("Cut(&T)"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    pEdit->addAction(QStringLiteral("Copy(&C)"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    pEdit->addAction(QStringLiteral("Paste(&P)"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    QMenu* pHelp = window.menuBar()->addMenu(QStringLiteral("Help(&H)"));
    pHelp->addAction(QStringLiteral("Manual(&M)"))->setShortcut(QKeySequence(Qt::Key_F1));
    pHelp->addSeparator();
    pHelp->addAction(QStringLiteral("About(&A)..."));
}

// Five titled columns, 59 rows with texts as long as the factory entries', sortable by a title click.
QTreeWidget* MakeList(QWidget* pParent)
{
    auto* pList = new QTreeWidget(pParent);
    pList->setColumnCount(5);
    pList->setHeaderLabels({QStringLiteral("No."), QStringLiteral("Name"), QStringLiteral("Author"),
                            QStringLiteral("Description"), QStringLiteral("Note")});
    pList->setRootIsDecorated(false);
    pList->setAllColumnsShowFocus(true);
    const int widths[5] = {60, 125, 180, 190, 300};
    for (int c = 0; c < 5; ++c)
        pList->setColumnWidth(c, widths[c]);
    QList<QTreeWidgetItem*> rows;
    for (int i = 0; i < 59; ++i) {
        auto* pRow = new QTreeWidgetItem;
        pRow->setData(0, Qt::DisplayRole, i);
        pRow->setText(1, QStringLiteral("Entry #%1 Vo Soft").arg(i, 2, 10, QLatin1Char('0')));
        pRow->setText(2, QStringLiteral("Factory"));
        pRow->setText(3, QStringLiteral("A soft compressor for vocals, setting %1").arg(i));
        rows.append(pRow);
    }
    pList->addTopLevelItems(rows);
    pList->setSortingEnabled(true);
    pList->sortByColumn(0, Qt::AscendingOrder);
    pList->setCurrentItem(rows.front());
    return pList;
}

} // namespace

int main(int argc, char* argv[])
{
    jack_status_t status{};
    jack_client_t* pClient = jack_client_open("stock-yardstick", JackNoStartServer, &status);
    if (!pClient) {
        std::fprintf(stderr, "no JACK server (status 0x%x)\n", static_cast<unsigned>(status));
        return 1;
    }
    Pair pair;
    pair.pIn = jack_port_register(pClient, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    pair.pOut = jack_port_register(pClient, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (!pair.pIn || !pair.pOut || jack_set_process_callback(pClient, Process, &pair) != 0
        || jack_activate(pClient) != 0) {
        std::fprintf(stderr, "the JACK client could not be set up\n");
        return 1;
    }
    const QByteArray consoleIn = ConsolePort(pClient, JackPortIsInput);
    const QByteArray consoleOut = ConsolePort(pClient, JackPortIsOutput);
    if (consoleIn.isEmpty() || consoleOut.isEmpty()
        || jack_connect(pClient, jack_port_name(pair.pOut), consoleIn.constData()) != 0
        || jack_connect(pClient, consoleOut.constData(), jack_port_name(pair.pIn)) != 0) {
        std::fprintf(stderr, "no console ports to connect to\n");
        return 1;
    }

    QApplication application(argc, argv);
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, g_termination) == 0)
        std::signal(SIGTERM, OnTerminate);
    QSocketNotifier termination(g_termination[1], QSocketNotifier::Read);
    QObject::connect(&termination, &QSocketNotifier::activated, &application, &QCoreApplication::quit);

    QMainWindow window;
    AddMenus(window);
    auto* pCentral = new QWidget(&window);
    auto* pLayout = new QVBoxLayout(pCentral);
    pLayout->addWidget(MakeList(pCentral));
    auto* pRow = new QHBoxLayout;
    pRow->addWidget(new QLabel(QStringLiteral("Current Data :  Entry #00 Vo Soft"), pCentral), 1);
    pRow->addWidget(new QPushButton(QStringLiteral("Update"), pCentral));
    pLayout->addLayout(pRow);
    window.setCentralWidget(pCentral);
    window.resize(700, 400);
    window.setWindowTitle(QStringLiteral("Stock window"));
    window.show();
    window.repaint();
    QLocalServer server;
    (void)server.listen(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/UniqueOrla"));
    const int nResult = application.exec();
    jack_client_close(pClient);
    return nResult;
}
