// ShareContentOf: the sheet and shots a guest takes home.
#include "booth/share_content.h"

#include "booth/combination_slots.h"
#include "output/sheet_picture.h"

ShareContent ShareContentOf(const CombinationSlots& model)
{
    return ShareContentOf(model.sheetPicture());
}

ShareContent ShareContentOf(const SheetPicture& sheet)
{
    ShareContent content;
    // What the guest takes home is the sheet at full resolution on white paper, and each shot as
    // its slot shows it, drawn from the shot as taken where the slot has one.
    content.sheet = sheet.composeFull(QImage(), kPaperWhite);
    for (const SheetSlot& slot : sheet.slotList()) {
        QImage shot = slot.render ? slot.render(slot.nativeSize) : QImage();
        content.shots.append(shot.isNull() ? slot.picture : shot);
    }
    content.when = QDateTime::currentDateTime();
    return content;
}
