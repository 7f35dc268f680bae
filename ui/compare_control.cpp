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

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_compare);
    auto *within = new QLabel(QStringLiteral("within ±"), this);
    within->setBuddy(m_tolerance);
    row->addWidget(within);
    row->addWidget(m_tolerance);
    row->addWidget(m_stop);
    row->addWidget(m_result, 1);

    connect(m_compare, &QPushButton::clicked, this, &CompareControl::chooseFile);
    connect(m_stop, &QPushButton::clicked, this, &CompareControl::stopComparing);
    connect(m_tolerance, &QSpinBox::valueChanged, this, &CompareControl::compare);
    // Direct: the marks are ready before the window draws the picture.
    connect(&m_fetch, &LiveFetch::updated, this, &CompareControl::compare);
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
    m_expected = std::move(expected);
    m_fileName = QFileInfo(path).fileName();
    m_stop->setEnabled(true);
    compare();
    return true;
}

void CompareControl::stopComparing()
{
    m_expected.reset();
    m_stop->setEnabled(false);
    compare();
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
    if (m_expected) {
        const QVector<LevelDifference> differences =
            compareLevels(*m_expected, pictureFirst, levels, m_tolerance->value());
        for (const LevelDifference &difference : differences)
            differs.setBit(difference.channel - 1);
        count = int(differences.size());
        if (levels.isEmpty())
            m_result->setText(count == 1 ? QStringLiteral("1 channel could not be compared with %1: no good picture")
                                               .arg(m_fileName)
                                         : QStringLiteral("%1 channels could not be compared with %2: no good picture")
                                               .arg(count)
                                               .arg(m_fileName));
        else
            m_result->setText(count == 1 ? QStringLiteral("1 channel differs from %1").arg(m_fileName)
                                         : QStringLiteral("%1 channels differ from %2").arg(count).arg(m_fileName));
    } else {
        m_result->clear();
    }
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
