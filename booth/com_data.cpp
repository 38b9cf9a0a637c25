// ComData copying and the five slot layouts.
#include "booth/com_data.h"

ComData::ComData(const ComData& other)
{
    *this = other;
}

ComData& ComData::operator=(const ComData& other)
{
    if (this == &other)
        return *this;
    m_pictureControl = other.m_pictureControl;
    m_left = other.m_left;
    m_top = other.m_top;
    m_right = other.m_right;
    m_bottom = other.m_bottom;
    m_used = other.m_used;
    m_composed = other.m_composed;
    m_background = other.m_background;
    m_frame = other.m_frame;
    m_controlId = other.m_controlId;
    if (other.m_effects.IsEmpty())
        m_effects.Clear();
    else
        m_effects.CopyFrom(other.m_effects);
    m_opacity = other.m_opacity;
    m_edited = other.m_edited;
    m_original = other.m_original;
    return *this;
}

void ComData::setRect(const QRect& r)
{
    m_left = r.left();
    m_top = r.top();
    m_right = r.left() + r.width();
    m_bottom = r.top() + r.height();
}

namespace {

constexpr int kLargeW = 174;
constexpr int kLargeH = 130;
constexpr int kSmallW = 84;
constexpr int kSmallH = 62;
constexpr int kColumns[4] = { 428, 518, 608, 698 };
constexpr int kRows[4] = { 66, 134, 202, 270 };

QRect large(int x, int y)
{
    return QRect(x, y, kLargeW, kLargeH);
}
QRect small(int x, int y)
{
    return QRect(x, y, kSmallW, kSmallH);
}

} // namespace

std::vector<QRect> SlotLayoutRects(int layout)
{
    switch (layout) {
    case 0:
        return { large(428, 66), small(608, 66), small(698, 66), small(608, 134), small(698, 134), small(428, 202),
            small(518, 202), small(608, 202), small(698, 202), small(428, 270), small(518, 270), small(608, 270),
            small(698, 270) };
    case 1:
        return { large(428, 66), large(608, 66), large(428, 202), large(608, 202) };
    case 2:
        return { large(428, 66), small(608, 66), small(698, 66), small(608, 134), small(698, 134), small(428, 202),
            small(518, 202), large(608, 202), small(428, 270), small(518, 270) };
    case 3: {
        std::vector<QRect> rects;
        for (int row : kRows)
            for (int column : kColumns)
                rects.push_back(small(column, row));
        return rects;
    }
    case 4:
        return { large(428, 66), large(608, 66), large(428, 202), small(608, 202), small(698, 202), small(608, 270),
            small(698, 270) };
    default:
        return {};
    }
}
