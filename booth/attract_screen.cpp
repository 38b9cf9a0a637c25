// The attract screen's slideshow and the choice of the pictures it shows.
#include "booth/attract_screen.h"

#include <algorithm>
#include <cmath>

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>

#include "booth/shot_archive.h"
#include "picture/picture_files.h"
#include "skin/skin_theme.h"

namespace {

using namespace skin::theme;

QFileInfoList pictureFiles(const QString& folder, const QString& pattern = {})
{
    QDir dir(folder);
    if (!pattern.isEmpty())
        dir.setNameFilters({ pattern });
    QFileInfoList out;
    for (const QFileInfo& f : dir.entryInfoList(QDir::Files | QDir::Readable))
        if (IsPictureFile(f.fileName()))
            out.append(f);
    return out;
}

} // namespace

QStringList RecentEventPictures(const QString& saveFolder, const QDate& day, int limit)
{
    if (saveFolder.isEmpty() || limit <= 0)
        return {};
    const ShotArchive archive(saveFolder);
    QFileInfoList found = pictureFiles(saveFolder);
    QFileInfoList shots = pictureFiles(archive.dayFolder(day), QStringLiteral("*_slot.*"));
    if (shots.isEmpty()) {
        // A booth started after midnight still shows the evening's shots.
        const QFileInfo today(archive.dayFolder(day));
        QStringList days = today.dir().entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
        for (const QString& name : days)
            if (QDate::fromString(name, QStringLiteral("yyyy-MM-dd")).isValid()) {
                shots = pictureFiles(today.dir().filePath(name), QStringLiteral("*_slot.*"));
                if (!shots.isEmpty())
                    break;
            }
    }
    found += shots;
    std::stable_sort(found.begin(), found.end(),
        [](const QFileInfo& a, const QFileInfo& b) { return a.lastModified() > b.lastModified(); });
    QStringList out;
    for (const QFileInfo& f : found) {
        if (out.size() >= limit)
            break;
        out.append(f.absoluteFilePath());
    }
    return out;
}

AttractScreen::AttractScreen(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    setAccessibleName(QStringLiteral("Touch to start"));
    setAccessibleDescription(QStringLiteral("A slideshow of the event's pictures. Touch or press any key to start."));
    m_slide.setInterval(kSlideMs);
    connect(&m_slide, &QTimer::timeout, this, &AttractScreen::showNext);
    // The fade and the breathing of the invitation.
    m_tick.setInterval(40);
    connect(&m_tick, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    m_clock.start();
}

void AttractScreen::setPictures(const QStringList& files)
{
    m_files = files;
    m_index = -1;
    m_current = m_previous = QImage();
}

void AttractScreen::start()
{
    m_index = -1;
    m_current = m_previous = QImage();
    showNext();
    m_previous = QImage(); // the first picture appears without a fade
    m_slide.start();
    m_tick.start();
    m_clock.restart();
}

void AttractScreen::stop()
{
    m_slide.stop();
    m_tick.stop();
}

void AttractScreen::showNext()
{
    if (m_files.isEmpty()) {
        m_index = -1;
        update();
        return;
    }
    // A picture that cannot be read is passed over; after a full round without one, none shows.
    for (int tries = 0; tries < int(m_files.size()); ++tries) {
        const int next = (m_index + 1) % int(m_files.size());
        m_index = next;
        const QImage picture = loadFitted(next);
        if (!picture.isNull()) {
            m_previous = m_current;
            m_current = picture;
            m_sinceChange.start();
            update();
            return;
        }
    }
    m_current = m_previous = QImage();
    update();
}

QRect AttractScreen::pictureBox() const
{
    // The upper four fifths; the invitation sits below.
    const int margin = std::max(12, height() / 18);
    return QRect(margin, margin, width() - 2 * margin, height() * 4 / 5 - margin);
}

QImage AttractScreen::loadFitted(int index) const
{
    QImageReader reader(m_files.value(index));
    reader.setAutoTransform(true);
    const QSize box = pictureBox().size() * 0.9;
    const QSize source = reader.size();
    // Large sheets are decoded reduced: the slideshow never needs more than the screen.
    if (source.isValid() && (source.width() > box.width() || source.height() > box.height()))
        reader.setScaledSize(source.scaled(box, Qt::KeepAspectRatio));
    QImage img = reader.read();
    if (img.isNull())
        return img;
    if (img.width() > box.width() || img.height() > box.height())
        img = img.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return img;
}

void AttractScreen::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    if (m_index >= 0) {
        m_current = loadFitted(m_index);
        m_previous = QImage();
    }
}

void AttractScreen::drawPrint(QPainter& p, const QImage& picture, qreal opacity, int turn) const
{
    const QRect box = pictureBox();
    // Small pictures (a 320 x 240 shot) are shown as large as the box allows.
    const QSizeF shown = QSizeF(picture.size()).scaled(QSizeF(box.size()) * 0.86, Qt::KeepAspectRatio);
    const qreal border = std::max(6.0, shown.height() / 28);
    QRectF print(QPointF(0, 0), shown + QSizeF(2 * border, 2 * border));
    p.save();
    p.setOpacity(opacity);
    p.translate(QRectF(box).center());
    p.rotate(turn % 2 == 0 ? -1.6 : 1.6);
    print.moveCenter(QPointF(0, 0));
    // A soft shadow below, then the paper and the picture on it.
    for (int i = 4; i >= 1; --i)
        p.fillRect(print.translated(0, border * 0.25 * i).adjusted(-i, -i, i, i), QColor(0, 0, 0, 18));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(kPaper));
    p.drawRoundedRect(print, 4, 4);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(print.adjusted(border, border, -border, -border), picture);
    p.restore();
}

void AttractScreen::drawInvitation(QPainter& p) const
{
    // The one line the screen exists for: a coral pill that breathes slowly.
    const qreal breath = 0.5 + 0.5 * std::sin(m_clock.elapsed() / 700.0);
    const int textPx = std::max(22, height() / 15);
    QFont f = captionFont(textPx, true);
    const QString text = QStringLiteral("Touch to start");
    const QFontMetrics fm(f);
    const int w = fm.horizontalAdvance(text) + textPx * 2;
    const int h = textPx * 2;
    const int bandTop = height() * 4 / 5;
    QRectF pill(0, 0, w, h);
    pill.moveCenter(QPointF(width() / 2.0, bandTop + (height() - bandTop) / 2.0));
    p.save();
    p.setPen(Qt::NoPen);
    QColor glow(kCoral);
    glow.setAlpha(int(40 + 50 * breath));
    const qreal spread = 4 + 8 * breath;
    p.setBrush(glow);
    p.drawRoundedRect(pill.adjusted(-spread, -spread, spread, spread), h / 2.0 + spread, h / 2.0 + spread);
    p.setBrush(QColor(kCoral));
    p.drawRoundedRect(pill, h / 2.0, h / 2.0);
    p.setFont(f);
    p.setPen(QColor(kPaper));
    p.drawText(pill, Qt::AlignCenter, text);
    p.restore();
}

void AttractScreen::drawNoPictures(QPainter& p) const
{
    // Before the first shot: the product's name over a large camera glyph.
    const QRect box = pictureBox();
    const qreal unit = std::min(box.width(), box.height()) / 10.0;
    QRectF body(0, 0, unit * 4.4, unit * 3);
    body.moveCenter(QPointF(box.center().x(), box.center().y() - unit * 0.6));
    p.save();
    QPen pen(QColor(kPaper), std::max(2.0, unit * 0.22));
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(body, unit * 0.5, unit * 0.5);
    // The viewfinder hump, drawn as one stroke so its corners join like the body's.
    QPainterPath hump;
    hump.moveTo(body.left() + unit * 1.3, body.top());
    hump.lineTo(body.left() + unit * 1.6, body.top() - unit * 0.6);
    hump.lineTo(body.left() + unit * 2.8, body.top() - unit * 0.6);
    hump.lineTo(body.left() + unit * 3.1, body.top());
    p.drawPath(hump);
    p.setPen(QPen(QColor(kMarigold), std::max(2.0, unit * 0.22)));
    p.drawEllipse(body.center(), unit * 0.95, unit * 0.95);
    p.setFont(captionFont(std::max(18, int(unit * 0.9)), true));
    p.setPen(QColor(kPaper));
    p.drawText(QRectF(box.left(), body.bottom() + unit * 0.5, box.width(), unit * 1.4), Qt::AlignCenter,
        QStringLiteral("Kivra Tesselwick"));
    p.restore();
}

void AttractScreen::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(kNight));
    sky.setColorAt(1, QColor(kNightLow));
    p.fillRect(rect(), sky);

    if (m_current.isNull()) {
        drawNoPictures(p);
    } else {
        const qreal t = m_previous.isNull() || !m_sinceChange.isValid()
            ? 1.0
            : std::clamp(m_sinceChange.elapsed() / qreal(kFadeMs), 0.0, 1.0);
        if (t < 1.0)
            drawPrint(p, m_previous, 1.0 - t, m_index + 1);
        drawPrint(p, m_current, t, m_index);
    }
    drawInvitation(p);
}
