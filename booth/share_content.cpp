// ShareContentOf: the sheet and shots a guest takes home.
#include "booth/share_content.h"

#include "booth/combination_slots.h"
#include "output/picture_save.h"
#include "picture/bitmap_scale.h"

ShareContent ShareContentOf(const CombinationSlots& model)
{
    ShareContent content;
    const QSize size = SaveOutputSize(0);
    content.sheet = ScaleBitmap(
        ComposeOnBackdrop(model.sheet(), model.emptySlotPicture()), size.width(), size.height(), ScaleSmooth);
    for (int i : model.usedSlots())
        content.shots.append(model.slot(i).m_composed);
    content.when = QDateTime::currentDateTime();
    return content;
}
