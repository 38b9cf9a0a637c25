// CPrinterMark: level, colour and tooltip of the Print button's printer dot.
#include "output/printer_mark.h"

#include <QPainter>

#include "output/printer_watch.h"
#include "skin/skin_theme.h"

PrinterMarkLevel MarkLevelOf(const PrinterHealth& health, bool hasAnswer)
{
    if (!hasAnswer)
        return PrinterMarkLevel::Unknown;
    // No queue at all is as worth a look as a paused one: a print would fail.
    if (health.needsAttention())
        return PrinterMarkLevel::Attention;
    if (health.state == PrinterState::Printing || health.queuedJobs > 0)
        return PrinterMarkLevel::Busy;
    if (health.state == PrinterState::Idle)
        return PrinterMarkLevel::Ready;
    return PrinterMarkLevel::Unknown;
}

QString MarkDescription(const PrinterHealth& health, bool hasAnswer)
{
    if (!hasAnswer)
        return QStringLiteral("Printer: asking...");
    if (!health.found)
        return health.name.isEmpty() ? QStringLiteral("Printer: none installed")
                                     : QStringLiteral("Printer %1: not found").arg(health.name);
    return QStringLiteral("Printer %1: %2").arg(health.name, health.summary());
}

CPrinterMark::CPrinterMark(QWidget* button, PrinterWatch* watch)
    : QWidget(button)
    , m_button(button)
    , m_buttonTip(button->toolTip())
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(button->width() - kSize - 3, 3, kSize, kSize);
    setAccessibleName(QStringLiteral("Printer state"));
    connect(watch, &PrinterWatch::healthChanged, this, &CPrinterMark::setHealth);
    button->setToolTip(m_buttonTip + QLatin1Char('\n') + MarkDescription({}, false));
    show();
}

QColor CPrinterMark::colourOf(PrinterMarkLevel level)
{
    using namespace skin::theme;
    switch (level) {
    case PrinterMarkLevel::Ready:
        return QColor(kGood);
    case PrinterMarkLevel::Busy:
        return QColor(kPaper);
    case PrinterMarkLevel::Attention:
        // Marigold, not coral: the mark sits on the coral Print button.
        return QColor(kMarigold);
    case PrinterMarkLevel::Unknown:
        break;
    }
    return QColor(kMuted);
}

void CPrinterMark::setHealth(const PrinterHealth& health)
{
    const PrinterMarkLevel level = MarkLevelOf(health);
    const QString description = MarkDescription(health);
    if (m_button) {
        m_button->setToolTip(m_buttonTip + QLatin1Char('\n') + description);
        m_button->setAccessibleDescription(description);
    }
    setAccessibleDescription(description);
    if (level != m_level) {
        m_level = level;
        update();
    }
}

void CPrinterMark::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF dot = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    p.setPen(QPen(QColor(skin::theme::kNight), 2));
    p.setBrush(colourOf(m_level));
    p.drawEllipse(dot);
    if (m_level == PrinterMarkLevel::Attention) {
        // An exclamation mark, so the warning does not rest on colour alone.
        p.setPen(QPen(QColor(skin::theme::kNight), 1.6, Qt::SolidLine, Qt::RoundCap));
        const qreal cx = dot.center().x();
        p.drawLine(QPointF(cx, dot.top() + 2.6), QPointF(cx, dot.center().y() + 1));
        p.drawPoint(QPointF(cx, dot.bottom() - 2.4));
    }
}
