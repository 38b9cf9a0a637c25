// SkScrollBar: a bitmap-style vertical scroll bar that reports its position (in hundredths of a
// row in the skinned lists) with a posted notification.
#pragma once

#include <QColor>
#include <QWidget>

class SkScrollBar : public QWidget {
    Q_OBJECT
public:
    /// The notification the lists know it by.
    static constexpr int kPositionMessage = 0x4FF;

    explicit SkScrollBar(QWidget* parent = nullptr);

    void setColours(const QColor& track, const QColor& thumb);
    /// Total extent (e.g. item count x 100) and visible page (visible count x 100).
    void setRange(int total, int page);
    int total() const { return m_total; }
    int page() const { return m_page; }
    /// Largest position: total - page, not below 0.
    int maximum() const { return m_total > m_page ? m_total - m_page : 0; }
    /// Moves the thumb without notifying (clamped to 0..maximum()).
    void setPosition(int pos);
    int position() const { return m_pos; }
    /// The thumb rectangle in widget coordinates.
    QRect thumbRect() const;

signals:
    /// Delivered queued, like a posted message, after the user moved the bar.
    void positionPosted(int position);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void wheelEvent(QWheelEvent*) override;

private:
    void userMove(int pos);

    QColor m_track;
    QColor m_thumb;
    int m_total = 0;
    int m_page = 0;
    int m_pos = 0;
    bool m_dragging = false;
    int m_grab = 0;
};
