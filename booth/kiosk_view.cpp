// KioskView: the booth scaled into a full-screen view through a graphics proxy, so the skinned
// controls keep painting themselves and receive input mapped back into their own coordinates.
#include "booth/kiosk_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include "app/app_paths.h"
#include "app/booth_settings.h"
#include "booth/attract_screen.h"
#include "booth/booth.h"
#include "booth/booth_screen.h"
#include "skin/skin_theme.h"

namespace {

constexpr QSize kBoothSize(800, 600);
/// Presses arriving this soon after the attract screen went are the same touch ending.
constexpr int kDismissSwallowMs = 400;

bool isInput(QEvent::Type t)
{
    switch (t) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::TouchBegin:
    case QEvent::Wheel:
    case QEvent::TabletPress:
        return true;
    default:
        return false;
    }
}

bool isPointerFollowUp(QEvent::Type t)
{
    return t == QEvent::MouseButtonRelease || t == QEvent::MouseButtonPress || t == QEvent::MouseButtonDblClick
        || t == QEvent::TouchUpdate || t == QEvent::TouchEnd || t == QEvent::KeyRelease;
}

} // namespace

KioskView::KioskView(BoothScreen& screen, QWidget* parent)
    : QGraphicsView(parent)
    , m_screen(screen)
{
    setWindowTitle(screen.windowTitle());
    setWindowIcon(screen.windowIcon());
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setBackgroundBrush(QColor(skin::theme::kNight));
    setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
    setAlignment(Qt::AlignCenter);
    // The booth repaints small parts (the live picture, a button): only those are redrawn.
    setViewportUpdateMode(QGraphicsView::SmartViewportUpdate);
    viewport()->setAttribute(Qt::WA_AcceptTouchEvents, true);

    // On the viewport, where screen readers find it (a scroll area shows them only its viewport).
    m_attract = new AttractScreen(viewport());
    m_attract->hide();
    // Set before the screen joins the scene, which shows it. The screen fills the view: its title
    // band no longer moves a window.
    screen.setWindowDragBand(0);
    screen.setScreenshotGrabber([this] { return grab().toImage(); });
    screen.setShowWindowHandler([this](const QString& name) {
        if (name.compare(QLatin1String("attract"), Qt::CaseInsensitive) != 0)
            return false;
        showAttract();
        return true;
    });

    auto* scene = new QGraphicsScene(this);
    scene->setBackgroundBrush(Qt::NoBrush);
    setScene(scene);
    m_screenFlags = screen.windowFlags();
    m_proxy = scene->addWidget(&screen, Qt::FramelessWindowHint);
    m_proxy->setPos(0, 0);
    scene->setSceneRect(QRectF(QPointF(0, 0), QSizeF(kBoothSize)));
    m_idle.setSingleShot(true);
    connect(&m_idle, &QTimer::timeout, this, &KioskView::idleOver);
    qApp->installEventFilter(this);
    fit();
}

KioskView::~KioskView()
{
    qApp->removeEventFilter(this);
    m_screen.setScreenshotGrabber({});
    m_screen.setShowWindowHandler({});
    // The screen belongs to the caller: it leaves the scene before the proxy is destroyed.
    if (m_proxy && m_proxy->widget() == &m_screen) {
        m_screen.hide();
        m_proxy->setWidget(nullptr);
        m_screen.setParent(nullptr, m_screenFlags);
    }
    m_screen.setWindowDragBand(skin::theme::kTitleBand);
}

qreal KioskView::boothScale() const
{
    const QSize view = viewport()->size();
    return std::min(qreal(view.width()) / kBoothSize.width(), qreal(view.height()) / kBoothSize.height());
}

QRect KioskView::boothRect() const
{
    return QRect(mapFromScene(QPointF(0, 0)), mapFromScene(QPointF(kBoothSize.width(), kBoothSize.height())))
        .adjusted(0, 0, -1, -1);
}

QPoint KioskView::mapFromBooth(const QPoint& boothPoint) const
{
    // Pixel centres both ways, so a point mapped there and back is the same pixel.
    const QPointF scene = m_proxy->mapToScene(QPointF(boothPoint) + QPointF(0.5, 0.5));
    const QPointF view = viewportTransform().map(scene);
    return QPoint(int(std::floor(view.x())), int(std::floor(view.y())));
}

QPoint KioskView::mapToBooth(const QPoint& viewPoint) const
{
    const QPointF scene = viewportTransform().inverted().map(QPointF(viewPoint) + QPointF(0.5, 0.5));
    const QPointF booth = m_proxy->mapFromScene(scene);
    return QPoint(int(std::floor(booth.x())), int(std::floor(booth.y())));
}

void KioskView::fit()
{
    const qreal s = boothScale();
    if (s <= 0)
        return;
    setTransform(QTransform::fromScale(s, s));
    centerOn(QPointF(kBoothSize.width() / 2.0, kBoothSize.height() / 2.0));
    if (m_attract)
        m_attract->setGeometry(viewport()->rect());
}

void KioskView::resizeEvent(QResizeEvent* e)
{
    QGraphicsView::resizeEvent(e);
    fit();
}

void KioskView::showEvent(QShowEvent* e)
{
    QGraphicsView::showEvent(e);
    fit();
    scene()->setActiveWindow(m_proxy);
    m_proxy->setFocus(Qt::ActiveWindowFocusReason);
    restartIdle();
}

void KioskView::setAttractIdle(int seconds)
{
    m_idleSeconds = std::max(0, seconds);
    restartIdle();
}

void KioskView::restartIdle()
{
    if (m_idleSeconds > 0 && isVisible())
        m_idle.start(m_idleSeconds * 1000);
    else
        m_idle.stop();
}

void KioskView::idleOver()
{
    // Never over a guest mid-shot or over a question waiting for the operator.
    if (m_screen.booth().shooting().isShooting() || QApplication::activeModalWidget()
        || QApplication::activePopupWidget()) {
        restartIdle();
        return;
    }
    showAttract();
}

void KioskView::showAttract()
{
    const QString saveFolder = m_screen.booth().paths().m_saveFolder.isEmpty() ? appdefaults::defaultSaveFolder()
                                                                               : m_screen.booth().paths().m_saveFolder;
    m_attract->setPictures(RecentEventPictures(saveFolder, QDate::currentDate()));
    m_attract->setGeometry(viewport()->rect());
    m_attract->start();
    m_attract->raise();
    m_attract->show();
    m_idle.stop();
}

bool KioskView::isAttractShown() const
{
    return m_attract->isVisible();
}

void KioskView::closeEvent(QCloseEvent* e)
{
    // The window's close is the booth's close: the same questions and the operator lock decide.
    if (!m_screen.confirmEndSession()) {
        e->ignore();
        return;
    }
    m_screen.reject();
    QGraphicsView::closeEvent(e);
}

void KioskView::adoptWindow(QWidget* window)
{
    QGraphicsProxyWidget* proxy = window->graphicsProxyWidget();
    if (!proxy || proxy == m_proxy)
        return;
    // The proxy was made when the window was created, with the flags it had then: a skinned
    // dialog turns frameless only afterwards, and would be drawn in the view's plain frame.
    if (proxy->windowFlags() != window->windowFlags())
        proxy->setWindowFlags(window->windowFlags());
    // A dialog run modally blocks the booth under it, as it does outside the view: the view is
    // one window, so the window system cannot do it here.
    if (window->isModal() || window->windowModality() != Qt::NonModal) {
        proxy->setFlag(QGraphicsItem::ItemIsPanel);
        proxy->setPanelModality(QGraphicsItem::SceneModal);
    }
    // Inside the booth, centred on it.
    const QSizeF size = proxy->size();
    const QPointF centred((kBoothSize.width() - size.width()) / 2, (kBoothSize.height() - size.height()) / 2);
    const QPointF scenePos(std::max(0.0, centred.x()), std::max(0.0, centred.y()));
    proxy->setPos(proxy->parentItem() ? proxy->parentItem()->mapFromScene(scenePos) : scenePos);
    scene()->setActiveWindow(proxy);
}

void KioskView::windowClosed()
{
    // Keys go back to the booth once no dialog is left over it (a cancelled PIN prompt must not
    // leave the shoot key dead until someone touches the screen).
    for (QGraphicsItem* item : scene()->items()) {
        auto* proxy = dynamic_cast<QGraphicsProxyWidget*>(item);
        if (proxy && proxy != m_proxy && proxy->isVisible() && proxy->isWindow())
            return;
    }
    scene()->setActiveWindow(m_proxy);
    m_proxy->setFocus(Qt::ActiveWindowFocusReason);
    if (!m_screen.focusWidget())
        m_screen.setFocus(Qt::ActiveWindowFocusReason);
}

bool KioskView::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::Show || type == QEvent::Hide) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w != &m_screen && w->isWindow() && w->graphicsProxyWidget()) {
            // After the show has finished: the window's own placing and sizing come first.
            QPointer<QWidget> guard(w);
            if (type == QEvent::Show)
                QTimer::singleShot(0, this, [this, guard] {
                    if (guard && guard->isVisible())
                        adoptWindow(guard);
                });
            else
                QTimer::singleShot(0, this, &KioskView::windowClosed);
        }
        return false;
    }
    if (m_attract->isVisible()) {
        if (isInput(type)) {
            // The touch that ends the slideshow only wakes the booth; it presses nothing.
            m_attract->stop();
            m_attract->hide();
            m_sinceDismissed.start();
            restartIdle();
            return true;
        }
        return false;
    }
    if (m_sinceDismissed.isValid() && m_sinceDismissed.elapsed() < kDismissSwallowMs && isPointerFollowUp(type))
        return true;
    // A pointer moving keeps the booth awake but does not end the slideshow: a bumped mouse
    // should not take it away from people walking by.
    if (isInput(type) || type == QEvent::MouseMove || type == QEvent::TouchUpdate)
        restartIdle();
    return false;
}

// ---- Running ----

int RunKiosk(BoothScreen& screen, const QString& display, const QSize& windowSize)
{
    QScreen* target = QGuiApplication::primaryScreen();
    const QList<QScreen*> screens = QGuiApplication::screens();
    bool isIndex = false;
    const int index = display.toInt(&isIndex);
    for (int i = 0; i < int(screens.size()); ++i)
        if ((isIndex && i == index) || (!display.isEmpty() && screens[i]->name() == display))
            target = screens[i];
    if (!display.isEmpty() && target == QGuiApplication::primaryScreen() && !isIndex)
        std::fprintf(stderr, "corvantis: there is no display \"%s\"; the booth uses %s\n", qPrintable(display),
            target ? qPrintable(target->name()) : "the primary one");

    KioskView view(screen);
    view.setAttractIdle(screen.booth().settings().m_attractIdle);
    int result = 0;
    QEventLoop loop;
    QObject::connect(&screen, &QDialog::finished, &loop, [&](int r) {
        result = r;
        loop.quit();
    });
    if (target)
        view.setGeometry(QRect(target->geometry().topLeft(), windowSize.isValid() ? windowSize : target->size()));
    if (windowSize.isValid())
        view.show();
    else
        view.showFullScreen();
    screen.show();
    loop.exec();
    return result;
}
