#include "sim_line.h"

#include "device_link.h"
#include "host_release.h"
#include "pseudo_terminal.h"
#include "pty_server.h"

SimLine::SimLine(QString linkPath, SimBox &box, QObject *parent)
    : QObject(parent)
    , m_linkPath(std::move(linkPath))
    , m_box(box)
{
}

SimLine::~SimLine()
{
    down();
}

bool SimLine::up(QString &error)
{
    if (isUp())
        return true;
    auto terminal = std::make_unique<PseudoTerminal>();
    if (!terminal->open(error))
        return false;
    auto link = std::make_unique<DeviceLink>();
    if (!link->create(m_linkPath, terminal->deviceName(), error))
        return false;
    m_server = std::make_unique<PtyServer>(terminal->boxSide(), m_box);
    if (m_baud > 0)
        m_server->setBaud(m_baud);
    m_hostRelease = std::make_unique<HostRelease>(terminal->deviceName(), terminal->deviceSide());
    connect(m_hostRelease.get(), &HostRelease::released, m_server.get(), &PtyServer::forgetHost);
    m_terminal = std::move(terminal);
    m_link = std::move(link);
    return true;
}

// The server goes before the terminal whose descriptor it watches; the name
// goes last, once nothing answers behind it.
void SimLine::down()
{
    m_hostRelease.reset();
    m_server.reset();
    m_terminal.reset();
    m_link.reset();
}

QString SimLine::deviceName() const
{
    return m_terminal ? m_terminal->deviceName() : QString();
}
