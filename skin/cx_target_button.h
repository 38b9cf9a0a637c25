// CxTargetButton: a skinned button that can be marked as the current target (the chosen layout,
// the slot a picture is dragged onto) and then shows its over bitmap until unmarked.
#pragma once

#include "skin/cx_skin_button.h"

class CxTargetButton : public CxSkinButton {
    Q_OBJECT
public:
    explicit CxTargetButton(QWidget* parent = nullptr);
    void setTarget(bool on);
    bool isTarget() const { return m_target; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    bool m_target = false;
};
