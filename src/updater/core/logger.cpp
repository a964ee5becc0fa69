#include "logger.h"

TLogger::TLogger(const QString& fileName) : m_file(fileName)
{
    m_file.setDirectWriteFallback(false);
    m_opened = m_file.open(QIODevice::WriteOnly);
}

TLogger::~TLogger()
{
    try {
        close();
    } catch (const LogError&) {
        // Nothing more can be told from a destructor; the lines written so far stay beside it.
    }
}

void TLogger::Log(const QByteArray& text)
{
    const QMutexLocker locker(&m_lock);
    const QByteArray line = text + "\r\n";
    if (!m_opened || m_file.write(line) != line.size() || !m_file.flush()) {
        throw LogError("Cannot write the update log " + m_file.fileName().toStdString());
    }
}

void TLogger::close()
{
    const QMutexLocker locker(&m_lock);
    if (!m_opened) {
        return;
    }
    m_opened = false;
    if (!m_file.commit()) {
        throw LogError("Cannot save the update log " + m_file.fileName().toStdString());
    }
}

QByteArray TLogger::stamped(const QByteArray& text, const QTime& time)
{
    return '[' + time.toString(QStringLiteral("HH:mm:ss")).toLatin1() + ']' + text;
}
