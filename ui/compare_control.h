#pragma once

#include "expected_levels.h"
#include "platform.h"

#include <QBitArray>
#include <QWidget>
#include <optional>

class LiveFetch;
class QLabel;
class QPushButton;
class QSpinBox;

// "Compare with…": holds each good picture against a file of expected
// levels (a saved snapshot, say) and tells which channels are further from
// theirs than the tolerance, and how many. A channel the picture lacks
// differs; a don't-care channel never does. With no good picture at hand
// (none yet, or the last one stale) no channel can be compared, and the
// line says so rather than judge levels the line may no longer carry.
class CompareControl : public QWidget {
    Q_OBJECT
public:
    CompareControl(LiveFetch &fetch, Platform platform, QWidget *parent = nullptr);

    // Asks for a file without waiting on the operator, then loads it.
    void chooseFile();
    // Compares with the file at `path` from now on; a file that cannot be
    // read or is not a table of levels is refused in a message box that
    // names it, and the comparison before goes on.
    bool load(const QString &path);
    void stopComparing();

    bool comparing() const { return m_expected.has_value(); }
    bool differs(int channel) const { return channel >= 1 && channel <= m_differs.size() && m_differs[channel - 1]; }
    int differing() const { return m_count; }
    int tolerance() const;
    void setTolerance(int tolerance);
    // Holds the fetch's latest picture against the expectations. Pictures
    // call it as they come, the window as time passes: a picture goes
    // stale with none coming.
    void compare();

signals:
    // Other channels differ now, or none is compared any more.
    void marksChanged();

private:
    // One picture, levels of channels pictureFirst on (empty: no picture),
    // held against the expectations: the marks and the line beside the
    // button.
    void judge(int pictureFirst, const QByteArray &levels);

    LiveFetch &m_fetch;
    Platform m_platform;
    std::optional<ExpectedLevels> m_expected;
    QString m_fileName;
    QBitArray m_differs;
    int m_count = 0;
    QPushButton *m_compare = nullptr;
    QSpinBox *m_tolerance = nullptr;
    QPushButton *m_stop = nullptr;
    QLabel *m_result = nullptr;
};
