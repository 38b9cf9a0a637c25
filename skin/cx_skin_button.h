// CxSkinButton: a push, check or radio button drawn entirely from state bitmaps, shaped by a
// mask bitmap (white outside) and tracking hover.
#pragma once

#include <QAbstractButton>
#include <QHash>
#include <QImage>
#include <QRegion>

class CxSkinButton : public QAbstractButton {
    Q_OBJECT
public:
    enum Kind { PushKind = 0, CheckKind = 2, RadioKind = 4 };
    enum DrawMode { DrawCopy = 0, DrawStretch = 1, DrawTile = 2 };

    explicit CxSkinButton(QWidget* parent = nullptr);

    /// Skins the button from resource ids (0 = none); see SetSkinImages.
    void SetSkin(int normal, int down, int over, int disabled, int focus, int mask, int drawMode = 0, int border = 0,
        int focusMargin = 0);
    /// Replaces all bitmaps. A null disabled bitmap reuses the normal one. A draw mode above 1
    /// becomes 2 and a negative one 0; a negative margin becomes 0. With a mask the button takes
    /// the mask's region as its shape, and in draw mode 0 the mask's size.
    void SetSkinImages(const QImage& normal, const QImage& down, const QImage& over, const QImage& disabled,
        const QImage& focus, const QImage& mask, int drawMode = 0, int border = 0, int focusMargin = 0);
    void SetTextColor(const QColor& colour);
    QColor textColor() const { return m_textColour; }
    /// The tip; a button without a caption is also named by it for screen readers.
    void SetToolTipText(const QString& text)
    {
        setToolTip(text);
        if (this->text().isEmpty())
            setAccessibleName(text);
    }

    void setKind(Kind kind) { m_kind = kind; }
    Kind kind() const { return m_kind; }
    void SetCheck(bool checked);
    bool GetCheck() const { return m_checked; }

    /// The region built from the mask (empty without mask or for an all-white mask).
    QRegion skinRegion() const { return m_region; }
    bool hasMask() const { return !m_mask.isNull(); }
    bool isOver() const { return m_over; }
    bool isPressedOnButton() const { return m_pressed; }
    int drawMode() const { return m_drawMode; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void leaveEvent(QEvent*) override;
    void focusOutEvent(QFocusEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    bool hitButton(const QPoint& pos) const override;
    QSize sizeHint() const override;

    /// The bitmap for the current state (what paintEvent draws), for variants and tests.
    const QImage& stateImage() const;
    void drawSkinImage(QPainter& p, const QImage& img) const;
    void drawFocusRing(QPainter& p) const;

private:
    void applyRegion();
    QImage masked(const QImage& img) const;

    QImage m_bmNormal, m_bmDown, m_bmOver, m_bmFocus, m_bmDisabled, m_mask;
    mutable QHash<qint64, QImage> m_maskedCache; ///< state bitmaps with the mask applied, by source
    QRegion m_region;
    int m_drawMode = 0;
    int m_border = 0;
    int m_focusMargin = 0;
    QColor m_textColour; ///< paper by default: captions sit on the dark skin
    Kind m_kind = PushKind;
    bool m_checked = false;
    bool m_over = false;
    bool m_pressed = false;
};
