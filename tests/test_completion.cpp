// The installed bash completions, run by bash as the shell runs them on Tab:
// the words so far in, the offered words out.
#include <QFile>
#include <QProcess>
#include <QTest>

namespace {

const QString kBashCompletion = QStringLiteral("/usr/share/bash-completion/bash_completion");

// Bash hands a completion "--format=c" as the three words --format, = and c.
const char kScript[] = R"(source "$1"; source "$2"; function=$3; shift 3
COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
COMP_LINE="${COMP_WORDS[*]}"; COMP_LINE=${COMP_LINE// = /=}; COMP_POINT=${#COMP_LINE}
"$function"; echo "${COMPREPLY[*]}")";

} // namespace

class TestCompletion : public QObject {
    Q_OBJECT
private slots:
    void offers_data();
    void offers();
};

void TestCompletion::offers_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("words"); // the last one is being completed
    QTest::addColumn<QString>("offered");
    QTest::newRow("--format=c") << "lumivane" << QStringList{"--format", "=", "c"} << "csv";
    QTest::newRow("-f j") << "lumivane" << QStringList{"-f", "j"} << "json";
    QTest::newRow("command after --format=csv") << "lumivane" << QStringList{"--format", "=", "csv", "re"}
                                                << "read record report";
    QTest::newRow("command after -p 2") << "lumivane" << QStringList{"-p", "2", "wa"} << "watch";
    QTest::newRow("--no-header") << "lumivane" << QStringList{"--no"} << "--no-header";
    QTest::newRow("watch's options") << "lumivane" << QStringList{"watch", "1", "--"}
                                     << "--port --format --no-header --interval --count --changes --heartbeat "
                                        "--still-after";
    QTest::newRow("bridge's options") << "lumivane" << QStringList{"bridge", "--"}
                                      << "--port --universe --priority --ola-port";
    QTest::newRow("check against OLA") << "lumivane" << QStringList{"check", "--ola-universe", "7", "--ola"}
                                       << "--ola-universe --ola-port";
    QTest::newRow("report's options") << "lumivane" << QStringList{"report", "--"}
                                      << "--port --format --no-header --duration --recording --spike-threshold";
    QTest::newRow("ports' options") << "lumivane" << QStringList{"ports", "--"} << "--format --no-header";
    QTest::newRow("sim --channels=2") << "lumivane-sim" << QStringList{"--channels", "=", "2"} << "256";
    QTest::newRow("sim --rep") << "lumivane-sim" << QStringList{"--rep"} << "--replay";
    QTest::newRow("monitor --") << "lumivane-monitor" << QStringList{"--"} << "--help --version";
    QTest::newRow("monitor -platform o") << "lumivane-monitor" << QStringList{"-platform", "o"} << "offscreen";
}

void TestCompletion::offers()
{
    QFETCH(QString, program);
    QFETCH(QStringList, words);
    QFETCH(QString, offered);
    QVERIFY2(QFile::exists(kBashCompletion), "scripts/install-deps installs bash-completion");
    const QString file = QStringLiteral(LUMIVANE_SOURCE_DIR "/packaging/bash-completion/") + program;
    QProcess bash;
    bash.start(QStringLiteral("bash"), QStringList{"-c", QString::fromLatin1(kScript), "bash", kBashCompletion, file,
                                                   "_" + QString(program).replace(u'-', u'_'), program}
                                           + words);
    QVERIFY(bash.waitForFinished(20000));
    QCOMPARE(bash.readAllStandardError(), QByteArray());
    QCOMPARE(QString::fromUtf8(bash.readAllStandardOutput()).trimmed(), offered);
}

QTEST_GUILESS_MAIN(TestCompletion)
#include "test_completion.moc"
