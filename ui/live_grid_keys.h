#pragma once

#include <QObject>
#include <QString>

class LevelGrid;
class LiveFetch;
class QKeyEvent;
class QLabel;

// The operator's keys on the Live Channels grid: the arrows and h/j/k/l move
// the cursor, Home/End and Page Up/Down jump, Space or Enter pin the
// cursor's channel, digits then Enter go to a channel, and m steps to the
// next way of writing levels. A pin refused, or a channel being typed, shows
// in the note label.
class LiveGridKeys : public QObject {
    Q_OBJECT
public:
    static constexpr int kPageRows = 8;

    LiveGridKeys(LevelGrid &grid, LiveFetch &fetch, QLabel &note);

    // Pins or unpins a channel, or says why not.
    void togglePin(int channel);

signals:
    void nextFormatAsked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool handle(const QKeyEvent &key);
    void type(const QString &digits);
    void goToTyped();
    void say(const QString &text);

    LevelGrid &m_grid;
    LiveFetch &m_fetch;
    QLabel &m_note;
    QString m_typed;
};
