// The opinions tab's word search on 5,000 opinions, through the tab's own handler: the title
// search against its target, and the title-and-text search beside grep -F -c over the same
// opinions' texts written out as files, both run in turn on the same data in one run.

#include "collection.h"
#include "windowbench.h"

#include "paths.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QTreeWidget>

namespace {

constexpr double kTitleTargetMs = 20;
constexpr double kGrepRatioTarget = 1.5;
constexpr int kRounds = 11;
// A word of the texts that no title holds, so every text is read; as stored, and as typed.
constexpr const char* kTextWord = "inostranstvom";
constexpr const char* kTypedTextWord = "INOSTRANSTVOM";
constexpr const char* kTitleWord = "POREZ";

// Each opinion's stored Latin text in a file of its own, as grep reads them.
QString writeTexts()
{
    const QString dir = QDir(benchdata::opinionsFolder()).filePath(QStringLiteral("texts"));
    const QString marker = QDir(dir).filePath(QStringLiteral("complete"));
    if (QFile::exists(marker)) {
        return dir;
    }
    QDir().mkpath(dir);
    engine::Table t;
    t.setDatabaseName(data::DatabaseAlias);
    t.setTableName(QStringLiteral("TB_Misljenja.db"));
    t.open();
    const engine::Field latin = t.fieldByName("Latinica");
    for (t.first(); !t.eof(); t.next()) {
        QFile f(QDir(dir).filePath(QStringLiteral("%1.rtf").arg(t.field(0).asInteger(), 5, 10, QLatin1Char('0'))));
        if (f.open(QIODevice::WriteOnly)) {
            f.write(latin.asBytes());
        }
    }
    QFile(marker).open(QIODevice::WriteOnly);
    return dir;
}

// grep -F -c over the folder; returns the number of files with a match.
int runGrep(const QString& dir)
{
    QProcess grep;
    grep.start(QStringLiteral("grep"),
               {QStringLiteral("-F"), QStringLiteral("-c"), QStringLiteral("-r"), QString::fromLatin1(kTextWord), dir});
    grep.waitForFinished(-1);
    int files = 0;
    for (const QByteArray& line : grep.readAllStandardOutput().split('\n')) {
        files += !line.isEmpty() && !line.endsWith(":0");
    }
    return files;
}

double searchMs(TForm1& form, const char* query, bool texts, int rounds)
{
    form.Edit8->setText(QString::fromLatin1(query));
    (texts ? form.RadioButton3 : form.RadioButton4)->setChecked(true);
    return benchdata::medianMs(rounds, [&] { form.SpeedButton14Click(); });
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchdata::prepareOpinions();
    platform::setProgramFolder(benchdata::opinionsFolder());
    TForm1 form;
    benchdata::openTablesAndLists(form);
    const QString texts = writeTexts();

    const double title = searchMs(form, kTitleWord, false, kRounds * 3);
    const int titleHits = form.Listbox6->topLevelItemCount();

    // Alternating rounds, so both sides see the same state of the machine and of the file cache.
    std::vector<double> ours;
    std::vector<double> grep;
    int grepFiles = 0;
    runGrep(texts);
    for (int i = 0; i < kRounds; ++i) {
        ours.push_back(searchMs(form, kTypedTextWord, true, 1));
        QElapsedTimer clock;
        clock.start();
        grepFiles = runGrep(texts);
        grep.push_back(clock.nsecsElapsed() / 1e6);
    }
    const int textHits = form.Listbox6->topLevelItemCount();
    std::sort(ours.begin(), ours.end());
    std::sort(grep.begin(), grep.end());
    const double oursMs = ours[ours.size() / 2];
    const double grepMs = grep[grep.size() / 2];
    const double ratio = oursMs / grepMs;

    std::printf("Opinions search over %d opinions (median of rounds):\n", form.misljenja.recordCount());
    std::printf("  title search \"%s\": %.1f ms, %d found (target < %.0f ms) %s\n", kTitleWord, title, titleHits,
                kTitleTargetMs, title < kTitleTargetMs ? "OK" : "MISSED");
    std::printf("  title-and-text search \"%s\": %.1f ms, %d found\n", kTypedTextWord, oursMs, textHits);
    std::printf("  grep -F -c over the same texts as files: %.1f ms, %d files with a match\n", grepMs, grepFiles);
    std::printf("  ratio %.2f (target <= %.1f) %s\n", ratio, kGrepRatioTarget,
                ratio <= kGrepRatioTarget ? "OK" : "MISSED");
    return 0;
}
