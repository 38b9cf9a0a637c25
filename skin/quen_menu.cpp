// CQuenMenu look: style sheet for the items, a rounded shape for the window.
#include "skin/quen_menu.h"

#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>

#include "skin/skin_theme.h"

namespace {

QString menuStyle()
{
    using namespace skin::theme;
    auto hex = [](QRgb c) { return QColor(c).name(); };
    return QStringLiteral("QMenu { background: %1; color: %2; border: 1px solid %3; padding: 6px 0px; }"
                          "QMenu::item { padding: 6px 28px 6px 18px; }"
                          "QMenu::item:selected { background: %4; color: %2; }"
                          "QMenu::item:disabled { color: %5; }"
                          "QMenu::separator { height: 1px; background: %3; margin: 5px 10px; }")
        .arg(hex(kPaper), hex(kInk), hex(kPaperShade), hex(kMarigold), hex(kMuted));
}

} // namespace

CQuenMenu::CQuenMenu(QWidget* parent)
    : QMenu(parent)
{
    setStyleSheet(menuStyle());
    setFont(skin::theme::captionFont(14));
    setWindowFlag(Qt::NoDropShadowWindowHint, true);
}

CQuenMenu::CQuenMenu(const QString& title, QWidget* parent)
    : CQuenMenu(parent)
{
    setTitle(title);
}

QAction* CQuenMenu::AppendMenu(const QString& text, int commandId)
{
    QAction* a = addAction(text);
    a->setData(commandId);
    return a;
}

int CQuenMenu::commandId(const QAction* action)
{
    return action ? action->data().toInt() : 0;
}

void CQuenMenu::resizeEvent(QResizeEvent* e)
{
    QMenu::resizeEvent(e);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), skin::theme::kButtonRadius, skin::theme::kButtonRadius);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}
