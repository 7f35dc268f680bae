#include "live_grid_keys.h"

#include "level_grid.h"
#include "live_fetch.h"

#include <QKeyEvent>
#include <QLabel>

namespace {

constexpr int kMaxDigits = 3; // 512 is the highest channel

} // namespace

LiveGridKeys::LiveGridKeys(LevelGrid &grid, LiveFetch &fetch, QLabel &note)
    : QObject(&grid)
    , m_grid(grid)
    , m_fetch(fetch)
    , m_note(note)
{
    grid.installEventFilter(this);
    connect(&grid, &LevelGrid::channelClicked, this, &LiveGridKeys::togglePin);
}

void LiveGridKeys::togglePin(int channel)
{
    if (m_fetch.togglePin(channel)) {
        say(QString());
        return;
    }
    say(QStringLiteral("Channel %1 is not pinned: %2 channels are pinned already. Unpin one first.")
                       .arg(channel)
                       .arg(LiveFetch::kMaxPinned));
}

bool LiveGridKeys::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_grid && event->type() == QEvent::KeyPress)
        return handle(static_cast<const QKeyEvent &>(*event));
    return QObject::eventFilter(watched, event);
}

bool LiveGridKeys::handle(const QKeyEvent &key)
{
    // Ctrl and Alt belong to the window's and the program's shortcuts.
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const int cursor = m_grid.cursor();
    const int page = kPageRows * LevelGrid::kColumns;
    switch (key.key()) {
    case Qt::Key_Left:
    case Qt::Key_H:
        m_grid.setCursor(cursor - 1);
        break;
    case Qt::Key_Right:
    case Qt::Key_L:
        m_grid.setCursor(cursor + 1);
        break;
    case Qt::Key_Up:
    case Qt::Key_K:
        m_grid.setCursor(cursor > LevelGrid::kColumns ? cursor - LevelGrid::kColumns : cursor);
        break;
    case Qt::Key_Down:
    case Qt::Key_J:
        m_grid.setCursor(cursor + LevelGrid::kColumns <= LevelGrid::kChannels ? cursor + LevelGrid::kColumns : cursor);
        break;
    case Qt::Key_PageUp:
        m_grid.setCursor(cursor > page ? cursor - page : (cursor - 1) % LevelGrid::kColumns + 1);
        break;
    case Qt::Key_PageDown:
        m_grid.setCursor(cursor + page <= LevelGrid::kChannels
                             ? cursor + page
                             : LevelGrid::kChannels - LevelGrid::kColumns + (cursor - 1) % LevelGrid::kColumns + 1);
        break;
    case Qt::Key_Home:
        m_grid.setCursor(1);
        break;
    case Qt::Key_End:
        m_grid.setCursor(LevelGrid::kChannels);
        break;
    case Qt::Key_Space:
        type(QString());
        togglePin(cursor);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_typed.isEmpty())
            togglePin(cursor);
        else
            goToTyped();
        return true;
    case Qt::Key_Backspace:
        type(m_typed.chopped(std::min<qsizetype>(1, m_typed.size())));
        return true;
    case Qt::Key_M:
        emit nextFormatAsked();
        return true;
    default:
        if (key.key() >= Qt::Key_0 && key.key() <= Qt::Key_9) {
            type((m_typed + QChar(u'0' + (key.key() - Qt::Key_0))).right(kMaxDigits));
            return true;
        }
        return false;
    }
    type(QString());
    return true;
}

void LiveGridKeys::type(const QString &digits)
{
    const bool wasTyping = !m_typed.isEmpty();
    m_typed = digits;
    if (!m_typed.isEmpty())
        say(QStringLiteral("Go to channel %1 (Enter)").arg(m_typed));
    else if (wasTyping)
        say(QString());
}

void LiveGridKeys::goToTyped()
{
    const int channel = m_typed.toInt();
    type(QString());
    if (channel < 1 || channel > LevelGrid::kChannels) {
        say(QStringLiteral("There is no channel %1: the channels are 1 to %2.")
                           .arg(channel)
                           .arg(LevelGrid::kChannels));
        return;
    }
    m_grid.setCursor(channel);
}

// The note takes a line of the window only while it says something.
void LiveGridKeys::say(const QString &text)
{
    m_note.setText(text);
    m_note.setVisible(!text.isEmpty());
}
