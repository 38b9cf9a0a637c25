// TextInfo start values, the remembered record, and the conversions between the record and Qt.
#include "editing/text_info.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <QFontMetrics>
#include <QGuiApplication>

#include "app/corvantis_app.h"

namespace {

/// The logical-font default height (0) as the platform draws it.
constexpr int kDefaultPixelHeight = 16;

void copyBounded(char* dest, size_t capacity, const QByteArray& bytes)
{
    const size_t n = std::min(size_t(bytes.size()), capacity - 1);
    std::memcpy(dest, bytes.constData(), n);
    std::memset(dest + n, 0, capacity - n);
}

/// bytes cut to at most limit bytes without splitting a UTF-8 sequence.
QByteArray cutUtf8(const QByteArray& bytes, qsizetype limit)
{
    if (bytes.size() <= limit)
        return bytes;
    qsizetype n = limit;
    while (n > 0 && (uchar(bytes[n]) & 0xC0) == 0x80)
        --n;
    return bytes.left(n);
}

QString normaliseBreaks(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace

void DefaultTextInfo(TextInfo& info)
{
    std::memset(&info, 0, sizeof info);
    copyBounded(info.m_text, sizeof info.m_text, QByteArrayLiteral("Tolvenmark"));
    info.m_font.m_height = -36;
    info.m_font.m_weight = 400;
    info.m_font.m_charSet = 238;
    info.m_font.m_quality = 2; // proof quality
    copyBounded(info.m_font.m_faceName, sizeof info.m_font.m_faceName, QByteArrayLiteral("Arial"));
    info.m_textColour = 0xA0FFFF;
    info.m_align = 1;
    info.m_smooth = 1;
    info.m_opaque = 1;
    info.m_backColour = 0xA05000;
    info.m_backOpacity = 0.0f;
    info.m_outline = 0;
    info.m_rounding = 20;
}

TextInfo TextInfoFromProfile(const TextToolProfile& profile)
{
    TextInfo info;
    DefaultTextInfo(info);
    SetFaceNameOf(info, profile.m_faceName);
    info.m_font.m_charSet = uint8_t(profile.m_charSet);
    info.m_font.m_weight = profile.m_weight;
    info.m_font.m_italic = uint8_t(profile.m_italic);
    info.m_font.m_underline = uint8_t(profile.m_underline);
    info.m_textColour = profile.m_textColour;
    info.m_backColour = profile.m_backColour;
    info.m_opaque = uint8_t(profile.m_opaque);
    info.m_backOpacity = profile.m_opacity;
    info.m_rounding = uint8_t(profile.m_roundRadius);
    info.m_smooth = uint8_t(profile.m_antialias);
    return info;
}

TextInfo& RememberedTextInfo()
{
    static TextInfo remembered = [] {
        TextInfo info;
        DefaultTextInfo(info);
        return info;
    }();
    return remembered;
}

void SetUpRememberedTextInfo(const TextToolProfile& profile)
{
    RememberedTextInfo() = TextInfoFromProfile(profile);
}

QString TextOf(const TextInfo& info)
{
    const size_t n = strnlen(info.m_text, sizeof info.m_text);
    return normaliseBreaks(QString::fromUtf8(info.m_text, qsizetype(n)));
}

QString FitRecordText(const QString& text)
{
    QString lines = normaliseBreaks(text);
    // Each break is stored as one carriage return, as long as the "\n" it is shown as.
    const QByteArray bytes = cutUtf8(lines.toUtf8(), TextInfo::kMaxTextBytes);
    return QString::fromUtf8(bytes);
}

bool SetTextOf(TextInfo& info, const QString& text)
{
    const QString lines = normaliseBreaks(text);
    const QString fitted = FitRecordText(lines);
    QByteArray bytes = fitted.toUtf8();
    bytes.replace('\n', '\r');
    copyBounded(info.m_text, sizeof info.m_text, bytes);
    return fitted.size() == lines.size();
}

QString FaceNameOf(const TextInfo& info)
{
    return QString::fromUtf8(info.m_font.m_faceName, qsizetype(strnlen(info.m_font.m_faceName, 32)));
}

void SetFaceNameOf(TextInfo& info, const QString& face)
{
    copyBounded(info.m_font.m_faceName, sizeof info.m_font.m_faceName, cutUtf8(face.toUtf8(), 31));
}

QFont FontOfTextInfo(const TextInfo& info)
{
    const LogFontRecord& lf = info.m_font;
    QFont font(FaceNameOf(info));
    const int weight = lf.m_weight <= 0 ? 400 : std::clamp(lf.m_weight, 1, 1000);
    font.setWeight(QFont::Weight(weight));
    font.setItalic(lf.m_italic != 0);
    font.setUnderline(lf.m_underline != 0);
    font.setStrikeOut(lf.m_strikeOut != 0);
    font.setStyleStrategy(info.m_smooth ? QFont::PreferAntialias : QFont::NoAntialias);
    if (lf.m_height < 0) {
        font.setPixelSize(std::max(1, -lf.m_height));
    } else if (lf.m_height > 0) {
        // A positive height names the cell (ascent + descent), not the character height.
        font.setPixelSize(lf.m_height);
        if (QGuiApplication::instance()) {
            const int cell = QFontMetrics(font).height();
            if (cell > 0)
                font.setPixelSize(std::max(1, int(std::lround(double(lf.m_height) * lf.m_height / cell))));
        }
    } else {
        font.setPixelSize(kDefaultPixelHeight);
    }
    return font;
}

void SetFontOfTextInfo(TextInfo& info, const QFont& font)
{
    LogFontRecord& lf = info.m_font;
    if (font.pixelSize() > 0)
        lf.m_height = -font.pixelSize();
    else if (font.pointSizeF() > 0)
        lf.m_height = -int(std::lround(font.pointSizeF() * 96.0 / 72.0));
    lf.m_weight = font.weight();
    lf.m_italic = font.italic() ? 1 : 0;
    lf.m_underline = font.underline() ? 1 : 0;
    lf.m_strikeOut = font.strikeOut() ? 1 : 0;
    SetFaceNameOf(info, font.family());
}
