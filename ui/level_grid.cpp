#include "level_grid.h"

#include "held_marks.h"
#include "pin_colours.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

namespace {

constexpr QSize kCellHint{44, 32};
// 16 across beside the main window on a 1366-wide screen, and the universe
// in a window as tall as a 1080-line screen. Below kNumbersFrom cells are
// too short for the channel number above the level: they show the level
// alone, and the channel is the cell's place (16 a row), its tool tip and
// what the line under the grid says of the cursor.
constexpr QSize kCellMinimum{32, 18};
constexpr int kNumbersFrom = 26;
constexpr QRgb kBackground = 0x080808;
constexpr QRgb kEmptyFill = 0x2c2c2c;
constexpr int kDarkInkFrom = 151; // levels this bright or brighter take black figures

QColor mix(QRgb from, QRgb to, double amount)
{
    const auto channel = [amount](int a, int b) { return int(a + (b - a) * amount + 0.5); };
    return QColor(channel(qRed(from), qRed(to)), channel(qGreen(from), qGreen(to)), channel(qBlue(from), qBlue(to)));
}

// Live levels glow from near black to amber; a picture gone stale keeps its
// figures readable but loses its colour and most of its contrast.
QColor fill(int level, bool stale)
{
    const double amount = level / 255.0;
    return stale ? mix(0x4a4a4a, 0x8c8c8c, amount) : mix(0x161616, 0xffc857, amount);
}

QColor ink(int level, bool stale)
{
    if (stale)
        return QColor(0xd0, 0xd0, 0xd0);
    return level >= kDarkInkFrom ? Qt::black : QColor(0xf2, 0xf2, 0xf2);
}

} // namespace

LevelGrid::LevelGrid(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("grdLevels"));
    setAccessibleName(QStringLiteral("Channel levels, 32 rows of 16"));
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
    speakCursor();
}

QSize LevelGrid::sizeHint() const
{
    return QSize(kCellHint.width() * kColumns, kCellHint.height() * kRows);
}

QSize LevelGrid::minimumSizeHint() const
{
    return QSize(kCellMinimum.width() * kColumns, kCellMinimum.height() * kRows);
}

QRect LevelGrid::cellRect(int index) const
{
    return QRect(QPoint((index % kColumns) * m_cellSize.width(), (index / kColumns) * m_cellSize.height()),
                 m_cellSize);
}

void LevelGrid::prepareTiles()
{
    m_cellSize = QSize(std::max(width() / kColumns, 4), std::max(height() / kRows, 4));
    const QSize inner = m_cellSize - QSize(2, 2);
    QFont numberFont = font();
    numberFont.setPointSizeF(font().pointSizeF() * 0.75);
    QFont levelFont = font();
    levelFont.setBold(true);

    for (int level = 0; level < 256; ++level) {
        // The figures alone are kept as well, to be drawn again over any
        // mark: in a cell too short to hold a mark beside them, the mark goes
        // under the figures rather than turn a 0 into a C.
        QPixmap figures(inner);
        figures.fill(Qt::transparent);
        {
            QPainter painter(&figures);
            painter.setFont(levelFont);
            painter.setPen(ink(level, m_stale));
            painter.drawText(QRect(QPoint(0, 0), inner).adjusted(0, 0, -4, -1), Qt::AlignRight | Qt::AlignBottom,
                             formatLevel(level, m_format));
        }
        m_figures[size_t(level)] = figures;
        QPixmap tile(inner);
        tile.fill(fill(level, m_stale));
        QPainter(&tile).drawPixmap(0, 0, figures);
        m_tiles[size_t(level)] = tile;
    }
    m_emptyTile = QPixmap(inner);
    m_emptyTile.fill(QColor(kEmptyFill));

    const auto numbers = [this, &numberFont](const QColor &colour) {
        QImage layer(size(), QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        QPainter painter(&layer);
        painter.setFont(numberFont);
        painter.setPen(colour);
        for (int i = 0; i < kChannels && m_cellSize.height() >= kNumbersFrom; ++i)
            painter.drawText(cellRect(i).adjusted(4, 2, -2, -2), Qt::AlignLeft | Qt::AlignTop, QString::number(i + 1));
        return layer;
    };
    const QColor light = m_stale ? QColor(0xd0, 0xd0, 0xd0, 150) : QColor(0xf2, 0xf2, 0xf2, 150);
    m_lightNumbers = numbers(light);
    m_darkNumbers = m_stale ? m_lightNumbers : numbers(QColor(0, 0, 0, 150));

    // A moved level: a notch in the top right corner.
    const int side = std::max(4, int(std::min(inner.width(), inner.height()) * 0.28));
    m_notch = QPixmap(side, side);
    m_notch.fill(Qt::transparent);
    QPainter notch(&m_notch);
    notch.setPen(Qt::NoPen);
    notch.setBrush(QColor(0x3d, 0xd6, 0xff));
    const QPoint corner[] = {QPoint(0, 0), QPoint(side, 0), QPoint(side, side)};
    notch.drawPolygon(corner, 3);

    // A level other than the one expected: a red frame and a "≠", so that it
    // reads without telling colours apart. The "≠" never covers a figure of
    // the level: left of the widest level when there is room, otherwise in
    // the top right corner, above the figures.
    m_differsMark = QPixmap(inner);
    m_differsMark.fill(Qt::transparent);
    QPainter mark(&m_differsMark);
    mark.setPen(QPen(QColor(0xff, 0x40, 0x40), 2));
    mark.drawRect(QRectF(QPointF(0, 0), QSizeF(inner)).adjusted(1, 1, -1, -1));
    mark.setFont(levelFont);
    mark.fillRect(differsGlyph(inner, levelFont), QColor(0xff, 0x40, 0x40));
    mark.setPen(Qt::white);
    mark.drawText(differsGlyph(inner, levelFont), Qt::AlignCenter, QStringLiteral("≠"));
    mark.end();

    const int heldSide = std::max(8, int(std::min(inner.width(), inner.height()) * 0.5));
    for (Motion motion : {Motion::Still, Motion::UpOnly, Motion::DownOnly, Motion::UpAndDown})
        m_heldMarks[size_t(motion)] = heldMark(motion, heldSide);

    m_canvas = QImage(size(), QImage::Format_RGB32);
    m_canvas.fill(QColor(kBackground));
    QPainter painter(&m_canvas);
    for (int i = 0; i < kChannels; ++i)
        drawCell(painter, i);
}

QRect LevelGrid::differsGlyph(QSize inner, const QFont &levelFont) const
{
    const QFontMetrics metrics(levelFont);
    int widest = 0;
    for (int level = 0; level < 256; ++level)
        widest = std::max(widest, metrics.horizontalAdvance(formatLevel(level, m_format)));
    // The figures stand right and bottom in the tile, as the tiles draw them.
    const int figuresLeft = inner.width() - 4 - widest;
    const int figuresTop = inner.height() - 1 - metrics.descent() - metrics.capHeight() - 1;
    constexpr int kLeast = 7;
    const int side = inner.height() / 2 - 2;
    if (const int room = figuresLeft - 3 - 2; room >= kLeast)
        return QRect(3, inner.height() / 2, std::min(side, room), side);
    const int above = std::max(std::min(side, figuresTop - 2), 4);
    return QRect(inner.width() - 3 - above, 2, above, above);
}

// Where the cells are too short for their numbers, the pointer tells.
bool LevelGrid::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        if (const int channel = channelAt(help->pos())) {
            const QString held = heldText(channel);
            QToolTip::showText(help->globalPos(), held.isEmpty() ? spokenCell(channel) : spokenCell(channel) + u'\n' + held,
                               this, channelRect(channel));
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QWidget::event(event);
}

void LevelGrid::drawCell(QPainter &painter, int index)
{
    const Cell &cell = m_cells[size_t(index)];
    const QRect outer = cellRect(index);
    const QRect inner = outer.adjusted(1, 1, -1, -1);
    const bool known = cell.level >= 0 && cell.level < 256;
    painter.drawPixmap(inner.topLeft(), known ? m_tiles[size_t(cell.level)] : m_emptyTile);
    const bool dark = known && cell.level >= kDarkInkFrom;
    painter.drawImage(inner, dark ? m_darkNumbers : m_lightNumbers, inner);
    // While a hold runs its mark stands where the fading notch would.
    const Held &held = m_holds[size_t(index)];
    bool marked = true;
    if (m_holding && held.known) {
        const QPixmap &mark = m_heldMarks[size_t(held.motion)];
        painter.drawPixmap(inner.right() + 1 - mark.width(), inner.top(), mark);
    } else if (cell.changed && !m_stale) {
        painter.drawPixmap(inner.right() + 1 - m_notch.width(), inner.top(), m_notch);
    } else {
        marked = false;
    }
    if (cell.differs) {
        painter.drawPixmap(inner.topLeft(), m_differsMark);
        marked = true;
    }
    if (marked && known)
        painter.drawPixmap(inner.topLeft(), m_figures[size_t(cell.level)]);
}

void LevelGrid::setCells(const std::array<Cell, kChannels> &cells)
{
    if (m_canvas.isNull()) {
        m_cells = cells;
        speakCursor();
        return;
    }
    QPainter painter(&m_canvas);
    for (int i = 0; i < kChannels; ++i) {
        if (cells[size_t(i)] == m_cells[size_t(i)])
            continue;
        m_cells[size_t(i)] = cells[size_t(i)];
        drawCell(painter, i);
        update(cellRect(i));
    }
    speakCursor();
}

void LevelGrid::setHolds(const std::array<Held, kChannels> &holds)
{
    const bool starting = !m_holding;
    m_holding = true;
    if (m_canvas.isNull()) {
        m_holds = holds;
        return;
    }
    // The figures change on every picture of a moving line; the mark only
    // when a channel first moves, or turns.
    QPainter painter(&m_canvas);
    for (int i = 0; i < kChannels; ++i) {
        const Held &now = holds[size_t(i)];
        Held &before = m_holds[size_t(i)];
        const bool redraw = starting || now.known != before.known || now.motion != before.motion;
        before = now;
        if (!redraw)
            continue;
        drawCell(painter, i);
        update(cellRect(i));
    }
}

void LevelGrid::clearHolds()
{
    if (!m_holding)
        return;
    m_holding = false;
    m_holds.fill(Held{});
    if (m_canvas.isNull())
        return;
    QPainter painter(&m_canvas);
    for (int i = 0; i < kChannels; ++i)
        drawCell(painter, i);
    update();
}

QString LevelGrid::heldText(int channel) const
{
    if (!m_holding || channel < 1 || channel > kChannels)
        return QString();
    const Held &held = m_holds[size_t(channel - 1)];
    if (!held.known)
        return QString();
    return QStringLiteral("Since the hold: %1, lowest %2, highest %3, %4")
        .arg(motionText(held.motion), formatLevel(held.lowest, m_format), formatLevel(held.highest, m_format),
             held.changes == 1 ? QStringLiteral("1 change") : QStringLiteral("%1 changes").arg(held.changes));
}

void LevelGrid::setFormat(LevelFormat format)
{
    if (format == m_format)
        return;
    m_format = format;
    speakCursor();
    prepareTiles();
    update();
}

void LevelGrid::setStale(bool stale)
{
    if (stale == m_stale)
        return;
    m_stale = stale;
    prepareTiles();
    update();
}

void LevelGrid::setPins(const QVector<int> &channels)
{
    for (int channel : m_pins + channels)
        update(cellRect(channel - 1));
    m_pins = channels;
    speakCursor();
}

void LevelGrid::setCursor(int channel)
{
    channel = std::clamp(channel, 1, kChannels);
    if (channel == m_cursor)
        return;
    update(cellRect(m_cursor - 1));
    m_cursor = channel;
    update(cellRect(m_cursor - 1));
    speakCursor();
    announce(m_cursor, QAccessible::Focus);
    emit cursorMoved(channel);
}

QString LevelGrid::spokenCell(int channel) const
{
    const Cell &cell = m_cells[size_t(channel - 1)];
    const QString level = cell.level >= 0 && cell.level < 256 ? formatLevel(cell.level, m_format) : QStringLiteral("none");
    return QStringLiteral("Channel %1: %2%3")
        .arg(channel)
        .arg(level, m_pins.contains(channel) ? QStringLiteral(", pinned") : QString());
}

void LevelGrid::speakCursor()
{
    const QString spoken = spokenCell(m_cursor);
    // Every picture comes through here: a reader hears only real changes.
    if (spoken == accessibleDescription())
        return;
    const bool sameCell = accessibleDescription().startsWith(QStringLiteral("Channel %1:").arg(m_cursor));
    setAccessibleDescription(spoken);
    if (sameCell)
        announce(m_cursor, QAccessible::NameChanged);
}

void LevelGrid::announce(int channel, QAccessible::Event event)
{
    // Focus follows the keyboard's cursor only while the grid has the keys.
    if (event == QAccessible::Focus && !hasFocus())
        return;
    QAccessibleEvent said(this, event);
    said.setChild(channel - 1);
    QAccessible::updateAccessibility(&said);
}

void LevelGrid::resizeEvent(QResizeEvent *event)
{
    prepareTiles();
    QWidget::resizeEvent(event);
}

void LevelGrid::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange && !m_canvas.isNull())
        prepareTiles();
    QWidget::changeEvent(event);
}

void LevelGrid::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.drawImage(event->rect(), m_canvas, event->rect());
    // Pinned channels: a frame in the colour of their line in the plot.
    for (int pin = 0; pin < m_pins.size(); ++pin) {
        const QRectF cell = QRectF(cellRect(m_pins[pin] - 1)).adjusted(1, 1, -1, -1);
        painter.setPen(QPen(Qt::black, 1));
        painter.drawRect(cell.adjusted(3.5, 3.5, -3.5, -3.5));
        painter.setPen(QPen(pinColour(pin), 3));
        painter.drawRect(cell.adjusted(1.5, 1.5, -1.5, -1.5));
    }
    // The keyboard's cell: white dashes on black around the whole cell, so
    // that it stands out from the pins' coloured frames on any fill.
    {
        const QRectF cell = QRectF(cellRect(m_cursor - 1)).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setPen(QPen(Qt::black, 2));
        painter.drawRect(cell);
        QPen dashes(Qt::white, 2, Qt::DashLine);
        painter.setPen(dashes);
        painter.drawRect(cell);
    }
}

void LevelGrid::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_cellSize.isEmpty()) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (const int channel = channelAt(event->position().toPoint())) {
        setCursor(channel);
        emit channelClicked(channel);
    }
}

int LevelGrid::channelAt(QPoint point) const
{
    if (m_cellSize.isEmpty() || point.x() < 0 || point.y() < 0)
        return 0;
    const int column = point.x() / m_cellSize.width();
    const int row = point.y() / m_cellSize.height();
    return column < kColumns && row < kRows ? row * kColumns + column + 1 : 0;
}
