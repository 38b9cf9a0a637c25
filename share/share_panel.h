// SharePanel: the QR code of a sheet's link, large enough to scan from a metre away, with the
// address in text beside it for phones that cannot scan. Drawn in the booth's theme.
#pragma once

#include <QWidget>

#include "share/qr_code.h"

class SharePanel : public QWidget {
    Q_OBJECT
public:
    /// The smallest module drawn, in pixels: with about 40 modules the code is then at least
    /// 320 px (about 8.5 cm on a 96 dpi screen), which phones read from a metre.
    static constexpr int kMinModule = 8;

    explicit SharePanel(QWidget* parent = nullptr);

    /// The link shown; an empty one shows the "nothing shared yet" placeholder.
    void setLink(const QString& url);
    QString link() const { return m_link; }
    /// The code's side in pixels as last drawn (0 without a link).
    int codeSide() const { return m_codeSide; }

    QSize sizeHint() const override { return { 640, 372 }; }
    QSize minimumSizeHint() const override { return { 520, 360 }; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_link;
    QrCode m_code;
    int m_codeSide = 0;
};
