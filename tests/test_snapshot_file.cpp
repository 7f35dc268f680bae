// Saving a snapshot on a disk that fills up: it fails with the reason, a
// file already there stays as it was, and nothing half-written is left. A
// small file system of the test's own needs root; a write that runs out of
// room part of the way does not.
#include "snapshot_csv.h"
#include "snapshot_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>

namespace {

const QByteArray kOld = "channel,level\n1,10\n";

// Writes until the file system says it is full.
bool fillUp(const QString &path)
{
    QFile filler(path);
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray block(1024, 'x');
    while (filler.write(block) == block.size()) {
    }
    return true;
}

// Takes the first hundred bytes of a file, then finds the disk full.
qint64 writeUntilFull(int fd, const char *bytes, qint64 count)
{
    constexpr off_t kRoom = 100;
    const off_t at = ::lseek(fd, 0, SEEK_CUR);
    if (at < 0 || at >= kRoom) {
        errno = ENOSPC;
        return -1;
    }
    return ::write(fd, bytes, size_t(std::min<qint64>(count, kRoom - at)));
}

} // namespace

class TestSnapshotFile : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void savedWholeOrNotAtAll_data();
    void savedWholeOrNotAtAll();

private:
    QTemporaryDir m_dir;
    QString m_disk; // a 16 KB file system of the test's own
    QString m_whyNoDisk;
};

void TestSnapshotFile::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_disk = m_dir.filePath(QStringLiteral("disk"));
    QVERIFY(QDir().mkdir(m_disk));
    if (::mount("tmpfs", QFile::encodeName(m_disk).constData(), "tmpfs", 0, "size=16k") != 0)
        m_whyNoDisk = QStringLiteral("a small tmpfs cannot be mounted here (%1); needs root").arg(std::strerror(errno));
}

void TestSnapshotFile::cleanupTestCase()
{
    if (m_whyNoDisk.isEmpty())
        ::umount2(QFile::encodeName(m_disk).constData(), MNT_DETACH);
}

void TestSnapshotFile::cleanup()
{
    const QDir disk(m_disk);
    for (const QString &name : disk.entryList(QDir::Files | QDir::Hidden))
        QFile::remove(disk.filePath(name));
}

void TestSnapshotFile::savedWholeOrNotAtAll_data()
{
    QTest::addColumn<bool>("existing");   // a file is already there
    QTest::addColumn<bool>("full");       // the small disk is full before the save
    QTest::addColumn<bool>("fillsUp");    // no small disk: the writes run out of room
    QTest::addColumn<bool>("saved");
    QTest::newRow("new file, room") << false << false << false << true;
    QTest::newRow("over a file, room") << true << false << false << true;
    QTest::newRow("new file, full disk") << false << true << false << false;
    QTest::newRow("over a file, full disk") << true << true << false << false;
    QTest::newRow("new file, filled by the save") << false << false << true << false;
    QTest::newRow("over a file, filled by the save") << true << false << true << false;
}

void TestSnapshotFile::savedWholeOrNotAtAll()
{
    QFETCH(bool, existing);
    QFETCH(bool, full);
    QFETCH(bool, fillsUp);
    QFETCH(bool, saved);
    if (!fillsUp && !m_whyNoDisk.isEmpty())
        QSKIP(qPrintable(m_whyNoDisk));
    const QString path = QDir(m_disk).filePath(QStringLiteral("live.csv"));
    if (existing) {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write(kOld) == kOld.size());
    }
    const QString filler = QDir(m_disk).filePath(QStringLiteral("filler"));
    if (full)
        QVERIFY(fillUp(filler));
    const QStringList before = QDir(m_disk).entryList(QDir::Files | QDir::Hidden);

    QByteArray levels;
    for (int channel = 1; channel <= 256; ++channel)
        levels += char(channel % 256);
    const QByteArray snapshot = snapshotCsv(1, levels).toUtf8();
    QString error;
    QCOMPARE(saveWholeFile(path, snapshot, error, fillsUp ? writeUntilFull : nullptr), saved);

    QFile file(path);
    if (saved) {
        QVERIFY(error.isEmpty());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), snapshot);
        return;
    }
    QCOMPARE(error, QString::fromLocal8Bit(std::strerror(ENOSPC)));
    QCOMPARE(QDir(m_disk).entryList(QDir::Files | QDir::Hidden), before); // no half-written file
    if (existing) {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), kOld);
    }
}

QTEST_GUILESS_MAIN(TestSnapshotFile)
#include "test_snapshot_file.moc"
