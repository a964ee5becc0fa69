#include "clipboard.h"

#include "yuscii.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <optional>

namespace platform {
namespace {
const QString kYusciiFormat = QStringLiteral("application/x-korvelin-yuscii");

// The YUSCII form of the clipboard's text while it is the program's own; nothing otherwise.
std::optional<QByteArray> ownText()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (data == nullptr || !data->hasFormat(kYusciiFormat)) {
        return std::nullopt;
    }
    return data->data(kYusciiFormat);
}
} // namespace

QMimeData* clipboardData(const QByteArray& yuscii, display::Script script)
{
    auto* data = new QMimeData;
    data->setText(display::toUnicode(yuscii, script));
    data->setData(kYusciiFormat, yuscii);
    return data;
}

void copyToClipboard(const QByteArray& yuscii, display::Script script)
{
    QApplication::clipboard()->setMimeData(clipboardData(yuscii, script));
}

QByteArray ownClipboardText()
{
    return ownText().value_or(QByteArray());
}

bool appclear()
{
    const std::optional<QByteArray> own = ownText();
    if (!own) {
        return false;
    }
    QApplication::clipboard()->setText(QString::fromLatin1(yuscii::flatten(*own)));
    return true;
}

} // namespace platform
