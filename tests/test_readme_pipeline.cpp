// The README's `lumivane watch | awk` line, run as written against the
// simulated box: its awk must act on each reading as it comes. mawk, the
// awk every Debian system has, reads a pipe a whole buffer at a time unless
// told otherwise, and the line would then say nothing until the watch ended.
#include "harness.h"

#include <QFile>
#include <QProcess>
#include <QTest>

namespace {

const char kWatchEnded[] = "test: the watch has ended";

// The README's example that pipes a watch into awk, without its indent.
QString readmeWatchLine()
{
    QFile readme(QStringLiteral(LUMIVANE_SOURCE_DIR "/README.md"));
    if (!readme.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    while (!readme.atEnd()) {
        const QString line = QString::fromUtf8(readme.readLine()).trimmed();
        if (line.startsWith(QLatin1String("lumivane watch")) && line.contains(QLatin1String("awk")))
            return line;
    }
    return {};
}

// A `lumivane` first on the PATH that runs the real one with a count, so the
// watch ends by itself, and says on standard error when it has.
bool writeCountedLumivane(const QString &path, int count)
{
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly))
        return false;
    script.write(QStringLiteral("#!/bin/sh\n\"%1\" \"$@\" --count %2\necho '%3' >&2\n")
                     .arg(QStringLiteral(LUMIVANE_BIN_DIR "/lumivane"))
                     .arg(count)
                     .arg(QLatin1String(kWatchEnded))
                     .toUtf8());
    script.close();
    return script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
}

} // namespace

class TestReadmePipeline : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void awkSeesEachReadingAsItComes();

private:
    SimulatedBox m_box;
};

// Channel 5 pinned above the line's threshold of 200.
void TestReadmePipeline::initTestCase()
{
    m_box.start({"--level", "5=230"});
}

void TestReadmePipeline::cleanupTestCase()
{
    m_box.stop();
}

// awk's line comes out while the watch still runs: awk then exits, and the
// watch ends at its next reading on the closed pipe, long before its count.
// An awk that waits for a full buffer prints only after the watch has ended.
void TestReadmePipeline::awkSeesEachReadingAsItComes()
{
    const QString line = readmeWatchLine();
    QVERIFY2(!line.isEmpty(), "README has no `lumivane watch … | awk` line");
    QVERIFY(writeCountedLumivane(m_box.filePath(QStringLiteral("lumivane")), 40));

    QProcess shell;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), m_box.path() + u':' + environment.value(QStringLiteral("PATH")));
    environment.insert(QStringLiteral("LUMIVANE_PORT1"), m_box.link());
    shell.setProcessEnvironment(environment);
    // One channel for both, so what comes out keeps the order it was written in.
    shell.setProcessChannelMode(QProcess::MergedChannels);
    shell.start(QStringLiteral("/bin/bash"), {QStringLiteral("-c"), line});
    QVERIFY(shell.waitForStarted());
    QVERIFY2(shell.waitForFinished(60000), "the pipeline hung");

    const QList<QByteArray> said = shell.readAll().split('\n');
    QCOMPARE(shell.exitStatus(), QProcess::NormalExit);
    QCOMPARE(shell.exitCode(), 0);
    QVERIFY2(said.size() >= 2, said.join('\n').constData());
    QCOMPARE(said.at(0), QByteArray("channel 5 up: 230"));
    QCOMPARE(said.at(1), QByteArray(kWatchEnded));
}

QTEST_GUILESS_MAIN(TestReadmePipeline)
#include "test_readme_pipeline.moc"
