#include "logger.h"

TLogger::TLogger(const QString& fileName) : m_file(fileName)
{
    m_opened = m_file.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

TLogger::~TLogger()
{
    try {
        close();
    } catch (const LogError&) {
        // Nothing more can be told from a destructor; every line written is already in the file.
    }
}

void TLogger::Log(const QByteArray& text)
{
    {
        const QMutexLocker locker(&m_lock);
        const QByteArray line = text + "\r\n";
        if (!m_opened || m_file.write(line) != line.size() || !m_file.flush()) {
            throw LogError("Cannot write the update log " + m_file.fileName().toStdString());
        }
    }
    if (const auto& hook = lineWritten()) {
        hook(text);
    }
}

void TLogger::close()
{
    const QMutexLocker locker(&m_lock);
    if (!m_opened) {
        return;
    }
    m_opened = false;
    m_file.close();
    if (m_file.error() != QFileDevice::NoError) {
        throw LogError("Cannot close the update log " + m_file.fileName().toStdString());
    }
}

QByteArray TLogger::stamped(const QByteArray& text, const QTime& time)
{
    return '[' + time.toString(QStringLiteral("HH:mm:ss")).toLatin1() + ']' + text;
}

std::function<void(const QByteArray&)>& TLogger::lineWritten()
{
    static std::function<void(const QByteArray&)> hook;
    return hook;
}
