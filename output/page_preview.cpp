// CPagePreview: scaling the plan's pages into the column and painting them.
#include "output/page_preview.h"

#include <algorithm>

#include <QPainter>

#include "skin/skin_theme.h"

namespace {

constexpr double kMmPerInch = 25.4;
constexpr int kGap = 8; ///< between pages
constexpr int kCaptionHeight = 34;
constexpr int kShadowOffset = 2;

QString pagesText(int n)
{
    return n == 1 ? QStringLiteral("1 page") : QStringLiteral("%1 pages").arg(n);
}

} // namespace

CPagePreview::CPagePreview(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAccessibleName(QStringLiteral("Pages"));
    clearPlan(QStringLiteral("Asking the printer..."));
}

bool CPagePreview::cutOff() const
{
    return m_plan.pageCount > 0 && m_plan.printedHeight > m_plan.pageHeight;
}

void CPagePreview::setPlan(const PrintPlan& plan, const PrintSurface& surface, const QImage& picture, QSize printedSize)
{
    m_plan = plan;
    m_surface = surface;
    m_picture = picture;
    m_printedSize = printedSize.isEmpty() ? picture.size() : printedSize;
    if (plan.pageCount == 0)
        m_caption = QStringLiteral("Nothing to print");
    else
        m_caption = pagesText(plan.pageCount) + (cutOff() ? QStringLiteral(",\nbottom cut off") : QString());
    setAccessibleDescription(QString(m_caption).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    layoutPages();
    update();
}

void CPagePreview::clearPlan(const QString& why)
{
    m_plan = {};
    m_picture = {};
    m_caption = why;
    setAccessibleDescription(why);
    layoutPages();
    update();
}

void CPagePreview::resizeEvent(QResizeEvent*)
{
    layoutPages();
}

void CPagePreview::layoutPages()
{
    m_pages.clear();
    if (m_plan.pageCount == 0 || m_surface.printerDpiX <= 0 || m_surface.printerDpiY <= 0)
        return;
    const bool paperKnown = m_surface.paperWidthMm > 0 && m_surface.paperHeightMm > 0;
    const double paperW = paperKnown ? m_surface.paperWidthMm : m_surface.printableWidthMm;
    const double paperH = paperKnown ? m_surface.paperHeightMm : m_surface.printableHeightMm;
    if (paperW <= 0 || paperH <= 0)
        return;
    // Every page at one scale, as wide as the column allows and as many as fit above the caption.
    const double room = height() - kCaptionHeight;
    const double scale = std::min((width() - kShadowOffset) / paperW, (room - kShadowOffset) / paperH);
    const double pageW = paperW * scale;
    const double pageH = paperH * scale;
    const int fit = std::max(1, int((room + kGap) / (pageH + kGap)));
    const int shown = std::min(m_plan.pageCount, fit);
    const double mmX = kMmPerInch / m_surface.printerDpiX; // mm per printer pixel
    const double mmY = kMmPerInch / m_surface.printerDpiY;
    const double left = (width() - kShadowOffset - pageW) / 2;
    for (int i = 0; i < shown; ++i) {
        PageBox box;
        box.paper = QRectF(left, i * (pageH + kGap), pageW, pageH);
        const double ml = paperKnown ? m_surface.marginLeftMm : 0;
        const double mt = paperKnown ? m_surface.marginTopMm : 0;
        box.printable = QRectF(box.paper.left() + ml * scale, box.paper.top() + mt * scale,
            m_surface.printableWidthMm * scale, m_surface.printableHeightMm * scale);
        const QRect& t = m_plan.strips[size_t(i)].target;
        box.strip = QRectF(box.printable.left() + t.x() * mmX * scale, box.printable.top() + t.y() * mmY * scale,
            t.width() * mmX * scale, t.height() * mmY * scale);
        m_pages.push_back(box);
    }
    if (shown < m_plan.pageCount)
        m_caption = pagesText(m_plan.pageCount) + QStringLiteral(",\n%1 shown").arg(shown)
            + (cutOff() ? QStringLiteral(", cut off") : QString());
}

void CPagePreview::paintEvent(QPaintEvent*)
{
    using namespace skin::theme;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    for (size_t i = 0; i < m_pages.size(); ++i) {
        const PageBox& box = m_pages[i];
        p.fillRect(box.paper.translated(kShadowOffset, kShadowOffset), QColor(kShadow));
        p.fillRect(box.paper, QColor(Qt::white));
        const PrintStrip& strip = m_plan.strips[i];
        if (!m_picture.isNull() && strip.sourceWidth > 0 && m_printedSize.width() > 0) {
            // What falls outside the printable area is not printed: draw only what lands.
            const double k = double(m_picture.width()) / m_printedSize.width();
            p.save();
            p.setClipRect(box.printable);
            p.drawImage(box.strip, m_picture, QRectF(strip.sourceX * k, 0, strip.sourceWidth * k, m_picture.height()));
            p.restore();
        }
        // The label's place, as a short rule of text.
        if (m_plan.labelled) {
            const QPointF label(
                box.printable.left() + m_plan.labelPosition.x() * box.printable.width() / m_plan.pageWidth,
                box.printable.top()
                    + m_plan.labelPosition.y() * box.printable.height() / std::max(1, m_plan.pageHeight));
            p.setPen(QPen(QColor(kInk), 1.5));
            p.drawLine(label + QPointF(-6, -1.5), label + QPointF(0, -1.5));
        }
        p.setPen(QPen(QColor(kMuted), 1, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(box.printable.adjusted(0.5, 0.5, -0.5, -0.5));
        if (box.strip.bottom() > box.printable.bottom() + 0.5) {
            p.setPen(QPen(QColor(kCoral), 2));
            p.drawLine(QPointF(box.printable.left(), box.printable.bottom()),
                QPointF(box.printable.right(), box.printable.bottom()));
        }
    }
    p.setPen(QColor(kPaper));
    p.setFont(captionFont(13));
    const double top = m_pages.empty() ? 0 : m_pages.back().paper.bottom() + kGap;
    p.drawText(QRectF(0, top, width(), height() - top), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, m_caption);
}
