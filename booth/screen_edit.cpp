// DlgCorvantis: a used slot edited in the filter workbench and handed back on OK.
#include "booth/dlg_corvantis.h"

#include "editing/dlg_filter.h"

bool DlgCorvantis::editSlot(int index)
{
    if (index < 0 || index >= m_slots.count() || !m_slots.slot(index).m_used)
        return false;
    DlgFilter workbench(m_slots.slot(index).m_composed, this);
    const int result = m_workbenchRunner ? m_workbenchRunner(workbench) : workbench.exec();
    if (result != DlgFilter::IdOk || !m_slots.handBackEdit(index, workbench.displayBitmap()))
        return false;
    updateSlotWidget(index);
    return true;
}
