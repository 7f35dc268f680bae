#pragma once

#include "level_format.h"
#include "line_tally.h"

#include <QAccessible>
#include <QImage>
#include <QPixmap>
#include <QVector>
#include <QWidget>
#include <array>

// The 32 rows of 16 cells of channels 1-512, each with its channel number
// and level, shaded by level. It draws what it is given and says which channel
// was clicked; it knows nothing of the box.
class LevelGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr int kColumns = 16;
    static constexpr int kRows = 32;
    static constexpr int kChannels = kColumns * kRows;

    struct Cell {
        int level = -1; // none: not in the picture
        bool changed = false;
        bool differs = false; // not the level expected of it
        bool operator==(const Cell &other) const
        {
            return level == other.level && changed == other.changed && differs == other.differs;
        }
        bool operator!=(const Cell &other) const { return !(*this == other); }
    };

    // How a channel moved since the operator's hold began; shown beside its
    // level as a coloured glyph, and in its tool tip and description.
    struct Held {
        bool known = false; // answered since the hold
        Motion motion = Motion::Still;
        int lowest = 0;
        int highest = 0;
        int changes = 0;
    };

    explicit LevelGrid(QWidget *parent = nullptr);

    void setCells(const std::array<Cell, kChannels> &cells);
    // While a hold runs; clearHolds() ends it.
    void setHolds(const std::array<Held, kChannels> &holds);
    void clearHolds();
    bool holding() const { return m_holding; }
    Held held(int channel) const { return m_holds[size_t(channel - 1)]; }
    // "Since the hold: went up only, lowest 10, highest 140, 3 changes", in
    // the grid's format; empty when no hold runs or the channel was not
    // answered since.
    QString heldText(int channel) const;
    // What the cell of a channel (1-512) shows.
    Cell cell(int channel) const { return m_cells[size_t(channel - 1)]; }
    void setFormat(LevelFormat format);
    void setStale(bool stale);
    void setPins(const QVector<int> &channels);
    const QVector<int> &pins() const { return m_pins; }
    // The keyboard's cell: a channel (1-512), framed apart from the pins.
    int cursor() const { return m_cursor; }
    void setCursor(int channel);
    // Where a channel's cell stands, for scrolling it into view.
    QRect channelRect(int channel) const { return cellRect(channel - 1); }
    // The channel under a point of the grid, or 0 beside the cells.
    int channelAt(QPoint point) const;
    // What a screen reader says of a channel's cell: "Channel 12: 137".
    QString spokenCell(int channel) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void channelClicked(int channel);
    void cursorMoved(int channel);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QRect cellRect(int index) const;
    // Everything a cell can look like is drawn once, whenever the size, the
    // format or the staleness changes; a picture then only copies the cells
    // that changed onto the canvas.
    void prepareTiles();
    void drawCell(QPainter &painter, int index);
    // Where a differing cell's "≠" stands in a tile of size `inner`.
    QRect differsGlyph(QSize inner, const QFont &levelFont) const;
    // A screen reader hears the cursor's channel and level.
    void speakCursor();
    // Tells a listening reader that a channel's cell took the focus or
    // changed: the cell is whatever speaks for the grid's child channel - 1.
    void announce(int channel, QAccessible::Event event);

    std::array<Cell, kChannels> m_cells{};
    std::array<Held, kChannels> m_holds{};
    bool m_holding = false;
    LevelFormat m_format = LevelFormat::Decimal;
    bool m_stale = false;
    QVector<int> m_pins;
    int m_cursor = 1;

    QSize m_cellSize;
    std::array<QPixmap, 256> m_tiles; // fill and figure, by level
    std::array<QPixmap, 256> m_figures; // the figure alone, by level
    QPixmap m_emptyTile;
    QImage m_lightNumbers; // every channel number where it stands, for dark fills
    QImage m_darkNumbers;  // and for bright ones
    QPixmap m_notch;
    QPixmap m_differsMark;
    std::array<QPixmap, 4> m_heldMarks; // by Motion
    QImage m_canvas;
};
