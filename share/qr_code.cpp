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
    for (int y = 0; y < m_size; ++y)
        for (int x = 0; x < m_size; ++x)
            if (dark(x, y))
                p.fillRect(
                    (x + kQuietZone) * moduleSize, (y + kQuietZone) * moduleSize, moduleSize, moduleSize, Qt::black);
    return picture;
}
