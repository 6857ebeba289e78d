// Unsaved parts survive a killed window: a second process types parts and is killed; the next
// window offers them back.
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <cstdio>

#include "app/Callbacks_stv.h"
#include "app/recovery_stv.h"
#include "app_test_support.h"
#include "i18n/recovery_texts.h"

namespace {

const QString kChildMode = QStringLiteral("--type-and-wait");

// The environment of temporary_environment, for a folder named on the command line.
app_environment EnvironmentIn(const QString& folder)
{
    app_environment environment;
    const QString settings_file = QDir(folder).filePath(QStringLiteral("settings.ini"));
    environment.open_settings = [settings_file] {
        return std::make_unique<QSettings>(settings_file, QSettings::IniFormat);
    };
    environment.program_directory = QDir(folder).filePath(QStringLiteral("program")) + QLatin1Char('/');
    environment.data_directory = QDir(folder).filePath(QStringLiteral("data"));
    QDir().mkpath(environment.program_directory);
    return environment;
}

QString CopyIn(const QString& folder) { return QDir(folder).filePath(QStringLiteral("data/unsaved-parts.xml")); }

const QList<QStringList> kTypedRows = {
    {QStringLiteral("600"), QStringLiteral("400"), QStringLiteral("2"), QString(), QStringLiteral("Door")},
    {QStringLiteral("812.5"), QStringLiteral("300"), QStringLiteral("1"), QString(), QStringLiteral("Shelf")},
};

// The child: types parts, waits for the recovery copy, says so and waits to be killed.
int TypeAndWait(const QString& folder)
{
    prompt_recorder prompts;
    prompts.Install();
    Tf2D window(EnvironmentIn(folder));
    window.resize(1200, 800);
    window.show();
    QTest::qWait(50);
    window.Callbacks().clear_parts_grid();
    window.sgParts->setFocus();
    // The rows are filled in, then one cell is typed as a user would, which makes the list unsaved.
    for (int row = 0; row < kTypedRows.size(); ++row) FillRow(*window.sgParts, row + 1, kTypedRows[row]);
    TypeIntoCell(*window.sgParts, 4, 1, kTypedRows[0][4]);
    // A copy written while typing may hold part of the rows: the next one after typing holds all.
    QTest::qWait(TPartsRecovery::kIntervalMs + 500);
    for (int waited = 0; !QFileInfo::exists(CopyIn(folder)) && waited < 20000; waited += 100) QTest::qWait(100);
    std::printf("%s\n", QFileInfo::exists(CopyIn(folder)) ? "ready" : "no copy");
    std::fflush(stdout);
    for (;;) QTest::qWait(1000);
}

}  // namespace

class RecoveryTest : public QObject {
    Q_OBJECT

private slots:
    void killedWindowsPartsAreOfferedBack()
    {
        temporary_environment place;
        const QString folder = place.folder.path();
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("HOME"), folder);
        environment.insert(QStringLiteral("XDG_DATA_HOME"), QDir(folder).filePath(QStringLiteral("xdg")));
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {kChildMode, folder});
        QVERIFY(child.waitForStarted());
        QByteArray said;
        while (!said.contains('\n') && child.waitForReadyRead(30000)) said += child.readAllStandardOutput();
        QCOMPARE(said.trimmed(), QByteArray("ready"));
        child.kill();
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        prompt_recorder prompts;
        prompts.answers = {true};
        prompts.Install();
        auto window = std::make_unique<Tf2D>(EnvironmentIn(folder));
        window->show();
        QTRY_COMPARE(prompts.questions.size(), 1);
        QCOMPARE(prompts.questions.first(),
                 QString::fromStdWString(std::wstring(RecoveryText(recovery_text::RestoreOffer))));
        for (int row = 0; row < kTypedRows.size(); ++row) QCOMPARE(RowTexts(*window->sgParts, row + 1), kTypedRows[row]);
        QCOMPARE(CellText(*window->sgParts, 0, 3), QString());
        QVERIFY(window->PartsModified());

        // Closing normally (declining to save) leaves no copy, so the next start asks nothing.
        prompts.answers = {false};
        window->close();
        QVERIFY(!QFileInfo::exists(CopyIn(folder)));
        window.reset();
        prompts.questions.clear();
        Tf2D next(EnvironmentIn(folder));
        next.show();
        QTest::qWait(100);
        QVERIFY(prompts.questions.isEmpty());
        ResetPrompts();
    }
};

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc == 3 && QString::fromLocal8Bit(argv[1]) == kChildMode) return TypeAndWait(QString::fromLocal8Bit(argv[2]));
    RecoveryTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_recovery.moc"
