#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// The port buttons' tool tips: the device each port leads to and, after an
// open of it failed, why. The status box has room for "Error Opening COM
// Port" only; the button the operator just chose is where to look for more.
class PortTips {
public:
    // The outcome of opening Port n: the cause of the fault, or empty when
    // the port opened.
    void noteOpen(int port, const QString &cause);

    // Port n's tool tip; the system's devices are looked at again.
    QString tip(int port) const;
    // Those of Port1 to Port4, from one look at the devices.
    QStringList tips() const;

    // A port's usual tool tip with the cause of its failed open after it.
    static QString withCause(const QString &tip, const QString &cause);

private:
    QHash<int, QString> m_causes;
};
