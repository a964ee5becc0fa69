#pragma once

// A real FTP server for a test: pyftpdlib on 127.0.0.1 and a free port, serving a folder to one
// account, and misbehaving as asked (ftpserver.py lists how), or, with "--connect-proxy" and no
// folder, an HTTP proxy in front of such servers. Stopped when the object goes.

#include "ftpclient.h"

#include <QProcess>
#include <QString>
#include <QStringList>

class FtpServer final {
public:
    explicit FtpServer(const QString& root, const QStringList& options = {});
    ~FtpServer();
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    bool running() const { return m_port > 0; }
    int port() const { return m_port; }
    // The account that logs in, with timeouts short enough for a test.
    updates::FtpAccount account() const;
    // Puts the account where the updater window reads it when it is created.
    void registerAccount() const;

private:
    QProcess m_process;
    int m_port = 0;
};
