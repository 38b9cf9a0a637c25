// CButtonST: the icon button of the tool bars and message boxes: an icon (and a hover icon),
// six colour slots, flat or classic borders, transparent mode and an optional check-box mode.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QImage>

class CButtonST : public QAbstractButton {
    Q_OBJECT
public:
    /// Colour slots: background and text while hovered, while not hovered, while focused.
    enum ColorSlot { ColorBkIn = 0, ColorFgIn = 1, ColorBkOut = 2, ColorFgOut = 3, ColorBkFocus = 4, ColorFgFocus = 5 };
    enum { kSlotCount = 6, kInvalidIndex = 3 };

    explicit CButtonST(QWidget* parent = nullptr);

    /// Icons from resource ids; hover 0 = the normal icon is used while hovered too.
    void SetIcon(int normalId, int hoverId = 0);
    void SetIconImages(const QImage& normal, const QImage& hover = {});
    /// Check-box mode: the button toggles on click and shows checkedImage / uncheckedImage.
    void SetCheckImages(int uncheckedId, int checkedId);
    void SetCheckImageImages(const QImage& unchecked, const QImage& checked);
    bool GetCheck() const { return isChecked(); }
    void SetCheck(bool on) { setChecked(on); }

    /// Sets a colour slot; 0 on success, 3 for a slot above 5.
    int SetColor(int slot, const QColor& colour, bool repaint = true);
    QColor GetColor(int slot) const;

    void SetFlat(bool flat)
    {
        m_flat = flat;
        update();
    }
    void DrawBorder(bool on)
    {
        m_drawBorder = on;
        update();
    }
    /// Transparent mode: no background fill, the parent shows through.
    void DrawTransparent(bool on);
    /// Hover only when this button's window is the active one (false: any window).
    void SetTrackSelfOnly(bool on) { m_trackSelfOnly = on; }
    /// The tip; a button without a caption is also named by it for screen readers.
    void SetToolTipText(const QString& text)
    {
        setToolTip(text);
        if (this->text().isEmpty())
            setAccessibleName(text);
    }
    /// Gives a text button a rounded body of the theme (shadow, top highlight, focus ring) in
    /// these colours instead of the colour-slot background.
    void SetFace(const QColor& normal, const QColor& hover, const QColor& down);

    bool isHovered() const { return m_hover; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void leaveEvent(QEvent*) override;
    QSize sizeHint() const override;

private:
    QImage currentImage() const;

    QImage m_icon, m_iconHover, m_checkOff, m_checkOn;
    QColor m_colours[kSlotCount];
    QColor m_face, m_faceHover, m_faceDown;
    bool m_flat = true;
    bool m_drawBorder = false;
    bool m_transparent = false;
    bool m_trackSelfOnly = false;
    bool m_hover = false;
};
