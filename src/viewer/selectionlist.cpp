#include "selectionlist.h"

#include "screentext.h"

Tselekt* selekt = nullptr;

Tselekt::Tselekt(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("selekt"));
    platform::setCaption(this, "Lista propisa po zadatom kriterijumu");
    selekt = this;
}

Tselekt::~Tselekt()
{
    if (selekt == this) {
        selekt = nullptr;
    }
}

void Tselekt::showRows(const QList<mainwin::SelectionRow>& rows)
{
    Q_UNUSED(rows);
    exec();
}

bool Tselekt::jelimastariji(const QByteArray& title)
{
    Q_UNUSED(title);
    return false;
}
