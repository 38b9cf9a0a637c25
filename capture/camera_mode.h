// Which of a camera's modes (encoding, size, frame rate) the booth runs it in, chosen from the
// modes the device lists: the sharpest picture that still moves smoothly.
#pragma once

#include <optional>
#include <vector>

#include <QString>

struct CameraMode {
    enum Encoding { Raw, Jpeg };

    Encoding encoding = Raw;
    /// The raw pixel format as GStreamer names it ("YUY2", "NV12", ...); empty: any.
    QString format;
    int width = 0;
    int height = 0;
    int rateNumerator = 0;
    int rateDenominator = 1;

    double fps() const { return rateDenominator > 0 ? double(rateNumerator) / rateDenominator : 0.0; }
    qint64 pixels() const { return qint64(width) * height; }
    /// The caps that ask the device for exactly this mode.
    QString caps() const;
    /// "1920 x 1080 MJPEG at 30 fps", "640 x 480 YUY2 at 7.5 fps".
    QString describe() const;

    bool operator==(const CameraMode&) const = default;
};

/// The modes in a caps description as a device lists them (gst_caps_to_string form), one per
/// frame rate. Raw video and JPEG with discrete sizes only: other encodings (H.264, ...) and size
/// ranges are left out. Empty when the text does not parse.
std::vector<CameraMode> CameraModesFromCaps(const QString& caps);

/// The mode to run a camera in: the largest picture at 25 fps or more, else at 15 fps or more,
/// else the fastest there is. At the chosen size JPEG is taken only when the raw modes are slower
/// (and only with canDecodeJpeg); the frame rate is the highest up to 30 fps, as more only costs
/// time in the preview. Nothing when no mode is usable.
std::optional<CameraMode> ChooseCameraMode(const std::vector<CameraMode>& modes, bool canDecodeJpeg = true);

/// True when GStreamer's JPEG decoder (jpegdec) can be made.
bool JpegDecoderAvailable();
