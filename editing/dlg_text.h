// DlgText: "Place text to image", the modal editor of one text record (text, font, colours,
// alignment, background box, opacity, rounding, antialiasing).
#pragma once

#include "editing/text_info.h"
#include "platform/prompts.h"
#include "skin/skin_window.h"

class CButtonST;
class QPlainTextEdit;
class QSlider;
class SkStatic;

class DlgText : public skin::SkinDialog {
    Q_OBJECT
public:
    enum ControlIds {
        kOkId = 1,
        kCancelId = 2,
        kFontId = 3,
        kTextId = 1000,
        kBackgroundCheckId = 1003,
        kCentredId = 1005,
        kLeftId = 1009,
        kRightId = 1013,
        kTextColourId = 1073,
        kBackColourId = 1076,
        kOpacitySliderId = 1079,
        kRoundingSliderId = 1082,
        kOpacityLabelId = 1084,
        kRoundingLabelId = 1086,
        kAntialiasId = 1101,
    };
    enum Result { IdOk = 1, IdCancel = 2 };

    /// The dialog edits its own copy of info; the font and colour dialogs come through prompts.
    explicit DlgText(const TextInfo& info, platform::Prompts& prompts = platform::prompts(), QWidget* parent = nullptr);

    /// The edited record; after IdOk it holds the edit box's text and the check boxes' states.
    const TextInfo& result() const { return m_info; }

    /// The texts of the two value labels.
    static QString opacityLabel(float opacity);
    static QString roundingLabel(int rounding);

public slots:
    void accept() override;
    void reject() override;

private:
    void chooseFont();
    void chooseColour(uint32_t& colour);
    void setAlignment(int align);
    /// Checks the button of align without touching the record.
    void showAlignment(int align);
    void onBackgroundToggled(bool on);
    void keepTextWithinRecord();
    void applyEditColours();
    void takeOpacity(int position);
    void takeRounding(int position);

    TextInfo m_info;
    platform::Prompts& m_prompts;
    QPlainTextEdit* m_edit;
    CButtonST* m_background;
    CButtonST* m_antialias;
    CButtonST* m_align[3]; ///< by alignment value: to left, centered, to right
    QSlider* m_opacity;
    QSlider* m_rounding;
    SkStatic* m_opacityLabel;
    SkStatic* m_roundingLabel;
};
