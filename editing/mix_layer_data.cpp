// The layer list operations of the mixer.
#include "editing/mix_layer_data.h"

namespace {

const QString kTextPath = QStringLiteral("TEXT");

} // namespace

void MixLayerList::addBaseLayer()
{
    MixLayerData base;
    base.m_fromCaller = 1;
    m_layers.insert(0, base);
    m_lines.insert(0, Line { QStringLiteral("Image"), true });
    m_selected = 0;
    changed();
}

void MixLayerList::insertAfterSelected(const MixLayerData& layer, const QString& lineText)
{
    const int at = m_selected < 0 ? count() : m_selected + 1;
    m_layers.insert(at, layer);
    m_lines.insert(at, Line { lineText, true });
    m_selected = at;
}

bool MixLayerList::addImageLayer(const QString& path)
{
    const QString trimmed = path.trimmed();
    if (trimmed.isEmpty())
        return false;
    MixLayerData layer;
    layer.m_anchor = kDefaultAnchor;
    layer.m_x = m_lastPlaced.x();
    layer.m_y = m_lastPlaced.y();
    layer.m_path = trimmed;
    insertAfterSelected(layer, trimmed);
    changed();
    return true;
}

void MixLayerList::addTextLayer(const TextInfo& info)
{
    MixLayerData layer;
    layer.m_isText = 1;
    layer.m_anchor = kDefaultAnchor;
    layer.m_x = kTextStartX;
    layer.m_y = kTextStartY;
    layer.m_path = kTextPath;
    layer.m_textInfo = info;
    insertAfterSelected(layer, kTextPath);
    changed();
}

bool MixLayerList::removeSelected()
{
    if (m_selected <= 0 || m_selected >= count())
        return false;
    m_layers.removeAt(m_selected);
    m_lines.removeAt(m_selected);
    if (m_selected >= count())
        m_selected = count() - 1;
    changed();
    return true;
}

void MixLayerList::clear()
{
    if (isEmpty())
        return;
    for (int i = count() - 1; i >= 1; --i) {
        m_layers.removeAt(i);
        m_lines.removeAt(i);
    }
    m_selected = 0;
    changed();
}

bool MixLayerList::layerUp()
{
    if (m_selected <= 1 || m_selected >= count())
        return false;
    // The record leaving its place goes through a scratch copy, as the list box line does.
    const MixLayerData scratch = m_layers[m_selected];
    const bool checked = m_lines[m_selected].checked;
    m_layers.removeAt(m_selected);
    m_lines.removeAt(m_selected);
    --m_selected;
    m_layers.insert(m_selected, scratch);
    m_lines.insert(m_selected, Line { scratch.m_path, checked });
    changed();
    return true;
}

bool MixLayerList::layerDown()
{
    if (m_selected <= 0 || m_selected >= count() - 1)
        return false;
    const int next = m_selected + 1;
    const MixLayerData scratch = m_layers[next];
    const bool checked = m_lines[next].checked;
    m_layers.removeAt(next);
    m_lines.removeAt(next);
    m_layers.insert(m_selected, scratch);
    m_lines.insert(m_selected, Line { scratch.m_path, checked });
    m_selected = next;
    changed();
    return true;
}

bool MixLayerList::selectLine(int i)
{
    if (i < 0 || i >= count())
        return false;
    m_selected = i;
    m_layers[i].m_visible = m_lines[i].checked ? 1 : 0;
    changed();
    return true;
}

void MixLayerList::setLineChecked(int i, bool checked)
{
    if (i >= 0 && i < count())
        m_lines[i].checked = checked;
}

bool MixLayerList::moveBy(int dx, int dy)
{
    if (m_selected < 0 || m_selected >= count())
        return false;
    MixLayerData& layer = m_layers[m_selected];
    layer.m_anchor = kDefaultAnchor;
    layer.m_x += dx;
    addScreenDy(layer, dy);
    changed();
    return true;
}

bool MixLayerList::dragMove(int dx, int dy)
{
    if (m_selected < 0 || m_selected >= count())
        return false;
    m_layers[m_selected].m_anchor = kDefaultAnchor;
    m_layers[m_selected].m_x += dx;
    changed();
    // The first pass may have run anything; the index is checked again before the second step.
    if (m_selected < 0 || m_selected >= count())
        return true;
    addScreenDy(m_layers[m_selected], dy);
    changed();
    return true;
}
