#include "ftpserver.h"

#include "registry.h"

#include <QTest>

FtpServer::FtpServer(const QString& root, const QStringList& options)
{
    m_process.setProgram(QStringLiteral("/usr/bin/python3"));
    QStringList arguments{QStringLiteral(KORVELIN_FTP_SERVER)};
    if (!root.isEmpty()) {
        arguments << QStringLiteral("--root") << root;
    }
    m_process.setArguments(arguments + options);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    if (!m_process.waitForStarted(10000)) {
        return;
    }
    QByteArray line;
    for (int i = 0; i < 200 && !line.contains('\n'); ++i) {
        m_process.waitForReadyRead(50);
        line += m_process.readAll();
    }
    m_port = line.trimmed().toInt();
}

FtpServer::~FtpServer()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}

updates::FtpAccount FtpServer::account() const
{
    updates::FtpAccount a;
    a.host = QStringLiteral("127.0.0.1");
    a.port = m_port;
    a.user = "korvl";
    a.password = "azurk742";
    a.connectTimeoutSeconds = 2;
    a.idleTimeoutSeconds = 2;
    return a;
}

void FtpServer::registerAccount() const
{
    const updates::FtpAccount a = account();
    auto key =
        platform::RegistryKey::open(platform::Hive::LocalMachine, QString::fromLatin1(updates::AccountKey), true);
    key->writeString(QStringLiteral("Host"), a.host);
    key->writeString(QStringLiteral("Port"), QString::number(a.port));
    key->writeString(QStringLiteral("User"), QString::fromLatin1(a.user));
    key->writeString(QStringLiteral("Password"), QString::fromLatin1(a.password));
    key->writeString(QStringLiteral("ConnectTimeout"), QString::number(a.connectTimeoutSeconds));
    key->writeString(QStringLiteral("IdleTimeout"), QString::number(a.idleTimeoutSeconds));
}
