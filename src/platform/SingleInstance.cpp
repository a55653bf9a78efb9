#include "platform/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include "platform/UserPaths.h"

namespace {

// What a later instance writes to the first one's socket.
constexpr char kShowRequest[] = "show\n";
constexpr qint64 kMaxRequestLength = 64;

} // namespace

CSingleInstance::CSingleInstance(QObject* pParent) : QObject(pParent) {}

CSingleInstance::~CSingleInstance()
{
    Release();
}

QString CSingleInstance::LockPath()
{
    return UserRuntimeFolder() + QStringLiteral("/Orla");
}

QString CSingleInstance::SocketPath()
{
    return UserRuntimeFolder() + QStringLiteral("/UniqueOrla");
}

bool CSingleInstance::Acquire()
{
    if (m_bHeld)
        return true;
    m_pLock = std::make_unique<QLockFile>(LockPath());
    // An instance may run for days: only a lock whose process is gone counts as stale, never an old one.
    m_pLock->setStaleLockTime(0);
    if (m_pLock->tryLock(0)) {
        m_bHeld = true;
        return true;
    }
    const bool bOtherInstance = m_pLock->error() == QLockFile::LockFailedError;
    m_pLock.reset();
    return !bOtherInstance;
}

bool CSingleInstance::IsHeld() const
{
    return m_bHeld;
}

bool CSingleInstance::AskFirstInstanceToShow(int nTimeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(SocketPath());
    if (!socket.waitForConnected(nTimeoutMs))
        return false;
    socket.write(kShowRequest, sizeof kShowRequest - 1);
    const bool bWritten = socket.waitForBytesWritten(nTimeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        (void)socket.waitForDisconnected(nTimeoutMs);
    return bWritten;
}

bool CSingleInstance::Listen()
{
    if (!m_bHeld)
        return false;
    if (m_pServer && m_pServer->isListening())
        return true;
    m_pServer = std::make_unique<QLocalServer>();
    m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_pServer.get(), &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
    QLocalServer::removeServer(SocketPath());
    return m_pServer->listen(SocketPath());
}

bool CSingleInstance::IsListening() const
{
    return m_pServer && m_pServer->isListening();
}

void CSingleInstance::OnNewConnection()
{
    while (QLocalSocket* pSocket = m_pServer->nextPendingConnection()) {
        connect(pSocket, &QLocalSocket::disconnected, pSocket, &QObject::deleteLater);
        connect(pSocket, &QLocalSocket::readyRead, this, [this, pSocket] { ReadRequests(pSocket); });
        // The request may have arrived together with the connection.
        ReadRequests(pSocket);
    }
}

void CSingleInstance::ReadRequests(QLocalSocket* pSocket)
{
    // A request is one short line; a peer that sends anything longer is cut off.
    while (pSocket->canReadLine()) {
        if (pSocket->readLine(kMaxRequestLength) == kShowRequest)
            emit requestShow();
    }
    if (pSocket->bytesAvailable() >= kMaxRequestLength)
        pSocket->abort();
}

void CSingleInstance::Release()
{
    if (m_pServer) {
        m_pServer->close();
        m_pServer.reset();
    }
    if (m_pLock) {
        m_pLock->unlock();
        m_pLock.reset();
    }
    m_bHeld = false;
}
