#include "level_grid_accessible.h"

#include "level_grid.h"

LevelGridAccessible::LevelGridAccessible(LevelGrid *grid)
    : QAccessibleWidget(grid, QAccessible::Table)
{
}

LevelGridAccessible::~LevelGridAccessible()
{
    for (QAccessible::Id id : std::as_const(m_cells))
        QAccessible::deleteAccessibleInterface(id);
}

QAccessibleInterface *LevelGridAccessible::create(const QString &className, QObject *object)
{
    if (className == QLatin1String("LevelGrid") && object && object->isWidgetType())
        return new LevelGridAccessible(static_cast<LevelGrid *>(object));
    return nullptr;
}

LevelGrid *LevelGridAccessible::grid() const
{
    return static_cast<LevelGrid *>(widget());
}

void *LevelGridAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessibleInterface *LevelGridAccessible::channelCell(int channel) const
{
    if (channel < 1 || channel > LevelGrid::kChannels)
        return nullptr;
    if (const auto known = m_cells.constFind(channel); known != m_cells.constEnd())
        return QAccessible::accessibleInterface(*known);
    auto *cell = new LevelCellAccessible(grid(), channel);
    m_cells.insert(channel, QAccessible::registerAccessibleInterface(cell));
    return cell;
}

int LevelGridAccessible::childCount() const
{
    return LevelGrid::kChannels;
}

QAccessibleInterface *LevelGridAccessible::child(int index) const
{
    return channelCell(index + 1);
}

int LevelGridAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    // A cell knows its channel; one of another grid is not a child of this one.
    const auto *cell = dynamic_cast<const LevelCellAccessible *>(child);
    return cell && cell->parent() == this ? cell->channel() - 1 : -1;
}

QAccessibleInterface *LevelGridAccessible::childAt(int x, int y) const
{
    return channelCell(grid()->channelAt(grid()->mapFromGlobal(QPoint(x, y))));
}

QAccessibleInterface *LevelGridAccessible::focusChild() const
{
    return grid()->hasFocus() ? channelCell(grid()->cursor()) : nullptr;
}

QAccessibleInterface *LevelGridAccessible::cellAt(int row, int column) const
{
    if (row < 0 || row >= LevelGrid::kRows || column < 0 || column >= LevelGrid::kColumns)
        return nullptr;
    return channelCell(row * LevelGrid::kColumns + column + 1);
}

int LevelGridAccessible::selectedCellCount() const
{
    return int(grid()->pins().size());
}

QList<QAccessibleInterface *> LevelGridAccessible::selectedCells() const
{
    QList<QAccessibleInterface *> cells;
    for (int channel : grid()->pins())
        cells << channelCell(channel);
    return cells;
}

QString LevelGridAccessible::columnDescription(int column) const
{
    return QStringLiteral("Column %1").arg(column + 1);
}

QString LevelGridAccessible::rowDescription(int row) const
{
    const int first = row * LevelGrid::kColumns + 1;
    return QStringLiteral("Channels %1 to %2").arg(first).arg(first + LevelGrid::kColumns - 1);
}

int LevelGridAccessible::columnCount() const
{
    return LevelGrid::kColumns;
}

int LevelGridAccessible::rowCount() const
{
    return LevelGrid::kRows;
}

LevelCellAccessible::LevelCellAccessible(LevelGrid *grid, int channel)
    : m_grid(grid)
    , m_channel(channel)
{
}

QWindow *LevelCellAccessible::window() const
{
    QAccessibleInterface *table = parent();
    return table ? table->window() : nullptr;
}

QAccessibleInterface *LevelCellAccessible::parent() const
{
    return m_grid ? QAccessible::queryAccessibleInterface(m_grid.data()) : nullptr;
}

QString LevelCellAccessible::text(QAccessible::Text kind) const
{
    if (!m_grid)
        return QString();
    if (kind == QAccessible::Description)
        return m_grid->heldText(m_channel);
    return kind == QAccessible::Name ? m_grid->spokenCell(m_channel) : QString();
}

QRect LevelCellAccessible::rect() const
{
    if (!m_grid)
        return QRect();
    const QRect local = m_grid->channelRect(m_channel);
    return QRect(m_grid->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::State LevelCellAccessible::state() const
{
    QAccessible::State state;
    if (!m_grid)
        return state;
    state.focusable = true;
    state.selectable = true;
    state.multiSelectable = true;
    state.selected = isSelected();
    state.focused = m_grid->hasFocus() && m_grid->cursor() == m_channel;
    state.invisible = !m_grid->isVisible();
    return state;
}

void *LevelCellAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableCellInterface)
        return static_cast<QAccessibleTableCellInterface *>(this);
    return nullptr;
}

bool LevelCellAccessible::isSelected() const
{
    return m_grid && m_grid->pins().contains(m_channel);
}

int LevelCellAccessible::columnIndex() const
{
    return (m_channel - 1) % LevelGrid::kColumns;
}

int LevelCellAccessible::rowIndex() const
{
    return (m_channel - 1) / LevelGrid::kColumns;
}
