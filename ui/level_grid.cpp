#include "level_grid.h"

#include "pin_colours.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr QSize kCellHint{44, 32};
constexpr QSize kCellMinimum{36, 26};

QColor mix(const QColor &from, const QColor &to, double amount)
{
    return QColor::fromRgbF(float(from.redF() + (to.redF() - from.redF()) * amount),
                            float(from.greenF() + (to.greenF() - from.greenF()) * amount),
                            float(from.blueF() + (to.blueF() - from.blueF()) * amount));
}

// Live levels glow from near black to amber; a picture gone stale keeps its
// figures readable but loses its colour and most of its contrast.
QColor fill(int level, bool stale)
{
    const double amount = level / 255.0;
    if (stale)
        return mix(QColor(0x4a, 0x4a, 0x4a), QColor(0x8c, 0x8c, 0x8c), amount);
    return mix(QColor(0x16, 0x16, 0x16), QColor(0xff, 0xc8, 0x57), amount);
}

QColor ink(int level, bool stale)
{
    if (stale)
        return QColor(0xd0, 0xd0, 0xd0);
    return level > 150 ? Qt::black : QColor(0xf2, 0xf2, 0xf2);
}

} // namespace

LevelGrid::LevelGrid(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("grdLevels"));
    setAccessibleName(QStringLiteral("Channel levels, 16 by 16"));
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
    prepareTexts();
}

void LevelGrid::prepareTexts()
{
    m_numberFont = font();
    m_numberFont.setPointSizeF(font().pointSizeF() * 0.75);
    m_levelFont = font();
    m_levelFont.setBold(true);
    for (int i = 0; i < kChannels; ++i) {
        m_numberTexts[size_t(i)] = QStaticText(QString::number(i + 1));
        m_numberTexts[size_t(i)].prepare(QTransform(), m_numberFont);
    }
    for (int level = 0; level < 256; ++level) {
        m_levelTexts[size_t(level)] = QStaticText(formatLevel(level, m_format));
        m_levelTexts[size_t(level)].prepare(QTransform(), m_levelFont);
    }
}

void LevelGrid::setCells(const std::array<Cell, kChannels> &cells)
{
    if (cells == m_cells)
        return;
    m_cells = cells;
    update();
}

void LevelGrid::setFormat(LevelFormat format)
{
    if (format == m_format)
        return;
    m_format = format;
    prepareTexts();
    update();
}

void LevelGrid::setStale(bool stale)
{
    if (stale == m_stale)
        return;
    m_stale = stale;
    update();
}

void LevelGrid::setPins(const QVector<int> &channels)
{
    m_pins = channels;
    update();
}

QSize LevelGrid::sizeHint() const
{
    return kCellHint * kSide;
}

QSize LevelGrid::minimumSizeHint() const
{
    return kCellMinimum * kSide;
}

void LevelGrid::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        prepareTexts();
    QWidget::changeEvent(event);
}

QRectF LevelGrid::cellRect(int index) const
{
    const qreal width = qreal(this->width()) / kSide;
    const qreal height = qreal(this->height()) / kSide;
    return QRectF((index % kSide) * width, (index / kSide) * height, width, height);
}

void LevelGrid::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0x08, 0x08, 0x08));
    for (int i = 0; i < kChannels; ++i) {
        const QRectF outer = cellRect(i);
        const QRectF cell = outer.adjusted(1, 1, -1, -1);
        const Cell &state = m_cells[size_t(i)];
        const bool known = state.level >= 0;
        painter.fillRect(cell, known ? fill(state.level, m_stale) : QColor(0x2c, 0x2c, 0x2c));

        const QColor text = known ? ink(state.level, m_stale) : QColor(0x70, 0x70, 0x70);
        QColor dim = text;
        dim.setAlphaF(0.6f);
        painter.setPen(dim);
        painter.setFont(m_numberFont);
        painter.drawStaticText(cell.topLeft() + QPointF(3, 1), m_numberTexts[size_t(i)]);
        if (known) {
            const QStaticText &figure = m_levelTexts[size_t(state.level)];
            const QSizeF size = figure.size();
            painter.setPen(text);
            painter.setFont(m_levelFont);
            painter.drawStaticText(QPointF(cell.right() - size.width() - 4, cell.bottom() - size.height() - 1),
                                   figure);
        }
        if (state.changed && !m_stale) {
            // A moved level: a notch in the top right corner.
            const qreal notch = std::min(cell.width(), cell.height()) * 0.28;
            const QPointF corner = cell.topRight();
            const QPointF points[] = {corner, corner - QPointF(notch, 0), corner + QPointF(0, notch)};
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(0x3d, 0xd6, 0xff));
            painter.drawPolygon(points, 3);
            painter.setBrush(Qt::NoBrush);
        }
    }
    // Pinned channels: a frame in the colour of their line in the plot.
    for (int pin = 0; pin < m_pins.size(); ++pin) {
        const QRectF cell = cellRect(m_pins[pin] - 1).adjusted(1, 1, -1, -1);
        painter.setPen(QPen(Qt::black, 1));
        painter.drawRect(cell.adjusted(3.5, 3.5, -3.5, -3.5));
        painter.setPen(QPen(pinColour(pin), 3));
        painter.drawRect(cell.adjusted(1.5, 1.5, -1.5, -1.5));
    }
}

void LevelGrid::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || width() <= 0 || height() <= 0) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPointF at = event->position();
    const int column = std::clamp(int(at.x() * kSide / width()), 0, kSide - 1);
    const int row = std::clamp(int(at.y() * kSide / height()), 0, kSide - 1);
    emit channelClicked(row * kSide + column + 1);
}
