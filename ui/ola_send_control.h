#pragma once

#include "ola_feed.h"

#include <QWidget>
#include <memory>

class LiveFetch;
class PictureRelay;
class QCheckBox;
class QLabel;
class QSpinBox;

// "Send to OLA universe N": while ticked, every whole picture of the live
// fetch goes to olad on this machine as well, at the priority chosen, and
// the label says what olad does with it: whether the universe is there with
// an output port (and how to patch it when not), its name and merge mode,
// and whether another source feeds it too. Unticked, nothing is sent and
// olad is not looked for.
class OlaSendControl : public QWidget {
    Q_OBJECT
public:
    explicit OlaSendControl(LiveFetch &fetch, QWidget *parent = nullptr);
    ~OlaSendControl() override;

    // Where olad listens (the "olad port" box).
    void setServerPort(quint16 port);
    quint16 serverPort() const;
    void setPriority(int priority);
    int priority() const;
    const OlaFeed &feed() const { return m_feed; }
    // The universe set beside the box, sent to or not.
    unsigned int universe() const;

signals:
    void serverPortChanged(quint16 port);

private:
    void restart();
    void showState();

    LiveFetch &m_fetch;
    OlaFeed m_feed;
    std::unique_ptr<PictureRelay> m_relay;
    QCheckBox *m_send = nullptr;
    QSpinBox *m_universe = nullptr;
    QSpinBox *m_priority = nullptr;
    QSpinBox *m_port = nullptr;
    QLabel *m_state = nullptr;
};
