#pragma once
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

// The startup tokens a request carries; empty when the later instance was given none.
struct StartupTokens
{
    QString strActivationToken; // XDG_ACTIVATION_TOKEN
    QString strStartupId;       // DESKTOP_STARTUP_ID

    // The tokens this process was started with.
    [[nodiscard]] static StartupTokens FromEnvironment();
    bool operator==(const StartupTokens&) const = default;
};

// One running instance per user session. The first instance holds the lock file "Orla" in the user's
// runtime folder for its whole life; once its window is ready it also listens on the local socket
// "UniqueOrla" there. A later instance finds the lock taken, asks the first one through the socket
// to bring its window forward, and ends. A lock left behind by an instance that crashed is taken over.
//
// A desktop that starts a program hands it a startup token (XDG_ACTIVATION_TOKEN on Wayland,
// DESKTOP_STARTUP_ID on X11) that lets the program's window come forward. A later instance passes its
// token with the request, since it is the first instance's window that has to come forward with it:
//     show[ xdg-activation=TOKEN][ startup-id=ID]\n
//
// Everything here runs on the user-interface thread.
class CSingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit CSingleInstance(QObject* pParent = nullptr);
    ~CSingleInstance() override;
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    // Takes the lock. False when another live instance holds it. A lock that cannot be created at all
    // (no runtime folder, no permission) does not keep the program from running: true then as well.
    [[nodiscard]] bool Acquire();
    [[nodiscard]] bool IsHeld() const;

    // Asks the instance that holds the lock to restore and raise its window. False when it does not
    // listen yet (it is still starting) or did not take the request within the time-out.
    [[nodiscard]] static bool AskFirstInstanceToShow(const StartupTokens& tokens = {}, int nTimeoutMs = 2000);

    // Starts answering later instances; requestShow is emitted for each request, with the tokens it
    // carried that are well formed. A socket file left
    // by a crashed instance is replaced (the lock is ours, so nobody else listens on it). Call only
    // while the lock is held.
    [[nodiscard]] bool Listen();
    [[nodiscard]] bool IsListening() const;

    // Stops listening and lets go of the lock.
    void Release();

    [[nodiscard]] static QString LockPath();
    [[nodiscard]] static QString SocketPath();

signals:
    void requestShow(const StartupTokens& tokens);

private:
    void OnNewConnection();
    void ReadRequests(QLocalSocket* pSocket);

    std::unique_ptr<QLockFile> m_pLock;
    std::unique_ptr<QLocalServer> m_pServer;
    bool m_bHeld = false;
};
