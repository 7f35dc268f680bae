#pragma once

#include "expected_levels.h"
#include "platform.h"
#include "settle_filter.h"
#include "universe_tap.h"

#include <QBitArray>
#include <QWidget>
#include <optional>

class LiveFetch;
class QLabel;
class QPushButton;
class QSpinBox;

// "Compare with…" and "Compare with OLA universe N": holds each good
// picture against what the line should carry, a file of expected levels (a
// saved snapshot, say) or what olad receives for a universe (the network
// side of the cable), and tells which channels are further from theirs
// than the tolerance, and how many. A channel the picture lacks differs; a
// don't-care channel never does. Against OLA, where both sides move, a
// channel differs only once the two have disagreed for the settle time.
// With no good picture at hand (none yet, or the last one stale) no channel
// can be compared, and the line says so rather than judge levels the line
// may no longer carry.
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
    // Compares with the OLA universe in the box beside the button from now on.
    void compareWithOla();
    void stopComparing();

    // Where olad listens; taken at the next compareWithOla().
    void setOlaServerPort(quint16 port) { m_tap.setServerPort(port); }

    bool comparing() const { return m_expected.has_value() || m_tap.state() != UniverseTap::State::Off; }
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
    // What the line should carry now, and what to call it; nothing while
    // olad gives no levels (the label then says why).
    std::optional<ExpectedLevels> expectation(QString &source);
    QString tapStateText() const;

    LiveFetch &m_fetch;
    Platform m_platform;
    std::optional<ExpectedLevels> m_expected;
    QString m_fileName;
    UniverseTap m_tap;
    SettleFilter m_settle{SettleFilter::kDefaultSettle};
    QBitArray m_differs;
    int m_count = 0;
    QPushButton *m_compare = nullptr;
    QPushButton *m_compareOla = nullptr;
    QSpinBox *m_olaUniverse = nullptr;
    QSpinBox *m_tolerance = nullptr;
    QPushButton *m_stop = nullptr;
    QLabel *m_result = nullptr;
};
