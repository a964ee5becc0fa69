#include "programfixture.h"

#include "appvalues.h"
#include "listfiles.h"

#include <QProcess>

// The program as a new user first meets it: a collection made with the generator in the program's
// folder, no configuration file of the user's.
class TestFirstRun : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        appvalues::DataVersion.clear();
        appvalues::LastUpdateDate = "9/12/2019";
    }

    void generatedCollectionShowsItsVersion()
    {
        ProgramFixture program(0);
        const QString generator = QDir(testsupport::binFolder()).filePath("korvelin-demo");
        QCOMPARE(QProcess::execute(generator, {program.path("Podatci"), "--regulations", "20", "--text-kb", "1"}), 0);
        const QByteArrayList written = listfiles::load(program.path("korvelin.cfg"));
        QCOMPARE(written.size(), 10);
        QCOMPARE(written.at(9), QByteArray("2.2.0"));

        program.start();
        QString title;
        QVERIFY(program.runMainWindow([&] { title = program.form1->windowTitle(); }));
        QCOMPARE(title, QStringLiteral("Elektronski Korvelin (ver.2.2.0)"));
        QVERIFY(program.prompter.unexpected().isEmpty());
        // Closing writes the version back.
        QCOMPARE(listfiles::load(program.path("korvelin.cfg")).value(9), QByteArray("2.2.0"));
    }

    void usersConfigurationStays()
    {
        ProgramFixture program(0);
        const QByteArray mine = "7\r\n0\r\nBez proxy-ja\r\n\r\n\r\n11\r\n12\r\n13\r\n1/2/2020\r\n3.1.4\r\n";
        program.writeFile("korvelin.cfg", mine);
        const QString generator = QDir(testsupport::binFolder()).filePath("korvelin-demo");
        QCOMPARE(QProcess::execute(generator, {program.path("Podatci/"), "--regulations", "20", "--text-kb", "1"}), 0);
        QCOMPARE(program.readFile("korvelin.cfg"), mine);
        // A collection made anywhere else leaves the folder above it alone.
        QCOMPARE(QProcess::execute(generator, {program.path("elsewhere/zbirka"), "--regulations", "20"}), 0);
        QVERIFY(!QFile::exists(program.path("elsewhere/korvelin.cfg")));
    }
};

QTEST_MAIN(TestFirstRun)
#include "tst_firstrun.moc"
