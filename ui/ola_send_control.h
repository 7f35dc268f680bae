#pragma once

#include "ola_feed.h"

#include <QWidget>
#include <memory>

class LiveFetch;
class PictureRelay;
class QCheckBox;
class QLabel;
class QSpinBox;

// "Send to OLA universe N": while ticked, every good picture of the live
// fetch goes to olad on this machine as well, and the label says whether
// olad takes them. Unticked, nothing is sent and olad is not looked for.
class OlaSendControl : public QWidget {
    Q_OBJECT
public:
    explicit OlaSendControl(LiveFetch &fetch, QWidget *parent = nullptr);
    ~OlaSendControl() override;

    // Where olad listens; tests point it at an olad of their own.
    void setServerPort(quint16 port);
    const OlaFeed &feed() const { return m_feed; }
    // The universe set beside the box, sent to or not.
    unsigned int universe() const;

private:
    void restart();
    void showState();

    LiveFetch &m_fetch;
    OlaFeed m_feed;
    std::unique_ptr<PictureRelay> m_relay;
    QCheckBox *m_send = nullptr;
    QSpinBox *m_universe = nullptr;
    QLabel *m_state = nullptr;
};
