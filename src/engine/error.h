#pragma once

#include <QByteArray>
#include <QString>
#include <stdexcept>

namespace engine {

// Every failure of the database engine: a missing alias or table file, a wrong password, an
// unknown field, a malformed filter, a failed write. The text says what and where.
class Error final : public std::runtime_error {
public:
    explicit Error(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

} // namespace engine
