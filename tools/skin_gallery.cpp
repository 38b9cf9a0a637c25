// skin-gallery OUTDIR: renders every skinned control in every state offscreen and writes one PNG
// per control and state into OUTDIR, so the artwork can be checked side by side.
#include <cstdio>
#include <functional>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include "skin/bitmap_slider.h"
#include "skin/button_st.h"
#include "skin/cx_skin_button.h"
#include "skin/cx_target_button.h"
#include "skin/message_box_dlg.h"
#include "skin/quen_menu.h"
#include "skin/sk_combo_box.h"
#include "skin/sk_icon.h"
#include "skin/sk_scroll_bar.h"
#include "skin/sk_static.h"
#include "skin/skin_resources.h"
#include "skin/skin_theme.h"
#include "skin/skin_window.h"
#include "skin/transparent_pic.h"
#include "platform/prompts.h"

using namespace skin;

namespace {

QString g_out;
int g_count = 0;
bool g_failed = false;

/// What the desktop behind a shaped window looks like in the pictures.
constexpr QRgb kDesk = 0xFF7A7F8C;

void write(const QImage& img, const QString& name)
{
    const QString path = g_out + "/" + name + ".png";
    if (!img.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        g_failed = true;
    }
    ++g_count;
}

/// A widget's picture as it appears on screen: outside its mask the desk shows.
QImage shot(QWidget* w)
{
    QApplication::processEvents();
    QImage img = w->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QRegion mask = w->mask();
    QImage out(img.size(), QImage::Format_RGB32);
    out.fill(kDesk);
    QPainter p(&out);
    if (!mask.isEmpty())
        p.setClipRegion(mask);
    p.drawImage(0, 0, img);
    p.end();
    return out;
}

/// A host panel with the window colours, so masks and transparency show what they do.
QWidget* host(QSize size)
{
    auto* w = new QWidget;
    w->setAttribute(Qt::WA_StyledBackground, true);
    w->setStyleSheet(
        QStringLiteral("background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #1F2440, stop:1 #2B3157);"));
    w->resize(size);
    return w;
}

void hoverOn(QWidget* w)
{
    const QPointF c(w->width() / 2.0, w->height() / 2.0);
    QEnterEvent enter(c, w->mapToGlobal(c), w->mapToGlobal(c));
    QApplication::sendEvent(w, &enter);
    QMouseEvent move(QEvent::MouseMove, c, w->mapToGlobal(c), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

void focusOn(QWidget* w)
{
    w->window()->activateWindow();
    w->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
}

/// Renders a CxSkinButton in each state: normal, over, down, focus, disabled (and checked, and
/// checked with focus, whose ring must show over the pressed look).
void skinButtonStates(
    const QString& name, const std::function<void(CxSkinButton*)>& setup, QSize hostSize, bool checkKind = false)
{
    const char* states[] = { "normal", "over", "down", "focus", "disabled", "checked", "checked_focus" };
    for (int s = 0; s < (checkKind ? 7 : 5); ++s) {
        QWidget* h = host(hostSize);
        auto* b = new CxSkinButton(h);
        setup(b);
        b->move((hostSize.width() - b->width()) / 2, (hostSize.height() - b->height()) / 2);
        if (s != 3 && s != 6)
            b->setFocusPolicy(Qt::NoFocus);
        h->show();
        switch (s) {
        case 1:
            hoverOn(b);
            break;
        case 2:
            b->setDown(true);
            break;
        case 3:
            focusOn(b);
            break;
        case 4:
            b->setEnabled(false);
            break;
        case 5:
            b->setKind(CxSkinButton::CheckKind);
            b->SetCheck(true);
            break;
        case 6:
            b->setKind(CxSkinButton::CheckKind);
            b->SetCheck(true);
            focusOn(b);
            break;
        default:
            break;
        }
        write(shot(h), QStringLiteral("CxSkinButton_%1_%2").arg(name, states[s]));
        delete h;
    }
}

void skinButtons()
{
    struct Set {
        const char* name;
        int n, d, o, f, x, m;
        const char* caption;
        bool primary;
    };
    const Set sets[] = {
        { "button60", kButton60Normal, kButton60Down, kButton60Over, kButton60Focus, kButton60Disabled, kButton60Mask,
            "Cancel", false },
        { "button70", kButton70Normal, kButton70Down, kButton70Over, kButton70Focus, kButton70Disabled, kButton70Mask,
            "Save", false },
        { "button80", kButton80Normal, kButton80Down, kButton80Over, kButton80Focus, kButton80Disabled, kButton80Mask,
            "Add decoration", false },
        { "primary60", kPrimary60Normal, kPrimary60Down, kPrimary60Over, kPrimary60Focus, kPrimary60Disabled,
            kButton60Mask, "O k", true },
        { "primary70", kPrimary70Normal, kPrimary70Down, kPrimary70Over, kPrimary70Focus, kPrimary70Disabled,
            kButton70Mask, "Save", true },
        { "primary80", kPrimary80Normal, kPrimary80Down, kPrimary80Over, kPrimary80Focus, kPrimary80Disabled,
            kButton80Mask, "Print", true },
    };
    for (const Set& s : sets) {
        skinButtonStates(
            s.name,
            [&](CxSkinButton* b) {
                b->SetSkin(s.n, s.d, s.o, s.x, s.f, s.m, 0, 0, 0);
                b->setText(QString::fromUtf8(s.caption));
                b->setFont(theme::captionFont(13, s.primary));
                b->SetTextColor(QColor(theme::kPaper));
            },
            QSize(120, 41));
    }
    // Main screen buttons: the captions are part of the pictures.
    const char* mains[] = { "camera", "select_frame", "select_photo", "configure", "shoot", "add_frame", "add_photo",
        "open_project", "frame_toggle", "save_picture", "print", "save_project", "use_picture", "previous", "next",
        "layout0", "layout1", "layout2", "layout3", "layout4", "about", "home", "help", "minimise", "close", "share" };
    for (const char* m : mains) {
        const std::string base = std::string("main_") + m;
        auto id = [&](const char* state) { return findSkinResource(base + "_" + state)->id; };
        const bool toggle = std::string(m) == "camera" || std::string(m) == "frame_toggle";
        skinButtonStates(
            QString::fromStdString(base),
            [&](CxSkinButton* b) {
                b->SetSkin(id("normal"), id("down"), id("over"), id("disabled"), id("focus"), id("mask"), 0, 0, 0);
            },
            QSize(140, 100), toggle);
    }
    skinButtonStates(
        "toggle12",
        [](CxSkinButton* b) {
            b->SetSkin(kToggle12Off, kToggle12On, 0, 0, 0, kToggle12Mask, 0, 0, 0);
            b->setKind(CxSkinButton::CheckKind);
        },
        QSize(40, 30), true);
    skinButtonStates(
        "dots", [](CxSkinButton* b) { b->SetSkin(kDotsNormal, kDotsDown, kDotsOver, 0, 0, kDotsMask, 0, 0, 0); },
        QSize(50, 36));
    // Stretched skin (draw mode 1): a 60 x 23 set on a 110 x 30 button.
    skinButtonStates(
        "button60_stretched",
        [](CxSkinButton* b) {
            b->SetSkin(kButton60Normal, kButton60Down, kButton60Over, kButton60Disabled, kButton60Focus, kButton60Mask,
                1, 0, 0);
            b->resize(110, 30);
            b->setText("Stretched");
            b->setFont(theme::captionFont(13));
            b->SetTextColor(QColor(theme::kPaper));
        },
        QSize(150, 50));
    {
        QWidget* h = host(QSize(120, 41));
        auto* t = new CxTargetButton(h);
        t->SetSkin(kMainLayout1Normal, kMainLayout1Down, kMainLayout1Over, kMainLayout1Disabled, kMainLayout1Focus,
            kMainLayout1Mask, 0, 0, 0);
        t->move(20, 12);
        auto* t2 = new CxTargetButton(h);
        t2->SetSkin(
            kButton60Normal, kButton60Down, kButton60Over, kButton60Disabled, kButton60Focus, kButton60Mask, 0, 0, 0);
        t2->setText("Target");
        t2->SetTextColor(QColor(theme::kPaper));
        t2->setFont(theme::captionFont(13));
        t2->move(48, 9);
        t->setTarget(true);
        t2->setTarget(true);
        h->show();
        write(shot(h), "CxTargetButton_target");
        delete h;
    }
}

void buttonSt()
{
    struct Face {
        const char* name;
        int n, o;
        QSize size;
    };
    const Face faces[] = { { "fx_flip", kFxFilpNormal, kFxFilpOver, { 122, 28 } },
        { "fx_brightness_contrast", kFxBrightnessContrastNormal, kFxBrightnessContrastOver, { 122, 28 } },
        { "fx_undo", kFxUndoNormal, kFxUndoOver, { 66, 23 } },
        { "page_next", kPageNextNormal, kPageNextOver, { 45, 29 } },
        { "search", kSearchNormal, kSearchOver, { 25, 22 } },
        { "strip_previous", kStripPreviousNormal, kStripPreviousOver, { 45, 45 } },
        { "arrow_up", kArrowUpNormal, kArrowUpOver, { 32, 32 } },
        { "choose_backdrop", kChooseBackdropNormal, kChooseBackdropOver, { 152, 60 } },
        { "close", kCloseNormal, kCloseOver, { 25, 25 } }, { "minimise", kMinimiseNormal, kMinimiseOver, { 25, 25 } } };
    const char* states[] = { "normal", "hover", "down", "disabled" };
    for (const Face& f : faces) {
        for (int s = 0; s < 4; ++s) {
            QWidget* h = host(f.size + QSize(30, 20));
            auto* b = new CButtonST(h);
            b->setFocusPolicy(Qt::NoFocus);
            b->SetIcon(f.n, f.o);
            b->DrawTransparent(true);
            b->setGeometry(QRect(QPoint(15, 10), f.size));
            h->show();
            if (s == 1)
                hoverOn(b);
            if (s == 2)
                b->setDown(true);
            if (s == 3)
                b->setEnabled(false);
            write(shot(h), QStringLiteral("CButtonST_%1_%2").arg(f.name, states[s]));
            delete h;
        }
    }
    for (bool round : { true, false }) {
        for (bool on : { false, true }) {
            QWidget* h = host(QSize(110, 30));
            auto* b = new CButtonST(h);
            b->SetCheckImages(round ? kRadioOff : kCheckOff, round ? kRadioOn : kCheckOn);
            b->DrawTransparent(true);
            b->setText(round ? "Left" : "Smooth");
            b->setFont(theme::captionFont(13));
            for (int slot : { 1, 3, 5 })
                b->SetColor(slot, QColor(theme::kPaper));
            b->setGeometry(8, 4, 96, 22);
            b->SetCheck(on);
            h->show();
            write(shot(h), QStringLiteral("CButtonST_%1_%2").arg(round ? "radio" : "check", on ? "checked" : "clear"));
            delete h;
        }
    }
}

void statics()
{
    QWidget* h = host(QSize(260, 70));
    auto* s = new SkStatic("Current page : 1 / 3", h);
    s->setGeometry(12, 8, 240, 18);
    auto* d = new SkStatic("Disabled text", h);
    d->setGeometry(12, 30, 240, 18);
    d->setEnabled(false);
    auto* i = new SkIcon(h);
    i->setIconId(kMsgQuestion);
    i->setGeometry(210, 30, 32, 32);
    h->show();
    write(shot(h), "SkStatic_SkIcon_normal");
    delete h;

    for (int id : { kMsgError, kMsgWarning, kMsgQuestion, kMsgInformation }) {
        QWidget* hi = host(QSize(48, 48));
        auto* icon = new SkIcon(hi);
        icon->setIconId(id);
        icon->setGeometry(8, 8, 32, 32);
        hi->show();
        write(shot(hi), QStringLiteral("SkIcon_%1").arg(QString::fromLatin1(findSkinResource(id)->name.data())));
        delete hi;
    }

    QWidget* tp = host(QSize(200, 150));
    auto* back = new SkIcon(tp);
    back->setImage(SkinBitmap(kEmptySlot).scaled(180, 135));
    back->setGeometry(10, 8, 180, 135);
    auto* pic = new CTransparentPic(tp);
    QImage sheet(180, 135, QImage::Format_RGB32);
    sheet.fill(Qt::black);
    QPainter p(&sheet);
    p.fillRect(20, 20, 60, 45, QColor(theme::kCoral));
    p.fillRect(100, 20, 60, 45, QColor(0x5F, 0xB7, 0xA6));
    p.fillRect(20, 75, 140, 40, QColor(0x7C, 0x8C, 0xE0));
    p.end();
    pic->setPicture(sheet, 0x000000);
    pic->setGeometry(10, 8, 180, 135);
    tp->show();
    write(shot(tp), "CTransparentPic_black_keyed");
    delete tp;
}

void scrollAndMenu()
{
    for (int pos : { 0, 300, 600 }) {
        QWidget* h = host(QSize(40, 140));
        auto* sb = new SkScrollBar(h);
        sb->setGeometry(15, 10, 10, 120);
        sb->setRange(1000, 400);
        sb->setPosition(pos);
        h->show();
        write(shot(h), QStringLiteral("SkScrollBar_position%1").arg(pos));
        delete h;
    }
    CQuenMenu menu("Combination");
    menu.AppendMenu("Copy", 1);
    menu.AppendMenu("Paste", 2)->setEnabled(false);
    menu.AppendMenu("Remove", 3);
    menu.AppendMenu("Clear", 4);
    menu.addSeparator();
    menu.AppendMenu("To edit area", 5);
    menu.AppendMenu("Apply to all", 6);
    menu.popup(QPoint(100, 100));
    QApplication::processEvents();
    write(shot(&menu), "CQuenMenu_normal");
    menu.setActiveAction(menu.actions().at(2));
    QApplication::processEvents();
    write(shot(&menu), "CQuenMenu_highlight");
    menu.hide();
}

void sliders()
{
    struct S {
        const char* name;
        int pos;
        bool focus;
        bool drag;
        bool active;
    };
    const S states[] = { { "minimum", 0, false, false, false }, { "middle", 50, false, false, false },
        { "maximum", 100, false, false, false }, { "focus", 30, true, false, false },
        { "dragging", 70, false, true, false }, { "active_channel", 60, false, true, true } };
    for (const S& s : states) {
        QWidget* h = host(QSize(300, 37));
        auto* sl = new CBitmapSlider(h);
        sl->LoadChannelBitmaps(kSliderChannel, kSliderChannelActive, false);
        sl->LoadThumbBitmaps(kSliderThumb, kSliderThumbActive, true, CBitmapSlider::kColourFromPixel, 0, 0);
        sl->ShowFocusRectangle(s.focus);
        sl->setActiveBitmapsDrawn(s.active, true);
        sl->SetRange(0, 100);
        sl->SetPos(s.pos);
        sl->move(11, 10);
        h->show();
        if (s.focus)
            focusOn(sl);
        if (s.drag) {
            const QPointF at(sl->pixelForPosition(s.pos), 8);
            QMouseEvent press(
                QEvent::MouseButtonPress, at, sl->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(sl, &press);
        }
        write(shot(h), QStringLiteral("CBitmapSlider_%1").arg(s.name));
        delete h;
    }
}

void combos()
{
    auto make = [](QWidget* h, int items) {
        auto* c = new SkComboBox(h);
        const char* names[] = { "1024 X 768 (Hight Quality)", "528 X 400 (Low Quality)", "320 X 240",
            "Integrated Camera", "USB Video Device", "Test camera", "Line 7", "Line 8", "Line 9", "Line 10" };
        for (int i = 0; i < items; ++i)
            c->addItem(names[i]);
        c->setCurrentIndex(0);
        c->setGeometry(20, 20, 164, 20);
        return c;
    };
    for (const char* state : { "normal", "focus", "disabled" }) {
        QWidget* h = host(QSize(204, 60));
        auto* c = make(h, 2);
        h->show();
        if (std::string(state) == "focus")
            focusOn(c);
        if (std::string(state) == "disabled")
            c->setEnabled(false);
        write(shot(h), QStringLiteral("SkComboBox_closed_%1").arg(state));
        delete h;
    }
    for (int items : { 3, 10 }) {
        QWidget* h = host(QSize(204, 60));
        h->move(300, 200);
        auto* c = make(h, items);
        h->show();
        c->showPopup();
        ComboWindow* list = c->comboWindow();
        list->setHighlighted(1);
        QApplication::processEvents();
        write(shot(list), QStringLiteral("ComboWindow_%1_items%2").arg(items).arg(items > 3 ? "_scrolling" : ""));
        if (items > 3) {
            QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
            for (int i = 0; i < 6; ++i)
                QApplication::sendEvent(list, &down);
            QApplication::processEvents();
            write(shot(list), "ComboWindow_10_items_scrolled");
        }
        c->hidePopup();
        delete h;
    }
}

void messageBoxes()
{
    struct M {
        const char* name;
        const char* text;
        unsigned style;
        const char* caption;
    };
    const M ms[] = {
        { "error_ok", "The picture could not be loaded.", platform::MbOk | platform::MbIconError, "" },
        { "warning_okcancel", "Remove all pictures from the sheet?", platform::MbOkCancel | platform::MbIconWarning,
            "" },
        { "question_yesno", "Save the project before closing?\nUnsaved slots are lost otherwise.",
            platform::MbYesNo | platform::MbIconQuestion, "" },
        { "information_short", "Done.", platform::MbOk, "" },
        { "information_caption", "  The image do not exist !  ", platform::MbOk | platform::MbIconInformation,
            "Search image" },
    };
    for (const M& m : ms) {
        for (const char* state : { "normal", "hover" }) {
            MessageBoxDlg box;
            box.showNonBlocking(QString::fromUtf8(m.text), m.style, QString::fromUtf8(m.caption));
            if (std::string(state) == "hover")
                hoverOn(box.firstButton());
            write(shot(&box), QStringLiteral("MessageBoxDlg_%1_%2").arg(m.name, state));
            box.hide();
        }
    }
}

void windows()
{
    const struct {
        const char* name;
        int id;
    } ws[] = { { "main_screen", kMainScreen }, { "configure", kConfigureBackground }, { "effect", kEffectBackground },
        { "filter", kFilterBackground }, { "mixer", kMixerBackground }, { "save", kSaveBackground },
        { "print", kPrintBackground }, { "thumbnail", kThumbnailBackground }, { "text", kTextBackground } };
    for (const auto& w : ws) {
        SkinDialog d;
        d.setSkinBackground(w.id);
        d.show();
        write(shot(&d), QStringLiteral("Window_%1").arg(w.name));
        d.hide();
    }
    for (int id : { kLayout0Background, kLayout1Background, kLayout2Background, kLayout3Background, kLayout4Background,
             kEmptySlot, kBasePicture })
        write(SkinBitmap(id), QStringLiteral("Picture_%1").arg(QString::fromLatin1(findSkinResource(id)->name.data())));
}

CxSkinButton* mainButton(QWidget* parent, const char* name, QPoint at)
{
    const std::string base = std::string("main_") + name;
    auto id = [&](const char* state) { return findSkinResource(base + "_" + state)->id; };
    auto* b = new CxSkinButton(parent);
    b->SetSkin(id("normal"), id("down"), id("over"), id("disabled"), id("focus"), id("mask"), 0, 0, 0);
    b->setFocusPolicy(Qt::NoFocus);
    b->move(at);
    return b;
}

QLabel* picture(QWidget* parent, const QImage& img, QRect r)
{
    auto* l = new QLabel(parent);
    l->setPixmap(QPixmap::fromImage(img.scaled(r.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    l->setGeometry(r);
    return l;
}

/// The main screen put together from its parts at their places, as the booth will show it.
void composedMain()
{
    QWidget w;
    skinWindow(&w, SkinBitmap(kMainScreen));
    picture(&w, SkinBitmap(kBasePicture), QRect(29, 59, 320, 240));
    picture(&w, SkinBitmap(kLayout0Background), QRect(423, 61, 364, 276));
    const QList<QRect> slotRects = { { 428, 66, 174, 130 }, { 608, 66, 84, 62 }, { 698, 66, 84, 62 },
        { 608, 134, 84, 62 }, { 698, 134, 84, 62 }, { 428, 202, 84, 62 }, { 518, 202, 84, 62 }, { 608, 202, 84, 62 },
        { 698, 202, 84, 62 }, { 428, 270, 84, 62 }, { 518, 270, 84, 62 }, { 608, 270, 84, 62 }, { 698, 270, 84, 62 } };
    for (const QRect& r : slotRects)
        picture(&w, SkinBitmap(kEmptySlot), r);
    const struct {
        const char* name;
        int x, y;
    } buttons[] = { { "camera", 15, 448 }, { "frame_toggle", 247, 308 }, { "shoot", 124, 448 },
        { "use_picture", 570, 410 }, { "previous", 658, 418 }, { "next", 724, 418 }, { "previous", 437, 418 },
        { "next", 502, 418 }, { "select_frame", 15, 308 }, { "select_photo", 15, 378 }, { "add_frame", 124, 308 },
        { "add_photo", 124, 379 }, { "save_picture", 247, 448 }, { "print", 247, 378 }, { "open_project", 124, 518 },
        { "save_project", 247, 518 }, { "configure", 15, 519 }, { "layout0", 544, 344 }, { "layout1", 591, 344 },
        { "layout2", 639, 344 }, { "layout3", 686, 344 }, { "layout4", 735, 344 }, { "about", 8, 31 },
        { "home", 117, 31 }, { "help", 206, 31 }, { "minimise", 735, 1 }, { "close", 765, 1 }, { "share", 674, 556 } };
    for (const auto& b : buttons) {
        CxSkinButton* btn = mainButton(&w, b.name, QPoint(b.x, b.y));
        if (std::string(b.name) == "layout0" || std::string(b.name) == "frame_toggle")
            btn->SetCheck(true);
    }
    auto* devices = new SkComboBox(&w);
    devices->addItem("Integrated Camera");
    devices->setGeometry(300, 31, 160, 20);
    auto* count = new SkStatic("count down 3 seconds", &w);
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(30);
    f.setWeight(QFont::DemiBold);
    count->setFont(f);
    count->setTextColor(QColor(0xFF, 0x00, 0xFF));
    count->setGeometry(457, 520, 308, 34);
    w.show();
    write(shot(&w), "Screen_main_composed");
}

/// The configuration dialog with its controls in place.
void composedConfigure()
{
    QWidget w;
    skinWindow(&w, SkinBitmap(kConfigureBackground));
    const char* folders[] = { "/home/booth/Image/Frame", "/home/booth/Image/Portrait", "/home/booth/Image/Background",
        "/home/booth/Image/Mask", "/home/booth/Image/Emotion", "/home/booth/Image/BaseMap" };
    for (int i = 0; i < 6; ++i) {
        const int x = i % 2 ? 317 : 102, y = 64 + 23 * (i / 2);
        auto* t = new SkStatic(folders[i], &w);
        t->setGeometry(x + 4, y, 112, 18);
        auto* dots = new CxSkinButton(&w);
        dots->SetSkin(kDotsNormal, kDotsDown, kDotsOver, 0, 0, kDotsMask, 0, 0, 0);
        dots->setFocusPolicy(Qt::NoFocus);
        dots->move(x + 122, y);
    }
    for (int i = 0; i < 2; ++i) {
        auto* t = new CxSkinButton(&w);
        t->SetSkin(kToggle12Off, kToggle12On, 0, 0, 0, kToggle12Mask, 0, 0, 0);
        t->setKind(CxSkinButton::CheckKind);
        t->SetCheck(i == 0);
        t->move(i ? 334 : 125, 166);
    }
    const char* names[] = { "Frame", "Portrait", "Back ground", "Mask", "Emotion", "Base map" };
    const int xs[] = { 21, 86, 151, 236, 301, 366 };
    for (int i = 0; i < 6; ++i) {
        auto* b = new CxSkinButton(&w);
        const bool wide = i == 2 || i == 5;
        if (wide)
            b->SetSkin(kButton80Normal, kButton80Down, kButton80Over, kButton80Disabled, kButton80Focus, kButton80Mask,
                0, 0, 0);
        else
            b->SetSkin(kButton60Normal, kButton60Down, kButton60Over, kButton60Disabled, kButton60Focus, kButton60Mask,
                0, 0, 0);
        b->setText(names[i]);
        b->setFont(theme::captionFont(13));
        b->SetTextColor(QColor(theme::kPaper));
        b->setFocusPolicy(Qt::NoFocus);
        b->move(xs[i], 190);
    }
    auto number = [&](const char* v, QRect r) {
        auto* t = new SkStatic(v, &w);
        t->setAlignment(Qt::AlignCenter);
        t->setGeometry(r);
    };
    number("3", QRect(104, 229, 37, 17));
    number("364", QRect(167, 269, 40, 17));
    number("274", QRect(228, 269, 40, 17));
    number("255", QRect(124, 302, 36, 17));
    auto* autoChange = new CButtonST(&w);
    autoChange->SetCheckImages(kCheckOff, kCheckOn);
    autoChange->DrawTransparent(true);
    autoChange->setText("Change the frame after every shot");
    autoChange->setFont(theme::captionFont(13));
    for (int slot : { 1, 3, 5 })
        autoChange->SetColor(slot, QColor(theme::kPaper));
    autoChange->SetCheck(true);
    autoChange->setGeometry(16, 330, 300, 22);
    const struct {
        const char* caption;
        int x;
        bool primary;
    } actions[] = { { "Default", 232, false }, { "Close", 318, false }, { "Apply", 404, true } };
    for (const auto& a : actions) {
        auto* b = new CxSkinButton(&w);
        if (a.primary)
            b->SetSkin(kPrimary80Normal, kPrimary80Down, kPrimary80Over, kPrimary80Disabled, kPrimary80Focus,
                kButton80Mask, 0, 0, 0);
        else
            b->SetSkin(kButton80Normal, kButton80Down, kButton80Over, kButton80Disabled, kButton80Focus, kButton80Mask,
                0, 0, 0);
        b->setText(a.caption);
        b->setFont(theme::captionFont(13, a.primary));
        b->SetTextColor(QColor(theme::kPaper));
        b->setFocusPolicy(Qt::NoFocus);
        b->move(a.x, 364);
    }
    auto* close = new CButtonST(&w);
    close->SetIcon(kCloseNormal, kCloseOver);
    close->DrawTransparent(true);
    close->setGeometry(468, 2, 25, 25);
    w.show();
    write(shot(&w), "Screen_configure_composed");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: skin-gallery OUTDIR\n");
        return 2;
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The offscreen platform cannot shape top-level windows; the pictures apply the shapes themselves.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& msg) {
        if (!msg.startsWith(QLatin1String("This plugin does not support")))
            std::fprintf(stderr, "%s\n", qPrintable(msg));
        (void)type;
    });
    g_out = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(g_out)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    prepareSkin();
    skinButtons();
    buttonSt();
    statics();
    scrollAndMenu();
    sliders();
    combos();
    messageBoxes();
    windows();
    composedMain();
    composedConfigure();
    std::printf("%d pictures written to %s\n", g_count, qPrintable(g_out));
    return g_failed ? 1 : 0;
}
