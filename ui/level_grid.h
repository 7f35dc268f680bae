#pragma once

#include "level_format.h"

#include <QStaticText>
#include <QVector>
#include <QWidget>
#include <array>

// The 16 x 16 cells of channels 1-256, each with its channel number and
// level, shaded by level. It draws what it is given and says which channel
// was clicked; it knows nothing of the box.
class LevelGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSide = 16;
    static constexpr int kChannels = kSide * kSide;

    struct Cell {
        int level = -1; // none: not in the picture
        bool changed = false;
        bool operator==(const Cell &other) const { return level == other.level && changed == other.changed; }
    };

    explicit LevelGrid(QWidget *parent = nullptr);

    void setCells(const std::array<Cell, kChannels> &cells);
    void setFormat(LevelFormat format);
    void setStale(bool stale);
    void setPins(const QVector<int> &channels);
    bool isStale() const { return m_stale; }
    LevelFormat format() const { return m_format; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void channelClicked(int channel);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QRectF cellRect(int index) const;
    void prepareTexts();

    std::array<Cell, kChannels> m_cells{};
    LevelFormat m_format = LevelFormat::Decimal;
    bool m_stale = false;
    QVector<int> m_pins;
    QFont m_numberFont;
    QFont m_levelFont;
    // Every figure a cell can show, laid out once: a picture a few dozen
    // times a second then costs no text layout at all.
    std::array<QStaticText, kChannels> m_numberTexts;
    std::array<QStaticText, 256> m_levelTexts;
};
