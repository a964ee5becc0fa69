#include "ziptools.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QtEndian>
#include <stdexcept>

namespace ziptest {

QByteArray run(const QString& program, const QStringList& arguments, const QString& folder)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        throw std::runtime_error((program + u' ' + arguments.join(u' ')).toStdString() +
                                 " failed: " + process.readAllStandardError().toStdString());
    }
    return process.readAllStandardOutput();
}

QByteArray python(const QString& script, const QStringList& arguments, const QString& folder)
{
    return run(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral("-c"), script} + arguments, folder);
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("cannot read " + path.toStdString());
    }
    return file.readAll();
}

QByteArray randomBytes(int size, quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes) {
        c = char(generator.bounded(256));
    }
    return bytes;
}

QByteArray textBytes(int size)
{
    QByteArray text;
    for (int line = 0; text.size() < size; ++line) {
        text += "ID_ZAKONA=" + QByteArray::number(line * 7919 % 100003) + ";Naziv_zakona=Zakon o porezu " +
                QByteArray::number(line) + "\r\n";
    }
    text.truncate(size);
    return text;
}

void makeSampleTree(const QString& folder)
{
    writeFile(folder + "/plain.txt", textBytes(60000));
    writeFile(folder + "/random.bin", randomBytes(40000, 7));
    writeFile(folder + "/empty.dat", {});
    writeFile(folder + "/sub/deeper/nested.txt", textBytes(3000));
    writeFile(folder + "/with space.txt", "a blank in the name\n");
}

QMap<QString, QByteArray> tree(const QString& folder)
{
    QMap<QString, QByteArray> files;
    const QDir root(folder);
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString relative = root.relativeFilePath(info.filePath());
        files.insert(info.isDir() ? relative + u'/' : relative,
                     info.isDir() ? QByteArray() : readFile(info.filePath()));
    }
    return files;
}

void unzipTo(const QString& archive, const QString& folder)
{
    run(QStringLiteral("unzip"), {QStringLiteral("-o"), QStringLiteral("-qq"), archive, QStringLiteral("-d"), folder});
}

void patchFile(const QString& path, qint64 offset, quint32 value, int size)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || !file.seek(offset)) {
        throw std::runtime_error("cannot patch " + path.toStdString());
    }
    char bytes[4];
    qToLittleEndian(value, bytes);
    file.write(bytes, size);
}

} // namespace ziptest
