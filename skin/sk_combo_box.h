// SkComboBox: a drop-down list that draws its closed box from bitmaps and opens its own fading,
// scrollable popup list (ComboWindow) instead of the platform's.
#pragma once

#include <QComboBox>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QVector>

class SkScrollBar;
class SkComboBox;

class ComboWindow : public QWidget {
    Q_OBJECT
public:
    explicit ComboWindow(SkComboBox* owner);

    /// Measures the owner's items, sizes and places the window and shows it (fading in).
    void open();
    /// Hides the window and clears the highlight.
    void closeList();
    bool isOpen() const { return m_open; }

    int highlighted() const { return m_highlight; }
    void setHighlighted(int index);
    int visibleCount() const { return m_visibleCount; }
    bool needsScrollBar() const { return m_needsScrollBar; }
    int rowHeight() const { return m_rowHeight; }
    int scrollOffset() const { return m_scrollOffset; }
    const QVector<QRect>& itemRects() const { return m_items; }
    SkScrollBar* scrollBar() const { return m_scrollBar; }
    int fadeAlpha() const { return m_fadeAlpha; }
    int moveGuard() const { return m_moveGuard; }

    /// The layout rule without showing anything: fills the item rectangles, visible count,
    /// scroll-bar flag, row height and returns the window size.
    QSize measure();
    /// Where the window goes for a given size, owner rectangle (global) and screen.
    static QPoint placement(const QSize& size, const QRect& ownerGlobal, const QRect& screen);
    /// The scroll bar's notification: position in hundredths of a row.
    void scrollTo(int hundredths);

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void hideEvent(QHideEvent*) override;

private:
    int itemAt(const QPoint& pos) const;
    void repaintItem(int index);
    void scrollIntoView(int index);
    void fadeStep();

    SkComboBox* m_owner;
    QVector<QRect> m_items;
    int m_highlight = -1;
    int m_visibleCount = 0;
    int m_width = 0, m_height = 0, m_rowHeight = 0;
    int m_scrollOffset = 0;
    bool m_needsScrollBar = false;
    SkScrollBar* m_scrollBar = nullptr;
    int m_moveGuard = 0;
    int m_fadeAlpha = 255;
    QTimer m_fade;
    bool m_open = false;
    bool m_pressedInside = false;
};

class SkComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit SkComboBox(QWidget* parent = nullptr);
    ~SkComboBox() override;

    /// Height of the dropped-down list rectangle the popup must fit in (default 120).
    void setDroppedHeight(int h) { m_droppedHeight = h; }
    int droppedHeight() const { return m_droppedHeight; }

    void showPopup() override;
    void hidePopup() override;
    bool isListOpen() const;
    ComboWindow* comboWindow() const { return m_list; }

    /// Chooses item index as the list does: posts selChange, then sets the current item when it
    /// differs and repaints.
    void chooseItem(int index);

    QColor textColour() const { return m_textColour; }
    QColor lineColour1() const { return m_line1; }
    QColor lineColour2() const { return m_line2; }
    const QImage& listBackground() const { return m_listBg; }
    const QImage& highlightImage() const { return m_highlightImg; }

signals:
    /// The selection-changed notification (control id), delivered queued like a posted command.
    void selChange(int controlId);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void focusInEvent(QFocusEvent*) override;
    void focusOutEvent(QFocusEvent*) override;

private:
    QColor m_line1, m_line2, m_textColour;
    QImage m_boxBg, m_arrow, m_listBg, m_highlightImg;
    ComboWindow* m_list;
    int m_droppedHeight = 120;
};
