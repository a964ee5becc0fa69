#pragma once

// The FTP client the update run drives: the operations it needs, their events, and what can go
// wrong. The run reaches the server only through this interface, so another client can stand in.

#include <functional>
#include <memory>
#include <QByteArray>
#include <QString>
#include <stdexcept>

class QIODevice;

namespace updates {

struct FtpAccount {
    QString host;
    int port = 21;
    QByteArray user;
    QByteArray password;
    QString proxyHost; // empty: straight to the server
    int proxyPort = 0; // 0: the proxy's usual port
    // A server that does not answer a connection within the first, or goes silent for the
    // second during an operation, ends that operation.
    int connectTimeoutSeconds = 30;
    int idleTimeoutSeconds = 60;
};

class FtpError final : public std::runtime_error {
public:
    enum class Kind {
        NoNetwork,     // the server's name cannot be looked up
        ConnectFailed, // no connection: refused, unreachable, or no answer in time
        LoginFailed,   // the server refused the account
        Refused,       // the server refused a command (a reply from 400 to 599)
        TimedOut,      // the server went silent
        Dropped,       // the connection broke off in the middle
        LocalFile,     // the downloaded bytes could not be written
        Other
    };
    FtpError(Kind kind, const QString& message) : std::runtime_error(message.toStdString()), m_kind(kind) {}
    Kind kind() const { return m_kind; }
    QString message() const { return QString::fromStdString(what()); }

private:
    Kind m_kind;
};

class FtpClient {
public:
    virtual ~FtpClient() = default;

    // Events during the operations. While an operation waits for the server the client lets the
    // program's other events run, so windows stay live.
    std::function<void()> onConnected;
    std::function<void(qint64 totalBytes)> onTransferStart;
    std::function<void(qint64 receivedBytes)> onPacketReceived;
    std::function<void(const QByteArray& name)> onListItem;

    virtual QString host() const = 0;
    // Each throws FtpError. Connecting while connected does no harm.
    virtual void connectToServer() = 0;
    virtual void changeDirectory(const QByteArray& folder) = 0;
    // The names of the current folder, each reported through onListItem.
    virtual void listNames() = 0;
    // The named file of the current folder, as binary, into `out`.
    virtual void download(const QByteArray& name, QIODevice& out) = 0;
    virtual void disconnectFromServer() = 0;
};

// The client over libcurl: active data connections; with a proxy (an HTTP proxy that opens
// tunnels) every connection, the data ones then passive, goes through the proxy.
std::unique_ptr<FtpClient> makeFtpClient(const FtpAccount& account);

// The update account: host, port, user and password from the machine settings under
// "SOFTWARE\Korvelin\Azuriranje" (values Host, Port, User, Password, ConnectTimeout and
// IdleTimeout), each missing one taken from the program's defaults.
FtpAccount updateAccount();
inline constexpr const char* AccountKey = "SOFTWARE\\Korvelin\\Azuriranje";

} // namespace updates
