// CBitmapSlider: a slider drawn from a channel bitmap and a thumb bitmap, operated with mouse
// and keys, reporting "moving" while dragged and "moved" after a release or key step.
#pragma once

#include <QImage>
#include <QWidget>

class CBitmapSlider : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMovingMessage = 0x28D1;
    static constexpr int kMovedMessage = 0x28D2;
    /// Transparent colour meaning "take the pixel at (x, y) of the bitmap".
    static constexpr unsigned kColourFromPixel = 0xFF000000;

    explicit CBitmapSlider(QWidget* parent = nullptr);

    void SetRange(int minimum, int maximum, bool redraw = false);
    void SetRangeMin(int minimum, bool redraw = false);
    void SetRangeMax(int maximum, bool redraw = false);
    /// Clamps to the range and repaints; posts nothing.
    void SetPos(int position);
    /// Moves the thumb as the user would (screen readers): the move is posted like a drag's end.
    void setPosByUser(int position);
    int GetPos() const { return m_pos; }
    int GetRangeMin() const { return m_min; }
    int GetRangeMax() const { return m_max; }
    int GetPageSize() const { return m_page; }

    /// channelId 0 removes the channel bitmaps. colour is 0x00RRGGBB or kColourFromPixel.
    bool LoadChannelBitmaps(
        int channelId, int activeId, bool transparent, unsigned colour = kColourFromPixel, int x = 0, int y = 0);
    bool LoadThumbBitmaps(
        int thumbId, int activeId, bool transparent, unsigned colour = kColourFromPixel, int x = 0, int y = 0);
    /// The same with images instead of resource ids (a null channel removes the channel).
    bool SetChannelImages(const QImage& channel, const QImage& active, bool transparent, unsigned colour, int x, int y);
    bool SetThumbImages(const QImage& thumb, const QImage& active, bool transparent, unsigned colour, int x, int y);
    void ShowFocusRectangle(bool on, bool redraw = false);
    /// Off by default: the channel left of the thumb drawn from the active channel bitmap, and
    /// the active thumb while dragging.
    void setActiveBitmapsDrawn(bool channel, bool thumbWhileDragging);

    /// Thumb centre along the travel for a position, and the position for a pixel.
    int pixelForPosition(int position) const;
    int positionForPixel(int pixel) const;
    QSize channelSize() const { return m_channelSize; }
    QSize thumbSize() const { return m_thumbSize; }
    bool isDragging() const { return m_dragging; }

signals:
    /// Delivered queued (posted): control id and position.
    void moving(int controlId, int position);
    void moved(int controlId, int position);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void focusInEvent(QFocusEvent*) override;
    void focusOutEvent(QFocusEvent*) override;
    QSize sizeHint() const override;

private:
    void post(int message, int position);
    void dragTo(int coordinate);
    static bool makeTransparent(QImage& img, unsigned colour, int x, int y);

    int m_max = 100;
    int m_min = 0;
    int m_pos = 0;
    int m_page = 20;
    QSize m_channelSize { 0, 0 };
    QSize m_thumbSize { 0, 0 };
    int m_marginLeft = 0, m_marginRight = 0, m_marginTop = 0, m_marginBottom = 0;
    bool m_vertical = false;
    bool m_drawActiveChannel = false;
    bool m_activeThumbWhileDragging = false;
    bool m_channelTransparent = false, m_thumbTransparent = false;
    bool m_channelSet = false, m_thumbSet = false;
    bool m_dragging = false;
    bool m_focused = false;
    bool m_drawFocusRect = true;
    bool m_enabled = true;
    int m_dragOffset = 0;
    QImage m_channel, m_channelActive, m_thumb, m_thumbActive;
};
