// SkStatic painting.
#include "skin/sk_static.h"

#include <QAccessibleWidget>
#include <QPainter>

#include "skin/skin_theme.h"

namespace {

/// Screen readers read a static text by its text, unless it was given a name of its own.
class AccessibleStatic : public QAccessibleWidget {
public:
    explicit AccessibleStatic(SkStatic* w)
        : QAccessibleWidget(w, QAccessible::StaticText)
    {
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<const SkStatic*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* staticFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("SkStatic") && object && object->isWidgetType())
        return new AccessibleStatic(static_cast<SkStatic*>(object));
    return nullptr;
}

} // namespace

SkStatic::SkStatic(QWidget* parent)
    : QWidget(parent)
    , m_colour(QColor(skin::theme::kPaper))
{
    static const bool factoryInstalled = (QAccessible::installFactory(staticFactory), true);
    Q_UNUSED(factoryInstalled);
    setAttribute(Qt::WA_TranslucentBackground, true);
    setFont(skin::theme::captionFont());
}

SkStatic::SkStatic(const QString& text, QWidget* parent)
    : SkStatic(parent)
{
    m_text = text;
}

void SkStatic::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    if (QAccessible::isActive() && accessibleName().isEmpty()) {
        QAccessibleEvent e(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&e);
    }
    update();
}

void SkStatic::setTextColor(const QColor& c)
{
    m_colour = c;
    update();
}

void SkStatic::setAlignment(Qt::Alignment a)
{
    m_align = a;
    update();
}

void SkStatic::setWordWrap(bool on)
{
    m_wrap = on;
    update();
}

QSize SkStatic::sizeHint() const
{
    return fontMetrics().size(0, m_text) + QSize(2, 2);
}

void SkStatic::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setFont(font());
    p.setPen(isEnabled() ? m_colour : QColor(skin::theme::kMuted));
    if (m_wrap || m_text.contains(QLatin1Char('\n'))) {
        p.drawText(rect(), int(m_align) | (m_wrap ? Qt::TextWordWrap : 0), m_text);
        return;
    }
    p.drawText(rect(), int(m_align) | Qt::TextSingleLine, fontMetrics().elidedText(m_text, Qt::ElideRight, width()));
}
