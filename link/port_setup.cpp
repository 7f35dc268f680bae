#include "port_setup.h"

#include "transceiver_link.h"

bool probeAnswered(const QByteArray &text, int finalCount)
{
    const QByteArray answer = finalCount > 1 ? text.right(1) : text;
    return answer == "G";
}

void setUpPortAndProbe(TransceiverLink &link, int port, const std::function<void(Status)> &report)
{
    SerialPort &comPort = link.comDMXPort1();

    if (comPort.isOpen() && !comPort.close())
        report(Status::ErrorOpeningPort);

    comPort.setPortNumber(port);
    comPort.configure(LineSettings{});
    comPort.setReadLength(0);

    if (!comPort.isOpen() && !comPort.open()) {
        report(Status::ErrorOpeningPort);
        return;
    }

    // Whatever the box was in the middle of, a run of NULs brings it back to
    // waiting for a command; it ignores them.
    const QByteArray nul(1, '\0');
    for (int i = 0; i < kFlushNulCount; ++i)
        comPort.write(nul);

    Exchange probe;
    probe.command = "C?";
    probe.threshold = 0;
    probe.countBeforeFlag = true;
    const Answer answer = link.exchange(probe);
    report(probeAnswered(answer.text, answer.finalCount) ? Status::ConnectedOk : Status::NoTransceiver);
}
