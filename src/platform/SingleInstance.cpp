#include "platform/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include <optional>

#include "platform/UserPaths.h"

namespace {

// What a later instance writes to the first one's socket, and the names of the tokens it may carry.
constexpr char kShowRequest[] = "show";
constexpr char kActivationTokenField[] = "xdg-activation=";
constexpr char kStartupIdField[] = "startup-id=";
constexpr qint64 kMaxRequestLength = 1024;
constexpr qsizetype kMaxTokenLength = 400;

// A token is a short run of visible ASCII characters; anything else is not passed on.
QString CheckedToken(const QByteArray& token)
{
    if (token.isEmpty() || token.size() > kMaxTokenLength)
        return {};
    for (const char c : token)
        if (c < 0x21 || c > 0x7E)
            return {};
    return QString::fromLatin1(token);
}

QByteArray RequestLine(const StartupTokens& tokens)
{
    QByteArray line = kShowRequest;
    if (!tokens.strActivationToken.isEmpty())
        line += ' ' + QByteArray(kActivationTokenField) + tokens.strActivationToken.toLatin1();
    if (!tokens.strStartupId.isEmpty())
        line += ' ' + QByteArray(kStartupIdField) + tokens.strStartupId.toLatin1();
    return line + '\n';
}

// The tokens of a request line, or nothing when the line is no request.
std::optional<StartupTokens> ParseRequest(const QByteArray& line)
{
    if (!line.endsWith('\n'))
        return std::nullopt;
    const QList<QByteArray> words = line.chopped(1).split(' ');
    if (words.value(0) != kShowRequest)
        return std::nullopt;
    StartupTokens tokens;
    for (const QByteArray& word : words.mid(1)) {
        if (word.startsWith(kActivationTokenField))
            tokens.strActivationToken = CheckedToken(word.mid(sizeof kActivationTokenField - 1));
        else if (word.startsWith(kStartupIdField))
            tokens.strStartupId = CheckedToken(word.mid(sizeof kStartupIdField - 1));
    }
    return tokens;
}

} // namespace

StartupTokens StartupTokens::FromEnvironment()
{
    return {CheckedToken(qgetenv("XDG_ACTIVATION_TOKEN")), CheckedToken(qgetenv("DESKTOP_STARTUP_ID"))};
}

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

bool CSingleInstance::AskFirstInstanceToShow(const StartupTokens& tokens, int nTimeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(SocketPath());
    if (!socket.waitForConnected(nTimeoutMs))
        return false;
    socket.write(RequestLine(tokens));
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
        if (const std::optional<StartupTokens> tokens = ParseRequest(pSocket->readLine(kMaxRequestLength)))
            emit requestShow(*tokens);
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
