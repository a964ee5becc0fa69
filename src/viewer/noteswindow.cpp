#include "noteswindow.h"

#include "screentext.h"

TForm5* Form5 = nullptr;

TForm5::TForm5(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form5"));
    platform::setCaption(this, "Dodatne informacije");
    Form5 = this;
}

TForm5::~TForm5()
{
    if (Form5 == this) {
        Form5 = nullptr;
    }
}
