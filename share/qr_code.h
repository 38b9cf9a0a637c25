// QR codes of links through libqrencode, as module grids and as pictures.
#pragma once

#include <vector>

#include <QByteArray>
#include <QImage>
#include <QPainterPath>
#include <QPointF>

class QrCode {
public:
    /// The quiet zone scanners need around a code, in modules.
    static constexpr int kQuietZone = 4;

    /// Encodes text (8-bit mode, error correction level M). A null code when it does not fit.
    static QrCode encode(const QByteArray& text);

    bool isNull() const { return m_size == 0; }
    /// Modules across, without the quiet zone.
    int size() const { return m_size; }
    /// Modules across with the quiet zone on both sides.
    int sizeWithQuietZone() const { return m_size ? m_size + 2 * kQuietZone : 0; }
    bool dark(int x, int y) const { return m_modules[size_t(y) * size_t(m_size) + size_t(x)]; }
    /// Black modules of moduleSize pixels on white, with the quiet zone. Null for a null code.
    QImage image(int moduleSize) const;
    /// The dark modules as a path for a code whose quiet zone starts at topLeft: one rectangle per
    /// run of dark modules in a row, so no seams open between neighbours at any scale.
    QPainterPath darkPath(QPointF topLeft, double moduleSize) const;

private:
    int m_size = 0;
    std::vector<bool> m_modules;
};
