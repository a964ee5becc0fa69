#include "program.h"

#include "startupwindow.h"
#include "updaterwindow.h"
#include "windows.h"

TForm2* createWindows()
{
    auto* form2 = new TForm2;
    auto* form1 = new TForm1(form2);
    new TForm3(form1);
    new Tselekt(form1);
    new TForm5(form1);
    new Tupdater(form1);
    new Tdokumenti(form1);
    new Trelacije(form1);
    form2->allWindowsCreated();
    return form2;
}
