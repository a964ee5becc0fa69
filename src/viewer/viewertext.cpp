// The viewer's work on the shown text: find, the articles list and its jump, the Latin/Cyrillic
// switch, copy and print; and its jumps out: the archive tab, the relations window and the
// quick-open mark.

#include "viewerwindow.h"

#include "appvalues.h"
#include "clipboard.h"
#include "findfield.h"
#include "mainwindow.h"
#include "prevprinter.h"
#include "printerenv.h"
#include "prompter.h"
#include "richedit.h"
#include "screentext.h"
#include "statusbar.h"
#include "windows.h"
#include "yuscii.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

using display::Script;

namespace {

// The header line of the viewer's pages. Its Cyrillic form is the same code (the line has no nj, lj
// or dž), shown in the Cyrillic script.
const QByteArray kHeaderLine = "Korvelin, Dremvalo d.o.o.";

Script scriptOf(const QByteArray& field)
{
    return field == "Cirilica" ? Script::Cyrillic : Script::Latin;
}

QString fontOf(Script script)
{
    return script == Script::Cyrillic ? appvalues::CyrillicFontName : appvalues::LatinFontName;
}

} // namespace

const QByteArray& TForm3::upperText()
{
    if (!m_upperTextValid) {
        m_upperText = yuscii::yupperW(DBRichEdit1->yusciiText());
        m_upperTextValid = true;
    }
    return m_upperText;
}

void TForm3::nadjitekst()
{
    guarded([this] {
        pretrazivac.setText(upperText());
        findFrom(yuscii::yupperW(Edit1->yuscii()));
    });
    Edit1->setFocus();
}

void TForm3::FindDialog1Find(const QByteArray& findText)
{
    guarded([&] { findFrom(findText); });
    Edit1->setFocus();
}

void TForm3::findFrom(const QByteArray& term)
{
    if (term.isEmpty()) {
        return;
    }
    for (;;) {
        const int hit = pretrazivac.findNext(term);
        if (hit >= 0) {
            DBRichEdit1->select(hit, int(term.size()));
            DBRichEdit1->setFocus();
            return;
        }
        if (!platform::prompter().confirm(
                "Trazena rec nije pronadjena.\r\nZelite li da ponovite pretragu od pocetka teksta?")) {
            return;
        }
        DBRichEdit1->select(0, 0);
        pretrazivac.select(0, 0);
    }
}

void TForm3::SpeedButton2Click()
{
    if (clanovi->count() > 0) {
        setArticlesPanelWidth(articlesPanelWidth() == PanelShown ? PanelCollapsed : PanelShown);
    } else {
        ubaciclanove();
    }
    DBRichEdit1->viewport()->update();
}

QByteArray TForm3::articleEntry(int row) const
{
    const QListWidgetItem* item = clanovi->item(row);
    return item != nullptr ? item->data(Qt::UserRole).toByteArray() : QByteArray();
}

void TForm3::showArticleEntries()
{
    const Script script = scriptOf(m_field);
    clanovi->setFont(QFont(fontOf(script)));
    for (int row = 0; row < clanovi->count(); ++row) {
        clanovi->item(row)->setText(display::toUnicode(articleEntry(row), script));
    }
}

void TForm3::ubaciclanove()
{
    clanovi->clear();
    for (const viewer::ArticleHeading& heading : viewer::articleHeadings(DBRichEdit1->yusciiText())) {
        auto* item = new QListWidgetItem(clanovi);
        item->setData(Qt::UserRole, heading.entry);
    }
    showArticleEntries();
    QCoreApplication::processEvents();
    DBRichEdit1->select(0, 0);
    setArticlesPanelWidth(PanelShown);
}

void TForm3::clanoviDblClick()
{
    QListWidgetItem* item = clanovi->currentItem();
    if (item == nullptr || !item->isSelected()) {
        return;
    }
    guarded([&] {
        // The headings of the text shown now: after a switch of script the list still holds the
        // other text's entries, whose twins stand at other positions.
        const QList<viewer::ArticleHeading> headings = viewer::articleHeadings(DBRichEdit1->yusciiText());
        const int row = clanovi->row(item);
        const viewer::ArticleHeading* target = nullptr;
        if (headings.size() == clanovi->count()) {
            target = &headings[row];
        } else {
            const QByteArray entry = articleEntry(row);
            for (const viewer::ArticleHeading& h : headings) {
                if (h.entry == entry) {
                    target = &h;
                    break;
                }
            }
        }
        DBRichEdit1->select(0, 0);
        if (target != nullptr) {
            DBRichEdit1->select(target->position, int(target->entry.size()));
        }
        DBRichEdit1->setFocus();
    });
}

void TForm3::konverzija()
{
    guarded([this] {
        setTextField(m_field == "Latinica" ? "Cirilica" : "Latinica");
        const Script script = scriptOf(m_field);
        showArticleEntries();
        Edit1->setFont(QFont(fontOf(script)));
        Edit1->setScript(script);
        loadText();
        writeLengthText();
        if (!showsOpinion()) {
            loadNotesPreview();
        }
    });
}

void TForm3::SpeedButton7Click()
{
    if (DBRichEdit1->selectionLength() < 1) {
        platform::prompter().message("Prvo obelezite tekst koji zelite da iskopirate");
        return;
    }
    DBRichEdit1->copySelection();
}

void TForm3::Kopiraj1Click()
{
    DBRichEdit1->copySelection();
}

void TForm3::SpeedButton6Click()
{
    guarded([this] {
        if (!platform::printerReady(this)) {
            return;
        }
        TTextOptions& options = PreviewPrinter1->TextOptions();
        const Script script = m_field != "Cirilica" ? Script::Latin : Script::Cyrillic;
        options.Header = display::toUnicode(kHeaderLine, script);
        for (TFont* font : {&options.FooterFont, &options.HeaderFont, &options.PageNumFont}) {
            font->setFamily(fontOf(script));
        }
        PreviewPrinter1->PrintRichEdit(DBRichEdit1);
        PreviewPrinter1->Preview();
    });
    if (isVisible()) {
        FormActivate();
    }
}

void TForm3::selektOznacizabrzootvaranje1Click()
{
    if (Form1 != nullptr) {
        Form1->addToQuickOpen(platform::caption(this));
    }
}

void TForm3::SpeedButton9Click()
{
    if (Form1 == nullptr) {
        return;
    }
    Form1->searchArchiveFor(platform::caption(this));
    if (selekt != nullptr) {
        selekt->close();
    }
    close();
}

void TForm3::Prikazirelacije1Click()
{
    showOver([] {
        if (relacije != nullptr) {
            relacije->showForViewerDocument();
        }
    });
}

void TForm3::AppDeactivate()
{
    platform::appclear();
}
