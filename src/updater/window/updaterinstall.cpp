// Installing an extracted archive into the live tables, and the verification and rebuild of one
// table.

#include "updaterwindow.h"

#include "appvalues.h"
#include "error.h"
#include "failuremessages.h"
#include "listfiles.h"
#include "logger.h"
#include "mainwindow.h"
#include "paths.h"
#include "prompter.h"
#include "repair.h"
#include "session.h"
#include "sessionsetup.h"
#include "tables.h"
#include "updaterules.h"
#include "usermessages.h"

#include <optional>
#include <QCoreApplication>
#include <QDate>
#include <QFileInfo>

data::MainTables& Tupdater::mainTables()
{
    if (Form1 != nullptr) {
        return *Form1;
    }
    if (!m_ownTables) {
        m_ownTables = std::make_unique<data::MainTables>();
    }
    return *m_ownTables;
}

engine::Table& Tupdater::attachmentsTable()
{
    if (data::AttachmentTables* tables = data::attachmentTables()) {
        return tables->Table1;
    }
    if (!m_ownAttachments) {
        m_ownAttachments = std::make_unique<engine::Table>();
        m_ownAttachments->setObjectName(QStringLiteral("Table1"));
        m_ownAttachments->setDatabaseName(data::DatabaseAlias);
        m_ownAttachments->setTableName(QStringLiteral("TB_grafika.DB"));
    }
    return *m_ownAttachments;
}

engine::Table* Tupdater::importTarget(const updates::ImportRow& row)
{
    return updates::targetAmong(mainTables(), attachmentsTable(), row);
}

void Tupdater::ubivalove()
{
    updates::removeValidityFiles(engine::session().aliasFolder(data::DatabaseAlias));
}

void Tupdater::popuninajnovije(engine::Table& regulations)
{
    const QByteArrayList titles = updates::newestTitles(regulations);
    if (Form1 != nullptr) {
        Form1->najnoviji = titles;
    }
}

bool Tupdater::azur(const QByteArray& archive)
{
    ubivalove();
    updates::InstallSteps steps;
    steps.target = [this](const updates::ImportRow& row) { return importTarget(row); };
    steps.rebuild = [this](engine::Table& table) { return Rebuild(table); };
    steps.newest = [this](engine::Table& regulations) { popuninajnovije(regulations); };
    steps.progress = [this](const QString& file) {
        logBare("Instalacija " + QFile::encodeName(QFileInfo(file).fileName()));
        QCoreApplication::processEvents();
    };
    // The tables are read from the folder the archive was extracted into, as the run opened it.
    const QString opened = m_folders != nullptr ? m_folders->openedExtractionFolder() : QString();
    const updates::InstallResult result =
        updates::installTables(opened.isEmpty() ? updates::extractionFolder() : opened, steps);
    if (!result.ok()) {
        logLine(" " + result.failure.toUtf8());
    }
    // A failed rebuild has told its own message, naming the table; any other failure is told here.
    std::optional<engine::Error> failure = result.error;
    // The tables are opened again whatever happened, so the main window has them; one that does
    // not open fails the archive like any other failure.
    try {
        reopenTables();
    } catch (const engine::Error& e) {
        logLine(" " + e.message().toUtf8());
        if (!failure && !result.rebuildFailed) {
            failure = e;
        }
    }
    try {
        if (Form1 != nullptr) {
            Form1->proveripropise();
        }
    } catch (const engine::Error& e) {
        logLine(" " + e.message().toUtf8());
    }
    if (failure) {
        platform::prompter().message(
            result.archiveFault ? updates::faultyArchiveTableMessage(archive, *failure, result.installed.isEmpty())
                                : updates::installFailureMessage(*failure));
        return false;
    }
    if (!result.ok()) {
        return false;
    }
    // Only a complete install moves the date; a failed archive is installed again by the next run.
    const QString separator(QLatin1Char(appvalues::DateSeparator));
    appvalues::LastUpdateDate =
        QDate::currentDate().toString(QStringLiteral("dd") + separator + "MM" + separator + "yyyy").toLatin1();
    return true;
}

void Tupdater::reopenTables()
{
    data::MainTables& m = mainTables();
    std::optional<engine::Error> first;
    for (engine::Table* t : {&attachmentsTable(), &m.Glavna, &m.misljenja, &m.arhiva, &m.ministarstva, &m.link,
                             &m.Zakoni, &m.oblasti, &m.vrstezakona, &m.ugovori, &m.Glasnici}) {
        try {
            t->open();
        } catch (const engine::Error& e) {
            // The others are still opened; the first failure is told, naming its table.
            if (!first) {
                first = e.namingFile(t->tableName());
            }
        }
    }
    if (first) {
        throw *first;
    }
}

// The newest list is part of the install: saved before the archive counts as installed, it holds
// the same titles however the program ends afterwards.
bool Tupdater::saveNewest()
{
    if (Form1 == nullptr) {
        return true;
    }
    const QString why =
        listfiles::save(platform::programFile(QLatin1String(listfiles::NewestFile)), Form1->najnoviji).systemText;
    if (!why.isEmpty()) {
        logLine(" neuspelo snimanje novo.lst (" + why.toLocal8Bit() + ")");
        platform::prompter().message("Azuriranje nije uspelo\r\nDatoteka novo.lst ne mo`e da se snimi.");
        return false;
    }
    logLine(" snimljen novo.lst");
    return true;
}

bool Tupdater::Rebuild(engine::Table& table)
{
    const engine::RebuildResult result = m_dbeUtil->rebuild(table);
    if (!result.findings.isEmpty()) {
        logLine(" " + table.objectName().toUtf8() + ": " + result.findings.join(QStringLiteral("; ")).toUtf8());
    }
    if (!result.rebuilt) {
        logLine(" " + table.objectName().toUtf8() + ": " + result.error.toUtf8());
        // The reason in the program's language, of the table's own file: the rebuild's copy is
        // the program's business.
        const engine::Error why(result.errorKind, table.locateFile(), result.error);
        platform::prompter().message("Greska u snimanju podataka azuriranih za bazu: " + table.objectName().toLatin1() +
                                     "\r\n" + data::userMessage(why));
        return false;
    }
    // A damaged table kept what could be read; the user learns what it lost and where its
    // original is kept, as after a repair.
    if (const QByteArray lost = repair::lossMessage(table.locateFile(), result); !lost.isEmpty()) {
        logLine(" " + lost);
        platform::prompter().message(lost);
    }
    return true;
}

void Tupdater::Verify(engine::Table& table)
{
    int level = 0;
    try {
        level = m_dbeUtil->verify(table).level;
    } catch (const engine::Error&) {
        return;
    }
    platform::prompter().message(verificationMessage(level));
}
