// Camera modes: reading them out of a device's caps and choosing the one the booth runs.
#include "capture/camera_mode.h"

#include <algorithm>
#include <cmath>

#include <gst/gst.h>

#include "capture/device_provider_p.h"
#include "capture/gst_handle_p.h"

using namespace capture_detail;

namespace {

// Rates are compared with a little slack: 30000/1001 is "30 fps", 15000/1001 is "15 fps".
constexpr double kRateSlack = 0.1;
constexpr double kMaxUsefulFps = 30.0;

std::vector<const GValue*> valuesOf(const GValue* v)
{
    std::vector<const GValue*> out;
    if (!v)
        return out;
    if (GST_VALUE_HOLDS_LIST(v)) {
        for (guint i = 0; i < gst_value_list_get_size(v); ++i)
            out.push_back(gst_value_list_get_value(v, i));
    } else {
        out.push_back(v);
    }
    return out;
}

// The frame rates worth trying out of a rate field: every listed rate; of a range its top and
// 30 fps when that lies inside. {0, 1} when the field is missing (the rate is not known).
std::vector<std::pair<int, int>> ratesOf(const GValue* field)
{
    std::vector<std::pair<int, int>> out;
    if (!field)
        return { { 0, 1 } };
    for (const GValue* v : valuesOf(field)) {
        if (GST_VALUE_HOLDS_FRACTION(v)) {
            out.emplace_back(gst_value_get_fraction_numerator(v), gst_value_get_fraction_denominator(v));
        } else if (GST_VALUE_HOLDS_FRACTION_RANGE(v)) {
            const GValue* lo = gst_value_get_fraction_range_min(v);
            const GValue* hi = gst_value_get_fraction_range_max(v);
            const int hn = gst_value_get_fraction_numerator(hi);
            const int hd = gst_value_get_fraction_denominator(hi);
            out.emplace_back(hn, hd);
            const double lowFps = double(gst_value_get_fraction_numerator(lo)) / gst_value_get_fraction_denominator(lo);
            if (hd > 0 && double(hn) / hd > kMaxUsefulFps && lowFps <= kMaxUsefulFps)
                out.emplace_back(int(kMaxUsefulFps), 1);
        }
    }
    return out;
}

bool isSystemMemory(const GstCapsFeatures* features)
{
    return !features || gst_caps_features_is_any(features)
        || gst_caps_features_is_equal(features, GST_CAPS_FEATURES_MEMORY_SYSTEM_MEMORY);
}

bool atLeast(const CameraMode& m, double fps)
{
    return m.fps() + kRateSlack >= fps;
}

// Of several rates of one size and encoding: the highest up to 30 fps, else the lowest above.
// Equal rates keep the device's order.
const CameraMode* preferredRate(const std::vector<const CameraMode*>& modes)
{
    const CameraMode* best = nullptr;
    for (const CameraMode* m : modes) {
        if (!best) {
            best = m;
            continue;
        }
        const bool mFits = m->fps() <= kMaxUsefulFps + kRateSlack;
        const bool bestFits = best->fps() <= kMaxUsefulFps + kRateSlack;
        if (mFits != bestFits) {
            if (mFits)
                best = m;
        } else if (mFits ? m->fps() > best->fps() : m->fps() < best->fps()) {
            best = m;
        }
    }
    return best;
}

// At one size: raw unless JPEG runs faster there.
const CameraMode* rawOrJpeg(const std::vector<const CameraMode*>& atSize)
{
    std::vector<const CameraMode*> raw;
    std::vector<const CameraMode*> jpeg;
    for (const CameraMode* m : atSize)
        (m->encoding == CameraMode::Raw ? raw : jpeg).push_back(m);
    const CameraMode* r = preferredRate(raw);
    const CameraMode* j = preferredRate(jpeg);
    if (!r)
        return j;
    if (!j)
        return r;
    return r->fps() + kRateSlack >= j->fps() ? r : j;
}

QString rateText(const CameraMode& m)
{
    const double fps = m.fps();
    if (fps <= 0)
        return QStringLiteral("an unknown rate");
    const bool whole = std::abs(fps - std::round(fps)) < 0.005;
    return QStringLiteral("%1 fps").arg(whole ? QString::number(int(std::round(fps))) : QString::number(fps, 'g', 4));
}

} // namespace

QString CameraMode::caps() const
{
    QString out = encoding == Jpeg ? QStringLiteral("image/jpeg") : QStringLiteral("video/x-raw");
    if (encoding == Raw && !format.isEmpty())
        out += QStringLiteral(",format=(string)") + format;
    out += QStringLiteral(",width=(int)%1,height=(int)%2").arg(width).arg(height);
    if (rateNumerator > 0 && rateDenominator > 0)
        out += QStringLiteral(",framerate=(fraction)%1/%2").arg(rateNumerator).arg(rateDenominator);
    return out;
}

QString CameraMode::describe() const
{
    const QString kind = encoding == Jpeg ? QStringLiteral("MJPEG") : format.isEmpty() ? QStringLiteral("raw") : format;
    return QStringLiteral("%1 x %2 %3 at %4").arg(width).arg(height).arg(kind, rateText(*this));
}

std::vector<CameraMode> CameraModesFromCaps(const QString& text)
{
    std::vector<CameraMode> out;
    if (text.trimmed().isEmpty() || !initGStreamer())
        return out;
    CapsPtr caps(gst_caps_from_string(text.toUtf8().constData()));
    if (!caps || gst_caps_is_any(caps.get()))
        return out;
    for (guint i = 0; i < gst_caps_get_size(caps.get()); ++i) {
        const GstStructure* s = gst_caps_get_structure(caps.get(), i);
        if (!isSystemMemory(gst_caps_get_features(caps.get(), i)))
            continue;
        CameraMode base;
        if (gst_structure_has_name(s, "image/jpeg"))
            base.encoding = CameraMode::Jpeg;
        else if (!gst_structure_has_name(s, "video/x-raw"))
            continue;
        // Stepwise sizes (a range) name no mode to ask for.
        if (!gst_structure_get_int(s, "width", &base.width) || !gst_structure_get_int(s, "height", &base.height)
            || base.width <= 0 || base.height <= 0)
            continue;
        std::vector<QString> formats;
        if (base.encoding == CameraMode::Raw) {
            for (const GValue* v : valuesOf(gst_structure_get_value(s, "format")))
                if (G_VALUE_HOLDS_STRING(v))
                    formats.push_back(QString::fromUtf8(g_value_get_string(v)));
        }
        if (formats.empty())
            formats.push_back(QString());
        const auto rates = ratesOf(gst_structure_get_value(s, "framerate"));
        for (const QString& format : formats) {
            for (const auto& [num, den] : rates) {
                CameraMode m = base;
                m.format = format;
                m.rateNumerator = num;
                m.rateDenominator = den > 0 ? den : 1;
                out.push_back(m);
            }
        }
    }
    return out;
}

std::optional<CameraMode> ChooseCameraMode(const std::vector<CameraMode>& modes, bool canDecodeJpeg)
{
    std::vector<const CameraMode*> usable;
    for (const CameraMode& m : modes)
        if (m.width > 0 && m.height > 0 && (m.encoding == CameraMode::Raw || canDecodeJpeg))
            usable.push_back(&m);
    if (usable.empty())
        return std::nullopt;

    auto largestAt = [&](double minFps) -> const CameraMode* {
        const CameraMode* largest = nullptr;
        for (const CameraMode* m : usable)
            if (atLeast(*m, minFps)
                && (!largest || m->pixels() > largest->pixels()
                    || (m->pixels() == largest->pixels() && m->width > largest->width)))
                largest = m;
        if (!largest)
            return nullptr;
        std::vector<const CameraMode*> atSize;
        for (const CameraMode* m : usable)
            if (atLeast(*m, minFps) && m->width == largest->width && m->height == largest->height)
                atSize.push_back(m);
        return rawOrJpeg(atSize);
    };
    for (const double minFps : { 25.0, 15.0 })
        if (const CameraMode* m = largestAt(minFps))
            return *m;

    // Nothing moves smoothly: the fastest, then the largest; raw before JPEG.
    const CameraMode* best = nullptr;
    for (const CameraMode* m : usable) {
        if (!best) {
            best = m;
            continue;
        }
        const double d = m->fps() - best->fps();
        if (d > kRateSlack
            || (std::abs(d) <= kRateSlack
                && (m->pixels() > best->pixels()
                    || (m->pixels() == best->pixels() && m->encoding == CameraMode::Raw
                        && best->encoding == CameraMode::Jpeg))))
            best = m;
    }
    return *best;
}

bool JpegDecoderAvailable()
{
    if (!initGStreamer())
        return false;
    GstElementFactory* factory = gst_element_factory_find("jpegdec");
    if (!factory)
        return false;
    gst_object_unref(factory);
    return true;
}
