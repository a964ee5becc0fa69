#include "relationswindow.h"

#include "screentext.h"

Trelacije* relacije = nullptr;

Trelacije::Trelacije(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("relacije"));
    platform::setCaption(this, "Relacije");
    relacije = this;
}

Trelacije::~Trelacije()
{
    if (relacije == this) {
        relacije = nullptr;
    }
}

void Trelacije::showForViewerDocument()
{
    exec();
}
