#include "ftpclient.h"

#include "registry.h"

#include <curl/curl.h>
#include <QCoreApplication>
#include <QIODevice>
#include <QUrl>

namespace updates {

namespace {

// The publisher's update account.
const char* const DefaultHost = "azuriranje.korvelin.example";
constexpr int DefaultPort = 21;
const char* const DefaultUser = "korvl";
const char* const DefaultPassword = "azurk742";

class CurlFtpClient final : public FtpClient {
public:
    explicit CurlFtpClient(FtpAccount account) : m_account(std::move(account))
    {
        static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
        if (!initialised || !(m_multi = curl_multi_init()) || !(m_easy = curl_easy_init())) {
            throw FtpError(FtpError::Kind::Other, QStringLiteral("The FTP library cannot start"));
        }
    }

    ~CurlFtpClient() override
    {
        curl_easy_cleanup(m_easy);
        curl_multi_cleanup(m_multi); // closes the connection it keeps
    }

    QString host() const override { return m_account.host; }

    void connectToServer() override
    {
        prepare(folderUrl({}), Operation::Connect);
        curl_easy_setopt(m_easy, CURLOPT_NOBODY, 1L);
        perform();
        if (onConnected) {
            onConnected();
        }
    }

    void changeDirectory(const QByteArray& folder) override
    {
        prepare(folderUrl(folder), Operation::Command);
        curl_easy_setopt(m_easy, CURLOPT_NOBODY, 1L);
        perform();
        m_folder = folder;
    }

    void listNames() override
    {
        QByteArray listing;
        prepare(folderUrl(m_folder), Operation::Transfer);
        curl_easy_setopt(m_easy, CURLOPT_DIRLISTONLY, 1L);
        curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &CurlFtpClient::toBytes);
        curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, &listing);
        perform();
        for (QByteArray line : listing.split('\n')) {
            if (line.endsWith('\r')) {
                line.chop(1);
            }
            if (!line.isEmpty() && onListItem) {
                onListItem(line);
            }
        }
    }

    void download(const QByteArray& name, QIODevice& out) override
    {
        const QByteArray url = folderUrl(m_folder) + QUrl::toPercentEncoding(QString::fromLatin1(name));
        // The size first: many servers do not tell it with the transfer, and a connection that
        // breaks off between two packets would otherwise pass for the end of the file.
        prepare(url, Operation::Command);
        curl_easy_setopt(m_easy, CURLOPT_NOBODY, 1L);
        perform();
        curl_off_t expected = -1;
        curl_easy_getinfo(m_easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &expected);

        m_out = &out;
        m_started = false;
        m_received = -1;
        m_written = 0;
        prepare(url, Operation::Transfer);
        curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &CurlFtpClient::toDevice);
        curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(m_easy, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(m_easy, CURLOPT_XFERINFOFUNCTION, &CurlFtpClient::progress);
        curl_easy_setopt(m_easy, CURLOPT_XFERINFODATA, this);
        perform();
        m_out = nullptr;
        if (expected >= 0 && m_written != expected) {
            throw FtpError(FtpError::Kind::Dropped, QStringLiteral("Received %1 of the %2 bytes of %3")
                                                        .arg(m_written)
                                                        .arg(qint64(expected))
                                                        .arg(QString::fromLatin1(name)));
        }
    }

    void disconnectFromServer() override
    {
        // The connection lives in the multi handle's cache; a new one closes it.
        curl_multi_cleanup(m_multi);
        m_multi = curl_multi_init();
        m_folder.clear();
    }

private:
    enum class Operation { Connect, Command, Transfer };

    QByteArray folderUrl(const QByteArray& folder) const
    {
        QByteArray url = "ftp://" + QUrl::toAce(m_account.host) + ':' + QByteArray::number(m_account.port) + '/';
        if (!folder.isEmpty()) {
            url += QUrl::toPercentEncoding(QString::fromLatin1(folder)) + '/';
        }
        return url;
    }

    void prepare(const QByteArray& url, Operation operation)
    {
        m_operation = operation;
        m_url = url;
        m_user = m_account.user;
        m_password = m_account.password;
        curl_easy_reset(m_easy);
        m_error[0] = '\0';
        curl_easy_setopt(m_easy, CURLOPT_URL, m_url.constData());
        curl_easy_setopt(m_easy, CURLOPT_USERNAME, m_user.constData());
        curl_easy_setopt(m_easy, CURLOPT_PASSWORD, m_password.constData());
        curl_easy_setopt(m_easy, CURLOPT_ERRORBUFFER, m_error);
        // What an operation without a transfer receives (a size, for one) is not wanted.
        curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &CurlFtpClient::discard);
        curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L);
        // Active mode: the server opens the data connections to us.
        curl_easy_setopt(m_easy, CURLOPT_FTPPORT, "-");
        curl_easy_setopt(m_easy, CURLOPT_FTP_USE_EPRT, 0L);
        curl_easy_setopt(m_easy, CURLOPT_CONNECTTIMEOUT, long(m_account.connectTimeoutSeconds));
        curl_easy_setopt(m_easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(m_account.idleTimeoutSeconds));
        curl_easy_setopt(m_easy, CURLOPT_ACCEPTTIMEOUT_MS, long(m_account.idleTimeoutSeconds) * 1000L);
        curl_easy_setopt(m_easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(m_easy, CURLOPT_LOW_SPEED_TIME, long(m_account.idleTimeoutSeconds));
        if (!m_account.proxyHost.isEmpty()) {
            // Through a proxy every connection is a tunnel the program opens, so the data
            // connections go out from here too (passive mode): the server could not reach back.
            m_proxy = m_account.proxyHost.toUtf8();
            curl_easy_setopt(m_easy, CURLOPT_PROXY, m_proxy.constData());
            curl_easy_setopt(m_easy, CURLOPT_HTTPPROXYTUNNEL, 1L);
            curl_easy_setopt(m_easy, CURLOPT_FTPPORT, nullptr);
            if (m_account.proxyPort > 0) {
                curl_easy_setopt(m_easy, CURLOPT_PROXYPORT, long(m_account.proxyPort));
            }
        }
    }

    void perform()
    {
        curl_multi_add_handle(m_multi, m_easy);
        int running = 1;
        CURLcode result = CURLE_OK;
        while (running > 0) {
            if (curl_multi_perform(m_multi, &running) != CURLM_OK) {
                result = CURLE_FAILED_INIT;
                break;
            }
            if (running > 0) {
                curl_multi_poll(m_multi, nullptr, 0, 20, nullptr);
            }
            // The window stays live while the server is waited for.
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(m_multi, &left)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == m_easy) {
                result = message->data.result;
            }
        }
        long reply = 0;
        curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &reply);
        curl_multi_remove_handle(m_multi, m_easy);
        if (result != CURLE_OK) {
            fail(result, reply);
        }
    }

    [[noreturn]] void fail(CURLcode code, long reply) const
    {
        using Kind = FtpError::Kind;
        QString message = QString::fromUtf8(curl_easy_strerror(code));
        // Without a reply of the server the library's own words say most; with one they may be
        // left over from an earlier step.
        if (m_error[0] != '\0' && reply == 0) {
            message += QStringLiteral(": ") + QString::fromUtf8(m_error);
        }
        message += QStringLiteral(" (code %1").arg(int(code)) +
                   (reply > 0 ? QStringLiteral(", reply %1)").arg(reply) : QStringLiteral(")"));
        Kind kind = Kind::Other;
        switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            kind = Kind::NoNetwork;
            break;
        case CURLE_COULDNT_CONNECT:
            kind = Kind::ConnectFailed;
            break;
        case CURLE_OPERATION_TIMEDOUT:
            kind = m_operation == Operation::Connect && reply == 0 ? Kind::ConnectFailed : Kind::TimedOut;
            break;
        case CURLE_FTP_ACCEPT_TIMEOUT:
            kind = Kind::TimedOut;
            break;
        case CURLE_LOGIN_DENIED:
            kind = Kind::LoginFailed;
            break;
        case CURLE_REMOTE_ACCESS_DENIED:
        case CURLE_FTP_COULDNT_RETR_FILE:
        case CURLE_REMOTE_FILE_NOT_FOUND:
        case CURLE_FTP_COULDNT_SET_TYPE:
        case CURLE_FTP_PORT_FAILED:
        case CURLE_QUOTE_ERROR:
            kind = Kind::Refused;
            break;
        case CURLE_PARTIAL_FILE:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_FTP_ACCEPT_FAILED:
        case CURLE_FTP_WEIRD_SERVER_REPLY:
            kind = reply >= 400 && reply < 600 ? Kind::Refused : Kind::Dropped;
            break;
        case CURLE_WRITE_ERROR:
            kind = Kind::LocalFile;
            break;
        default:
            break;
        }
        throw FtpError(kind, message);
    }

    static size_t discard(char*, size_t size, size_t count, void*) { return size * count; }

    static size_t toBytes(char* data, size_t size, size_t count, void* target)
    {
        static_cast<QByteArray*>(target)->append(data, qsizetype(size * count));
        return size * count;
    }

    static size_t toDevice(char* data, size_t size, size_t count, void* self)
    {
        auto* client = static_cast<CurlFtpClient*>(self);
        client->started(0);
        const qint64 bytes = qint64(size * count);
        if (client->m_out->write(data, bytes) != bytes) {
            return 0;
        }
        client->m_written += bytes;
        return size * count;
    }

    static int progress(void* self, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t)
    {
        auto* client = static_cast<CurlFtpClient*>(self);
        if (total > 0) {
            client->started(total);
        }
        if (client->m_started && now != client->m_received && client->onPacketReceived) {
            client->m_received = now;
            client->onPacketReceived(now);
        }
        return 0;
    }

    void started(qint64 total)
    {
        if (!m_started) {
            m_started = true;
            if (onTransferStart) {
                onTransferStart(total);
            }
        }
    }

    FtpAccount m_account;
    CURLM* m_multi = nullptr;
    CURL* m_easy = nullptr;
    Operation m_operation = Operation::Connect;
    QByteArray m_folder;
    // Curl keeps the pointers it is given, so the texts live here while an operation runs.
    QByteArray m_url;
    QByteArray m_user;
    QByteArray m_password;
    QByteArray m_proxy;
    char m_error[CURL_ERROR_SIZE] = {};
    QIODevice* m_out = nullptr;
    bool m_started = false;
    qint64 m_received = -1;
    qint64 m_written = 0;
};

} // namespace

std::unique_ptr<FtpClient> makeFtpClient(const FtpAccount& account)
{
    return std::make_unique<CurlFtpClient>(account);
}

FtpAccount updateAccount()
{
    FtpAccount a;
    a.host = QString::fromLatin1(DefaultHost);
    a.port = DefaultPort;
    a.user = DefaultUser;
    a.password = DefaultPassword;
    const auto key = platform::RegistryKey::open(platform::Hive::LocalMachine, QString::fromLatin1(AccountKey), false);
    if (!key) {
        return a;
    }
    const auto number = [&](const char* name, int fallback) {
        bool ok = false;
        const int v = key->readString(QLatin1String(name)).trimmed().toInt(&ok);
        return ok && v > 0 ? v : fallback;
    };
    a.host = key->readString(QStringLiteral("Host"), a.host);
    a.port = number("Port", a.port);
    a.user = key->readString(QStringLiteral("User"), QString::fromLatin1(a.user)).toLatin1();
    a.password = key->readString(QStringLiteral("Password"), QString::fromLatin1(a.password)).toLatin1();
    a.connectTimeoutSeconds = number("ConnectTimeout", a.connectTimeoutSeconds);
    a.idleTimeoutSeconds = number("IdleTimeout", a.idleTimeoutSeconds);
    return a;
}

} // namespace updates
