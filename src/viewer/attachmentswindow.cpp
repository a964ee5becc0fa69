#include "attachmentswindow.h"

#include "screentext.h"

Tdokumenti* dokumenti = nullptr;

Tdokumenti::Tdokumenti(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dokumenti"));
    platform::setCaption(this, "Prilozi");
    dokumenti = this;
}

Tdokumenti::~Tdokumenti()
{
    if (dokumenti == this) {
        dokumenti = nullptr;
    }
}
