#include "clipboard.h"

#include "yuscii.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

namespace platform {
namespace {
const QString kYusciiFormat = QStringLiteral("application/x-korvelin-yuscii");
}

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
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (data == nullptr || !data->hasFormat(kYusciiFormat)) {
        return {};
    }
    return data->data(kYusciiFormat);
}

bool appclear()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (data == nullptr || !data->hasFormat(kYusciiFormat)) {
        return false;
    }
    const QByteArray flat = yuscii::flatten(data->data(kYusciiFormat));
    QApplication::clipboard()->setText(QString::fromLatin1(flat));
    return true;
}

} // namespace platform
