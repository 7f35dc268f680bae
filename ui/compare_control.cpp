#include "compare_control.h"

#include "file_question.h"
#include "level_comparison.h"
#include "live_fetch.h"
#include "push_button.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>
#include <limits>

namespace {

// The file's table, or why not: "path:line: why" as the command line says it.
std::optional<ExpectedLevels> readExpected(const QString &path, QString &error)
{
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(shown, file.errorString());
        return std::nullopt;
    }
    // A file far longer than any table of levels is not read to its end.
    const QByteArray text = file.read(ExpectedLevels::kLongestFile + 1);
    if (file.error() != QFileDevice::NoError) {
        error = QStringLiteral("cannot read %1: %2").arg(shown, file.errorString());
        return std::nullopt;
    }
    ExpectedLevelsFault fault;
    std::optional<ExpectedLevels> expected = parseExpectedLevels(text, fault);
    if (!expected)
        error = fault.line > 0 ? QStringLiteral("%1:%2: %3").arg(shown).arg(fault.line).arg(fault.text)
                               : QStringLiteral("%1: %2").arg(shown, fault.text);
    return expected;
}

} // namespace

CompareControl::CompareControl(LiveFetch &fetch, Platform platform, QWidget *parent)
    : QWidget(parent)
    , m_fetch(fetch)
    , m_platform(std::move(platform))
    , m_differs(LiveFetch::kChannels)
{
    m_compare = pushButton(QStringLiteral("Compare with…"), QStringLiteral("cmdCompare"), this);
    m_compareOla = pushButton(QStringLiteral("Compare with OLA universe"), QStringLiteral("cmdCompareOla"), this);
    m_olaUniverse = new QSpinBox(this);
    m_olaUniverse->setObjectName(QStringLiteral("spnCompareUniverse"));
    m_olaUniverse->setAccessibleName(QStringLiteral("OLA universe to compare with"));
    m_olaUniverse->setRange(0, std::numeric_limits<int>::max());
    m_olaUniverse->setValue(1);
    m_tolerance = new QSpinBox(this);
    m_tolerance->setObjectName(QStringLiteral("spnTolerance"));
    m_tolerance->setAccessibleName(QStringLiteral("Tolerance"));
    m_tolerance->setRange(0, 255);
    m_stop = pushButton(QStringLiteral("Stop Comparing"), QStringLiteral("cmdStopComparing"), this);
    m_stop->setEnabled(false);
    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("lblCompare"));
    m_result->setTextFormat(Qt::PlainText);
    m_result->setWordWrap(true); // the window stays narrow beside the main window

    auto *row = new QHBoxLayout;
    row->addWidget(m_compare);
    row->addWidget(m_compareOla);
    row->addWidget(m_olaUniverse);
    row->addStretch(1);
    // What to compare with on one row, how and till when on the next: the
    // window stays narrow enough to stand beside the main window.
    auto *how = new QHBoxLayout;
    auto *within = new QLabel(QStringLiteral("within ±"), this);
    within->setBuddy(m_tolerance);
    how->addWidget(within);
    how->addWidget(m_tolerance);
    how->addWidget(m_stop);
    how->addStretch(1);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(row);
    column->addLayout(how);
    column->addWidget(m_result);

    connect(m_compare, &QPushButton::clicked, this, &CompareControl::chooseFile);
    connect(m_compareOla, &QPushButton::clicked, this, &CompareControl::compareWithOla);
    connect(&m_tap, &UniverseTap::stateChanged, this, &CompareControl::compare);
    connect(&m_tap, &UniverseTap::levelsArrived, this, &CompareControl::compare);
    connect(m_stop, &QPushButton::clicked, this, &CompareControl::stopComparing);
    connect(m_tolerance, &QSpinBox::valueChanged, this, &CompareControl::compare);
    // Direct: the marks are ready before the window draws the picture.
    connect(&m_fetch, &LiveFetch::updated, this, &CompareControl::compare);
    compare();
}

void CompareControl::chooseFile()
{
    askForFile(this,
               {QStringLiteral("dlgCompare"), QStringLiteral("Compare with"), QDir::homePath(),
                QStringLiteral("CSV files (*.csv);;All files (*)")},
               [this](const QString &path) { load(path); });
}

bool CompareControl::load(const QString &path)
{
    QString error;
    std::optional<ExpectedLevels> expected = readExpected(path, error);
    if (!expected) {
        m_platform.messageBox(this, QStringLiteral("Not compared: %1").arg(error), QStringLiteral("Compare with"));
        return false;
    }
    m_tap.stop();
    m_expected = std::move(expected);
    m_fileName = QFileInfo(path).fileName();
    m_stop->setEnabled(true);
    compare();
    return true;
}

void CompareControl::compareWithOla()
{
    m_expected.reset();
    m_tap.stop();
    m_settle.reset();
    m_tap.setUniverse(unsigned(m_olaUniverse->value()));
    m_tap.start();
    m_stop->setEnabled(true);
    compare();
}

void CompareControl::stopComparing()
{
    m_expected.reset();
    m_tap.stop();
    m_stop->setEnabled(false);
    compare();
}

std::optional<ExpectedLevels> CompareControl::expectation(QString &source)
{
    if (m_expected) {
        source = m_fileName;
        return m_expected;
    }
    const std::optional<QByteArray> levels = m_tap.levels();
    if (m_tap.state() != UniverseTap::State::Listening || !levels) {
        m_settle.reset();
        return std::nullopt;
    }
    source = QStringLiteral("OLA universe %1").arg(m_tap.universe());
    return expectedFromFrame(*levels, m_fetch.first(), m_fetch.last());
}

QString CompareControl::tapStateText() const
{
    const QString olad = QStringLiteral("127.0.0.1:%1").arg(m_tap.serverPort());
    const QString universe = QStringLiteral("OLA universe %1").arg(m_tap.universe());
    switch (m_tap.state()) {
    case UniverseTap::State::Off:
        return {};
    case UniverseTap::State::Waiting:
        return QStringLiteral("Not compared with %1: waiting for olad on %2").arg(universe, olad);
    case UniverseTap::State::Asking:
        return QStringLiteral("Not compared with %1 yet: asking olad on %2").arg(universe, olad);
    case UniverseTap::State::Silent:
        return QStringLiteral("Not compared with %1: %2 does not answer as olad does").arg(universe, olad);
    case UniverseTap::State::Listening:
        return QStringLiteral("Not compared with %1 yet: it holds no levels (nothing sends to it)").arg(universe);
    case UniverseTap::State::Lost:
        return QStringLiteral("Not compared with %1: olad went away").arg(universe);
    }
    return {};
}

void CompareControl::compare()
{
    if (m_fetch.stale())
        judge(1, QByteArray());
    else
        judge(m_fetch.pictureFirst(), m_fetch.answeredRun());
}

void CompareControl::judge(int pictureFirst, const QByteArray &levels)
{
    QBitArray differs(LiveFetch::kChannels);
    int count = 0;
    QString source;
    if (const std::optional<ExpectedLevels> expected = expectation(source)) {
        QVector<LevelDifference> differences =
            compareLevels(*expected, pictureFirst, levels, m_tolerance->value());
        // Without a picture nothing is held back: the line is unknown now.
        if (levels.isEmpty())
            m_settle.reset();
        else if (!m_expected)
            differences = m_settle.filter(differences, m_fetch.now());
        for (const LevelDifference &difference : differences)
            differs.setBit(difference.channel - 1);
        count = int(differences.size());
        if (levels.isEmpty())
            m_result->setText(count == 1 ? QStringLiteral("1 channel could not be compared with %1: no good picture")
                                               .arg(source)
                                         : QStringLiteral("%1 channels could not be compared with %2: no good picture")
                                               .arg(count)
                                               .arg(source));
        else
            m_result->setText(count == 1 ? QStringLiteral("1 channel differs from %1").arg(source)
                                         : QStringLiteral("%1 channels differ from %2").arg(count).arg(source));
    } else {
        m_result->setText(tapStateText());
    }
    // An empty line would take the grid's room.
    m_result->setVisible(!m_result->text().isEmpty());
    m_count = count;
    if (differs == m_differs)
        return;
    m_differs = differs;
    emit marksChanged();
}

int CompareControl::tolerance() const
{
    return m_tolerance->value();
}

void CompareControl::setTolerance(int tolerance)
{
    m_tolerance->setValue(tolerance);
}
