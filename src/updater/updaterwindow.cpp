#include "updaterwindow.h"

#include "screentext.h"

Tupdater* updater = nullptr;

Tupdater::Tupdater(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("updater"));
    platform::setCaption(this, "Azuriranje");
    updater = this;
}

Tupdater::~Tupdater()
{
    if (updater == this) {
        updater = nullptr;
    }
}
