// TextInfo: the text and style record the text tool edits and DrawTextBox draws, its start
// values, and the one remembered record of the process that every text layer starts from.
#pragma once

#include <cstdint>

#include <QFont>
#include <QString>

struct TextToolProfile;

/// The platform's logical-font record, field for field (height < 0: character height in pixels,
/// > 0: cell height, 0: default; weight 0 = default, 400 normal, 700 bold).
struct LogFontRecord {
    int32_t m_height;
    int32_t m_width;
    int32_t m_escapement;
    int32_t m_orientation;
    int32_t m_weight;
    uint8_t m_italic;
    uint8_t m_underline;
    uint8_t m_strikeOut;
    uint8_t m_charSet;
    uint8_t m_outPrecision;
    uint8_t m_clipPrecision;
    uint8_t m_quality;
    uint8_t m_pitchAndFamily;
    char m_faceName[32]; ///< zero-terminated
};
static_assert(sizeof(LogFontRecord) == 60);

/// A plain value record, copied whole. Text is UTF-8 and zero-terminated; a carriage return (13)
/// separates lines. Colours are 0x00BBGGRR.
struct TextInfo {
    static constexpr int kTextCapacity = 4096;
    static constexpr int kMaxTextBytes = kTextCapacity - 1;

    char m_text[kTextCapacity];
    LogFontRecord m_font;
    uint32_t m_textColour;
    int32_t m_align; ///< 0 left, 1 centred, 2 right; any other value is drawn centred
    uint8_t m_smooth; ///< antialiased text
    uint8_t m_opaque; ///< background box drawn
    uint32_t m_backColour;
    float m_backOpacity; ///< 0.0..1.0: how much of the picture shows through the box
    uint8_t m_outline;
    uint8_t m_rounding; ///< corner radius in percent of the line height, 0..50
};
static_assert(sizeof(TextInfo) == 4180);

/// Fills info with the start values: "Tolvenmark", Arial at height -36, weight 400, character
/// set 238, proof quality, text colour 0xA0FFFF, centred, antialiased, opaque background
/// 0xA05000 at opacity 0, rounding 20.
void DefaultTextInfo(TextInfo& info);
/// DefaultTextInfo with the "TextTool" profile values laid over it.
TextInfo TextInfoFromProfile(const TextToolProfile& profile);

/// The process-wide remembered text settings (start values until set up or changed).
TextInfo& RememberedTextInfo();
/// The start-up step: the remembered text settings become TextInfoFromProfile(profile).
void SetUpRememberedTextInfo(const TextToolProfile& profile);

/// The record's text with every line break as "\n".
QString TextOf(const TextInfo& info);
/// Stores text (any of "\r\n", "\r", "\n" becomes one carriage return), cut on a character
/// boundary so it fits kMaxTextBytes. Returns false when it had to be cut.
bool SetTextOf(TextInfo& info, const QString& text);
/// text as it fits the record: line breaks kept as "\n", cut like SetTextOf.
QString FitRecordText(const QString& text);

QString FaceNameOf(const TextInfo& info);
void SetFaceNameOf(TextInfo& info, const QString& face);

/// The font the record describes (antialiasing follows smooth).
QFont FontOfTextInfo(const TextInfo& info);
/// Takes the face, size, weight, italic, underline and strike-out of font into the record;
/// the colours are not touched.
void SetFontOfTextInfo(TextInfo& info, const QFont& font);
