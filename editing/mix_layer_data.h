// MixLayerData and MixLayerList: the layers of the layer mixer and every operation that changes
// them, with the lines of the layer list box (text, check box, selection) kept beside them.
#pragma once

#include <cstdint>
#include <functional>

#include <QList>
#include <QPoint>
#include <QString>

#include "editing/text_info.h"
#include "imaging/cximage.h"

/// One layer, a plain value copied whole when layers are reordered.
struct MixLayerData {
    int32_t m_visible = 1;
    int32_t m_isText = 0;
    int32_t m_fromCaller = 0; ///< image layers: 1 = the caller's picture, 0 = the file at m_path
    int32_t m_anchor = 0; ///< placement mode; 0 = at (x, y), the only one the mixer stores
    int32_t m_x = 0; ///< image: left edge in the composite; text: DrawTextBox's x
    int32_t m_y = 0; ///< image: upward offset of the top edge; text: DrawTextBox's y (downward)
    CxRect m_hitBox { 0, 0, 0, 0 }; ///< dialog client coordinates, set by each composition pass
    QString m_path; ///< image file path, "TEXT" for text layers, empty for the base
    TextInfo m_textInfo; ///< text layers only

    MixLayerData() { DefaultTextInfo(m_textInfo); }
    /// Left and top inclusive, right and bottom exclusive.
    bool hitBoxContains(QPoint p) const
    {
        return p.x() >= m_hitBox.left && p.y() >= m_hitBox.top && p.x() < m_hitBox.right && p.y() < m_hitBox.bottom;
    }
};

/// The ordered layer list (index 0 drawn first) and its list-box lines. Every operation that
/// changes something ends by calling the change handler once (the composition pass); a drag move
/// calls it twice. Out-of-range indexes do nothing.
class MixLayerList {
public:
    static constexpr int kMoveStep = 2;
    static constexpr int kDefaultAnchor = 0;
    static constexpr int kTextStartX = 40;
    static constexpr int kTextStartY = 40;

    struct Line {
        QString text;
        bool checked = true;
    };

    void setChangeHandler(std::function<void()> handler) { m_changed = std::move(handler); }

    int count() const { return int(m_layers.size()); }
    bool isEmpty() const { return m_layers.isEmpty(); }
    const QList<MixLayerData>& layers() const { return m_layers; }
    /// Layer i for the composition pass to update (hit box, anchor, corrected text record).
    MixLayerData& layer(int i) { return m_layers[i]; }
    const QList<Line>& lines() const { return m_lines; }
    /// The selected line; -1 only while the list is empty.
    int selected() const { return m_selected; }
    const MixLayerData* selectedLayer() const
    {
        return m_selected >= 0 && m_selected < count() ? &m_layers[m_selected] : nullptr;
    }

    /// Where the last image layer that a composition pass placed was; new image layers start there.
    QPoint lastPlaced() const { return m_lastPlaced; }
    void setLastPlaced(QPoint p) { m_lastPlaced = p; }

    /// Once, when the dialog opens: the caller's picture as layer 0, line "Image".
    void addBaseLayer();
    /// Inserts the image file layer after the selected one; false (nothing done) for a blank path.
    bool addImageLayer(const QString& path);
    /// Inserts a text layer with info after the selected one, at (40, 40).
    void addTextLayer(const TextInfo& info);
    /// False when the base is selected.
    bool removeSelected();
    /// Removes every layer but the base and selects it.
    void clear();
    /// Toward index 0; false when the selection is 1 or less.
    bool layerUp();
    /// Toward the end; false on the base or the last layer.
    bool layerDown();

    /// The list box selection changed to line i: the layer's visible is read from its check box.
    bool selectLine(int i);
    /// The check box of line i was toggled; the layer takes it when its line is selected next.
    void setLineChecked(int i, bool checked);

    bool moveLeft() { return moveBy(-kMoveStep, 0); }
    bool moveRight() { return moveBy(kMoveStep, 0); }
    /// Either way the layer moves up on screen: text y shrinks, image y grows.
    bool moveUp() { return moveBy(0, -kMoveStep); }
    bool moveDown() { return moveBy(0, kMoveStep); }
    /// A drag of the selected layer by (dx, dy) screen pixels: x first, a pass, then y, a pass.
    bool dragMove(int dx, int dy);

private:
    /// Screen-direction move: dy > 0 is downward.
    bool moveBy(int dx, int dy);
    void insertAfterSelected(const MixLayerData& layer, const QString& lineText);
    void changed()
    {
        if (m_changed)
            m_changed();
    }
    static void addScreenDy(MixLayerData& layer, int dy) { layer.m_y += layer.m_isText ? dy : -dy; }

    QList<MixLayerData> m_layers;
    QList<Line> m_lines;
    int m_selected = -1;
    QPoint m_lastPlaced { 0, 0 };
    std::function<void()> m_changed;
};
