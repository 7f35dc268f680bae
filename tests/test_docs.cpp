// The manual pages and the README against the programs: every page renders
// without a warning, every option a program's --help offers (and every
// command of lumivane) is written up where an operator looks for it, and
// the README's first command says at once when there is no display.
#include "harness.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kSourceDir = QStringLiteral(LUMIVANE_SOURCE_DIR);

// The lines of a help text's section ("Options:", "Commands:") up to the
// next blank line.
QStringList helpSection(const QString &help, const QString &heading)
{
    const QStringList lines = help.split(u'\n');
    const qsizetype start = lines.indexOf(heading);
    QStringList section;
    for (qsizetype i = start + 1; start >= 0 && i < lines.size() && !lines[i].trimmed().isEmpty(); ++i)
        section << lines[i];
    return section;
}

// The spellings of each option, "-p" and "--port" together, read from the
// first column of the help's option lines ("  -p, --port N|PATH  Port...").
QList<QStringList> helpOptions(const QString &help)
{
    static const QRegularExpression spelling(QStringLiteral("(?:^|[ ,|\\[])(--?[A-Za-z][\\w-]*)"));
    QList<QStringList> options;
    for (const QString &line : helpSection(help, QStringLiteral("Options:"))) {
        const QString column = line.trimmed().split(QStringLiteral("  ")).first();
        if (!column.startsWith(u'-'))
            continue; // a description's second line
        QStringList spellings;
        for (const QRegularExpressionMatch &match : spelling.globalMatch(column))
            spellings << match.captured(1);
        if (!options.contains(spellings))
            options << spellings;
    }
    return options;
}

// The commands of a help's "Commands:" section, each the first word of its
// line.
QStringList helpCommands(const QString &help)
{
    QStringList commands;
    for (const QString &line : helpSection(help, QStringLiteral("Commands:"))) {
        if (line.startsWith(QStringLiteral("  ")) && !line.startsWith(QStringLiteral("   ")))
            commands << line.trimmed().section(u' ', 0, 0);
    }
    return commands;
}

bool namesWord(const QString &text, const QString &word)
{
    return text.contains(QRegularExpression(QStringLiteral("(?:^|[^\\w-])%1(?:[^\\w-]|$)")
                                                .arg(QRegularExpression::escape(word))));
}

// A manual page as an operator reads it: plain text, lines not broken.
QString rendered(const QString &page)
{
    return QString::fromUtf8(runProgram(QStringLiteral("groff"), {"-man", "-Tascii", "-P-cbou", "-rLL=300n", page}).out);
}

// The lines of a rendered page's section, up to the next heading.
QStringList pageSection(const QString &text, const QString &heading)
{
    QStringList section;
    bool inside = false;
    for (const QString &line : text.split(u'\n')) {
        if (!line.isEmpty() && !line.front().isSpace())
            inside = line == heading;
        else if (inside)
            section << line;
    }
    return section;
}

// The tags of a section's items: the text of a line indented by seven
// columns, up to the description beside it.
QStringList tags(const QStringList &section)
{
    QStringList tags;
    for (const QString &line : section) {
        if (line.startsWith(QStringLiteral("       ")) && !line.at(7).isSpace())
            tags << line.mid(7).split(QStringLiteral("  ")).first();
    }
    return tags;
}

// The README's synopsis lines of a program: its code lines that start with
// the program's name.
QString readmeSynopses(const QString &readme, const QString &program)
{
    QStringList synopses;
    for (const QString &line : readme.split(u'\n')) {
        if (line.startsWith(QStringLiteral("    ") + program + u' '))
            synopses << line;
    }
    return synopses.join(u'\n');
}

} // namespace

class TestDocs : public QObject {
    Q_OBJECT
private slots:
    void docsNameEveryOption_data();
    void docsNameEveryOption();
    void runMonitorSaysAtOnceThatThereIsNoDisplay_data();
    void runMonitorSaysAtOnceThatThereIsNoDisplay();
};

void TestDocs::docsNameEveryOption_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("manual"); // the manual page, else the README
    for (const char *program : {"lumivane", "lumivane-monitor", "lumivane-sim"}) {
        QTest::newRow(qPrintable(QStringLiteral("%1 README").arg(program))) << QString(program) << false;
        QTest::newRow(qPrintable(QStringLiteral("%1(1)").arg(program))) << QString(program) << true;
    }
}

void TestDocs::docsNameEveryOption()
{
    QFETCH(QString, program);
    QFETCH(bool, manual);
    const ProgramRun run = runProgram(QStringLiteral(LUMIVANE_BIN_DIR "/") + program, {"--help"});
    QCOMPARE(run.code, 0);
    const QString help = QString::fromUtf8(run.out);
    const QList<QStringList> options = helpOptions(help);
    QVERIFY2(options.size() >= 2, qPrintable(help));
    const QStringList commands = helpCommands(help);
    QCOMPARE(commands.isEmpty(), program != QLatin1String("lumivane"));

    // Every fault at once, so that one run shows all the docs to mend.
    QStringList missing;
    if (manual) {
        const QString source = kSourceDir + QStringLiteral("/packaging/man/%1.1").arg(program);
        const ProgramRun groff = runProgram(QStringLiteral("groff"), {"-ww", "-z", "-man", source});
        QVERIFY2(groff.code == 0, "groff runs (scripts/install-deps installs groff-base)");
        QCOMPARE(groff.err, QByteArray()); // the page renders without a warning
        const QString page = rendered(source);
        const QStringList optionTags = tags(pageSection(page, QStringLiteral("OPTIONS")));
        for (const QStringList &spellings : options) {
            const bool tagged = std::any_of(optionTags.begin(), optionTags.end(), [&](const QString &tag) {
                return std::all_of(spellings.begin(), spellings.end(),
                                   [&](const QString &spelling) { return namesWord(tag, spelling); });
            });
            if (!tagged)
                missing << QStringLiteral("no item %1 under OPTIONS").arg(spellings.join(QStringLiteral(", ")));
        }
        const QString synopsis = pageSection(page, QStringLiteral("SYNOPSIS")).join(u'\n');
        const QStringList commandTags = tags(pageSection(page, QStringLiteral("COMMANDS")));
        for (const QString &command : commands) {
            if (!namesWord(synopsis, command))
                missing << QStringLiteral("%1 not in the SYNOPSIS").arg(command);
            if (std::none_of(commandTags.begin(), commandTags.end(),
                             [&](const QString &tag) { return tag.startsWith(command); }))
                missing << QStringLiteral("no item %1 under COMMANDS").arg(command);
        }
    } else {
        const QString readme = QString::fromUtf8(readFile(kSourceDir + QStringLiteral("/README.md")));
        QVERIFY(!readme.isEmpty());
        for (const QStringList &spellings : options) {
            if (std::none_of(spellings.begin(), spellings.end(),
                             [&](const QString &spelling) { return namesWord(readme, spelling); }))
                missing << QStringLiteral("the README never names %1").arg(spellings.join(QStringLiteral(", ")));
        }
        const QString synopses = readmeSynopses(readme, program);
        for (const QString &command : commands) {
            if (!namesWord(synopses, command))
                missing << QStringLiteral("no README synopsis of %1").arg(command);
        }
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral("; "))));
}

void TestDocs::runMonitorSaysAtOnceThatThereIsNoDisplay_data()
{
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("why");
    QTest::newRow("none") << QStringList{} << "DISPLAY is not set";
    QTest::newRow("a stale X display") << QStringList{"DISPLAY=:4242"}
                                       << "the X display :4242 does not answer (no /tmp/.X11-unix/X4242)";
    QTest::newRow("a Wayland display gone") << QStringList{"WAYLAND_DISPLAY=wayland-lumivane-gone"}
                                            << "the Wayland display wayland-lumivane-gone does not answer";
}

// Installing and building take minutes on a fresh machine: stand-ins for
// them say whether the script got that far.
void TestDocs::runMonitorSaysAtOnceThatThereIsNoDisplay()
{
    QFETCH(QStringList, environment);
    QFETCH(QString, why);
    QTemporaryDir tree;
    QVERIFY(QDir(tree.path()).mkdir(QStringLiteral("scripts")));
    QVERIFY(QFile::copy(kSourceDir + QStringLiteral("/scripts/run-monitor"), tree.filePath("scripts/run-monitor")));
    for (const char *step : {"install-deps", "build"}) {
        const QString stand = writeFile(tree.filePath(QStringLiteral("scripts/%1").arg(step)),
                                        "#!/bin/sh\necho \"$0 ran\"\nexit 3\n");
        QVERIFY(QFile::setPermissions(stand, QFile::permissions(stand) | QFileDevice::ExeOwner));
    }
    const ProgramRun script =
        runProgram(QStringLiteral("bash"), {tree.filePath("scripts/run-monitor")},
                   QStringList{"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR=" + tree.path()}
                       + environment);
    QCOMPARE(script.code, 1);
    QCOMPARE(QString::fromUtf8(script.out),
             QStringLiteral("No display: %1; run this from a desktop session (or under Xvfb with DISPLAY set).\n")
                 .arg(why));
}

QTEST_GUILESS_MAIN(TestDocs)
#include "test_docs.moc"
