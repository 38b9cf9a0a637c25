// CTransparentPic: a picture control that leaves the pixels of one colour out, so what lies
// behind it (a backdrop picture) shows through.
#pragma once

#include <QImage>
#include <QWidget>

class CTransparentPic : public QWidget {
    Q_OBJECT
public:
    explicit CTransparentPic(QWidget* parent = nullptr);

    /// Shows picture stretched over the control; pixels whose RGB equals key are left out.
    void setPicture(const QImage& picture, QRgb key);
    void setTransparentColor(QRgb key);
    /// Shows a picture with its own transparency (alpha) instead of a key colour.
    void setLayer(const QImage& picture);
    QRgb transparentColor() const { return m_key; }
    /// The picture as drawn: ARGB with the key colour made fully transparent.
    const QImage& keyedPicture() const { return m_keyed; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void rebuild();

    QImage m_picture;
    QImage m_keyed;
    QRgb m_key = 0x000000;
    bool m_layer = false; ///< m_picture carries its own alpha; no key
};
