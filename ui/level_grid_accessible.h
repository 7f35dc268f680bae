#pragma once

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

class LevelGrid;

// The grid as a screen reader meets it: a table of 32 rows of 16 cells, each
// cell a child that speaks its channel and level. The cells exist only once
// a reader asks for them.
class LevelGridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit LevelGridAccessible(LevelGrid *grid);
    ~LevelGridAccessible() override;

    // The factory Qt asks for every widget; it answers for LevelGrid only.
    // The program installs it before its first window, so that the first
    // question about a grid settles what it is to every reader.
    static QAccessibleInterface *create(const QString &className, QObject *object);

    void *interface_cast(QAccessible::InterfaceType type) override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    QAccessibleInterface *focusChild() const override;

    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QAccessibleInterface *cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface *> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int row) const override;
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    int columnCount() const override;
    int rowCount() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent *) override {}

    LevelGrid *grid() const;
    QAccessibleInterface *channelCell(int channel) const;

private:
    mutable QHash<int, QAccessible::Id> m_cells; // channel, registered cell
};

// One cell: its channel, its level in the grid's format, and whether it is
// pinned (a pin is the cell's selection).
class LevelCellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    LevelCellAccessible(LevelGrid *grid, int channel);

    bool isValid() const override { return !m_grid.isNull(); }
    int channel() const { return m_channel; }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override;
    QAccessibleInterface *parent() const override;
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text kind) const override;
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::Cell; }
    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    bool isSelected() const override;
    QList<QAccessibleInterface *> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface *> rowHeaderCells() const override { return {}; }
    int columnIndex() const override;
    int rowIndex() const override;
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override { return parent(); }

private:
    QPointer<LevelGrid> m_grid;
    int m_channel;
};
