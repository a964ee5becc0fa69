// The FTP client against a real server: listing and downloading in active mode, and every way a
// server lets it down (a refused command, a wrong password, a dropped or silent connection, no
// server at all), each reported as its own kind of failure, in bounded time, with the program's
// events still running.

#include "ftpclient.h"
#include "ftpserver.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using updates::FtpError;

namespace {

QByteArray bytesOf(int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i) {
        b[i] = char((qint64(i) * 7919) % 251);
    }
    return b;
}

} // namespace

class TestFtpClient : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;

    void serve(const QString& name, const QByteArray& bytes)
    {
        QDir().mkpath(m_root.filePath("updates"));
        QFile f(m_root.filePath("updates/" + name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    // The kind of failure `operation` reports on a client of `server`.
    static FtpError::Kind failureOf(const updates::FtpAccount& account,
                                    const std::function<void(updates::FtpClient&)>& operation)
    {
        auto client = updates::makeFtpClient(account);
        try {
            operation(*client);
        } catch (const FtpError& e) {
            qInfo("%s", qPrintable(e.message()));
            return e.kind();
        }
        return FtpError::Kind::Other;
    }

private slots:
    void initTestCase()
    {
        serve("001.zip", bytesOf(300000));
        serve("002.zip", bytesOf(1000));
        serve("vesti.txt", "Nove vesti\r\n");
    }

    void listsAndDownloads()
    {
        FtpServer server(m_root.path());
        QVERIFY(server.running());
        auto client = updates::makeFtpClient(server.account());
        bool connected = false;
        QByteArrayList names;
        qint64 total = -1;
        qint64 last = 0;
        client->onConnected = [&] { connected = true; };
        client->onListItem = [&](const QByteArray& name) { names.append(name); };
        client->onTransferStart = [&](qint64 t) { total = t; };
        client->onPacketReceived = [&](qint64 received) { last = received; };
        client->connectToServer();
        client->connectToServer(); // again, over the open connection
        QVERIFY(connected);
        client->changeDirectory("updates");
        client->listNames();
        std::sort(names.begin(), names.end());
        QCOMPARE(names, (QByteArrayList{"001.zip", "002.zip", "vesti.txt"}));

        QBuffer out;
        out.open(QIODevice::WriteOnly);
        client->download("001.zip", out);
        QCOMPARE(out.data(), bytesOf(300000));
        QCOMPARE(total, 300000);
        QCOMPARE(last, 300000);
        client->disconnectFromServer();
        QBuffer second;
        second.open(QIODevice::WriteOnly);
        client->connectToServer();
        client->changeDirectory("updates");
        client->download("vesti.txt", second);
        QCOMPARE(second.data(), QByteArray("Nove vesti\r\n"));
    }

    // Through a proxy the connections go through its tunnels, the data ones included.
    void throughAProxy()
    {
        FtpServer server(m_root.path());
        FtpServer proxy({}, {"--connect-proxy"});
        QVERIFY(server.running() && proxy.running());
        updates::FtpAccount account = server.account();
        account.proxyHost = "127.0.0.1";
        account.proxyPort = proxy.port();
        auto client = updates::makeFtpClient(account);
        QByteArrayList names;
        client->onListItem = [&](const QByteArray& name) { names.append(name); };
        client->connectToServer();
        client->changeDirectory("updates");
        client->listNames();
        QCOMPARE(names.size(), 3);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        client->download("001.zip", out);
        QCOMPARE(out.data(), bytesOf(300000));
    }

    void serverFailuresHaveTheirKinds()
    {
        FtpServer refusing(m_root.path(), {"--refuse", "RETR:002.zip", "--refuse", "CWD:updates"});
        QVERIFY(refusing.running());
        const auto download = [](const QByteArray& name) {
            return [name](updates::FtpClient& c) {
                QBuffer out;
                out.open(QIODevice::WriteOnly);
                c.connectToServer();
                c.changeDirectory("updates");
                c.download(name, out);
            };
        };
        QCOMPARE(failureOf(refusing.account(), download("002.zip")), FtpError::Kind::Refused);

        FtpServer server(m_root.path(), {"--refuse", "RETR:002.zip"});
        QCOMPARE(failureOf(server.account(), download("002.zip")), FtpError::Kind::Refused);
        QCOMPARE(failureOf(server.account(), download("missing.zip")), FtpError::Kind::Refused);

        updates::FtpAccount wrong = server.account();
        wrong.password = "pogresna";
        QCOMPARE(failureOf(wrong, [](updates::FtpClient& c) { c.connectToServer(); }), FtpError::Kind::LoginFailed);

        FtpServer dropping(m_root.path(), {"--drop", "001.zip:100000", "--cut", "002.zip:500"});
        QCOMPARE(failureOf(dropping.account(), download("001.zip")), FtpError::Kind::Dropped);
        // A transfer that ends early but orderly is found short of the file's size.
        QCOMPARE(failureOf(dropping.account(), download("002.zip")), FtpError::Kind::Dropped);
    }

    void deadOrSilentServersEndInTime()
    {
        // Nothing listens on port 1: refused at once.
        updates::FtpAccount nobody;
        nobody.host = "127.0.0.1";
        nobody.port = 1;
        QCOMPARE(failureOf(nobody, [](updates::FtpClient& c) { c.connectToServer(); }), FtpError::Kind::ConnectFailed);

        nobody.host = "no-such-host.invalid";
        QCOMPARE(failureOf(nobody, [](updates::FtpClient& c) { c.connectToServer(); }), FtpError::Kind::NoNetwork);

        // A server that takes the connection and never answers: the connect timeout ends it, and
        // the program's events keep running meanwhile.
        FtpServer silent(m_root.path(), {"--silent"});
        QVERIFY(silent.running());
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(100);
        QElapsedTimer clock;
        clock.start();
        const FtpError::Kind kind = failureOf(silent.account(), [](updates::FtpClient& c) { c.connectToServer(); });
        QVERIFY(kind == FtpError::Kind::ConnectFailed || kind == FtpError::Kind::TimedOut);
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(ticks >= 5);

        // A transfer that stops half-way: the idle timeout ends it (counted once the bytes already
        // received have left the library's five-second speed window).
        FtpServer stalling(m_root.path(), {"--stall", "001.zip:50000"});
        clock.restart();
        const FtpError::Kind stalled = failureOf(stalling.account(), [](updates::FtpClient& c) {
            QBuffer out;
            out.open(QIODevice::WriteOnly);
            c.connectToServer();
            c.changeDirectory("updates");
            c.download("001.zip", out);
        });
        QCOMPARE(stalled, FtpError::Kind::TimedOut);
        QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
    }
};

QTEST_GUILESS_MAIN(TestFtpClient)
#include "tst_ftpclient.moc"
