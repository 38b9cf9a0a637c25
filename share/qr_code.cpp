// QrCode on libqrencode.
#include "share/qr_code.h"

#include <QPainter>
#include <qrencode.h>

QrCode QrCode::encode(const QByteArray& text)
{
    QrCode code;
    if (text.isEmpty())
        return code;
    QRcode* qr = QRcode_encodeData(
        int(text.size()), reinterpret_cast<const unsigned char*>(text.constData()), 0, QR_ECLEVEL_M);
    if (!qr)
        return code;
    code.m_size = qr->width;
    code.m_modules.resize(size_t(qr->width) * size_t(qr->width));
    for (size_t i = 0; i < code.m_modules.size(); ++i)
        code.m_modules[i] = qr->data[i] & 1; // bit 0: dark module
    QRcode_free(qr);
    return code;
}

QImage QrCode::image(int moduleSize) const
{
    if (isNull() || moduleSize < 1)
        return {};
    const int side = sizeWithQuietZone() * moduleSize;
    QImage picture(side, side, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter p(&picture);
    p.fillPath(darkPath(QPointF(0, 0), moduleSize), Qt::black);
    return picture;
}

QPainterPath QrCode::darkPath(QPointF topLeft, double moduleSize) const
{
    QPainterPath path;
    for (int y = 0; y < m_size; ++y)
        for (int x = 0; x < m_size;) {
            if (!dark(x, y)) {
                ++x;
                continue;
            }
            int end = x;
            while (end < m_size && dark(end, y))
                ++end;
            path.addRect(topLeft.x() + (x + kQuietZone) * moduleSize, topLeft.y() + (y + kQuietZone) * moduleSize,
                (end - x) * moduleSize, moduleSize);
            x = end;
        }
    return path;
}
