// DlgMix: the modal layer mixer. Shows a picture as the base layer, lays stickers, other
// pictures and text over it, and hands back the flattened composite on OK.
#pragma once

#include <functional>
#include <optional>

#include <QCursor>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QStringList>

#include "editing/mix_compose.h"
#include "editing/mix_layer_data.h"
#include "platform/prompts.h"
#include "skin/skin_window.h"

class CxSkinButton;
class QListWidget;
class QScrollBar;
class MixView;

class DlgMix : public skin::SkinDialog {
    Q_OBJECT
public:
    enum ControlIds {
        kViewId = 1094,
        kHScrollId = 1105,
        kVScrollId = 1106,
        kLayerListId = 1127,
        kOkId = 1135,
        kCancelId = 2,
        kCloseId = 1175,
        kAddTextId = 1129,
        kRemoveId = 1130,
        kClearId = 1134,
        kLayerUpId = 1131,
        kLayerDownId = 1133,
        kReplaceImageId = 1108,
        kAddImageId = 1128,
        kMoveLeftId = 1116,
        kMoveUpId = 1121,
        kMoveDownId = 1122,
        kMoveRightId = 1119,
        kStripPreviousId = 1124,
        kStripNextId = 1125,
    };
    static constexpr int kStripSlotIds[5] = { 1206, 1207, 1208, 1091, 1209 };
    static constexpr int kStripSlots = 5;
    static constexpr QSize kSize { 500, 410 };
    static constexpr QRect kViewRect { 10, 32, 320, 240 };
    enum Result { IdOk = 1, IdCancel = 2 };

    /// Asks for a text record starting from the given one; nullopt when cancelled.
    using TextEditor = std::function<std::optional<TextInfo>(const TextInfo&)>;
    /// Asks for a picture file; empty when cancelled.
    using Browser = std::function<QString()>;

    /// picture: the picture to decorate (read on every pass, never changed). stickerFolder: the
    /// quick-pick strip's folder. remembered: the text settings every new text layer starts
    /// from and that each confirmed text dialog updates.
    DlgMix(const QImage& picture, const QString& stickerFolder, TextInfo& remembered,
        platform::Prompts& prompts = platform::prompts(), QWidget* parent = nullptr);
    ~DlgMix() override;

    /// The flattened composite of the last pass; what the caller takes after IdOk. A null image
    /// when the base picture could not be made.
    QImage result() const;
    const CxImage& resultImage() const { return m_result; }

    // The seams of the two modal choosers (default: DlgText and the thumbnail browser).
    void setTextEditor(TextEditor editor) { m_textEditor = std::move(editor); }
    void setBrowser(Browser browser) { m_browser = std::move(browser); }
    /// Decoded stickers are kept between passes unless turned off (the picture is the same).
    void setStickerCacheEnabled(bool on);

    // The commands, as the buttons run them.
    void addTextLayer();
    void addImageLayerByBrowsing();
    void addImageLayer(const QString& path) { m_list.addImageLayer(path); }
    void previousStripPage();
    void nextStripPage();
    void pressStripSlot(int slot);

    MixLayerList& layers() { return m_list; }
    const CxImage& composite() const { return m_composite; }
    int passes() const { return m_passes; }
    const QStringList& stickers() const { return m_stickers; }
    int stripFirst() const { return m_stripFirst; }
    const QString& stripSlotPath(int slot) const { return m_slotPaths[slot]; }
    CxSkinButton* stripSlot(int slot) const { return m_slotButtons[slot]; }
    /// Where the visible part of the composite is drawn, in client coordinates.
    QPoint drawOrigin() const { return m_drawOrigin; }
    int horizontalPosition() const { return m_hpos; }
    int verticalPosition() const { return m_vpos; }
    QScrollBar* horizontalBar() const { return m_hbar; }
    QScrollBar* verticalBar() const { return m_vbar; }
    const QCursor& hoverCursor() const { return m_hoverCursor; }
    const QCursor& dragCursor() const { return m_dragCursor; }
    bool isDragging() const { return m_dragging; }
    /// The selected layer's hit box moved by the drag so far (empty when not dragging).
    QRect dragOutline() const;
    /// The view as painted: the visible part of the composite at the draw origin.
    QImage viewPicture() const;

    /// Escape and the window's close end the mixer like its Cancel button: with IdCancel.
    void reject() override { done(IdCancel); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    friend class MixView;
    void compose();
    void layoutView();
    void refreshList();
    void onScroll(QScrollBar* bar, int& position, int action);
    void showStripPage();
    bool overSelected(QPoint p) const;
    void updateCursor(QPoint p);

    QImage m_picture;
    QString m_stickerFolder;
    TextInfo& m_remembered;
    platform::Prompts& m_prompts;
    TextEditor m_textEditor;
    Browser m_browser;

    MixLayerList m_list;
    StickerCache m_cache;
    bool m_cacheEnabled = true;
    CxImage m_composite;
    CxImage m_result;
    QImage m_display;
    int m_passes = 0;

    QPoint m_drawOrigin;
    int m_hpos = 0;
    int m_vpos = 0;
    bool m_dragging = false;
    QList<QPoint> m_points;
    QList<QPoint> m_released;
    QPoint m_pointer;
    QCursor m_hoverCursor;
    QCursor m_dragCursor;

    QStringList m_stickers;
    int m_stripFirst = 0;
    QString m_slotPaths[kStripSlots];
    CxSkinButton* m_slotButtons[kStripSlots] = {};

    MixView* m_view;
    QScrollBar* m_hbar;
    QScrollBar* m_vbar;
    QListWidget* m_listBox;
    int m_justSelected = -1;
    bool m_refreshing = false;
};
