// DlgMix: start-up, the view and its scroll bars, dragging with the cursors and the outline,
// the layer list box, the text layer with the remembered settings, the strip, OK and Cancel.
#include "editing/dlg_mix.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMouseEvent>
#include <QScrollBar>

#include <gtest/gtest.h>

#include "platform/control_id.h"
#include "skin/cx_skin_button.h"
#include "tests/common/test_support.h"

namespace {

QImage base(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x & 0xFF, y & 0xFF, 60));
    return img;
}

QImage sticker(QRgb colour)
{
    QImage img(30, 20, QImage::Format_RGB32);
    img.fill(Qt::white);
    for (int y = 3; y < 17; ++y)
        for (int x = 3; x < 27; ++x)
            img.setPixel(x, y, colour);
    return img;
}

void send(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButtons buttons = Qt::LeftButton)
{
    QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)),
        type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

QImage cursorImage(const QCursor& c)
{
    return c.pixmap().toImage();
}

class Mixer : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = QString::fromStdString(dir.file("Emotion"));
        QDir().mkpath(folder);
        QDir().mkpath(folder + QStringLiteral("/sub"));
        for (int i = 0; i < 7; ++i)
            sticker(qRgb(40 * i, 0, 200)).save(folder + QStringLiteral("/s%1.png").arg(i));
        QFile notes(folder + QStringLiteral("/notes.txt"));
        ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
        notes.write("not a sticker");
        DefaultTextInfo(remembered);
    }
    std::unique_ptr<DlgMix> open(const QImage& picture)
    {
        auto dlg = std::make_unique<DlgMix>(picture, folder, remembered, prompts);
        return dlg;
    }
    testsupport::TempDir dir;
    QString folder;
    TextInfo remembered;
    platform::ScriptedPrompts prompts;
};

} // namespace

TEST_F(Mixer, OpensWithTheBaseLayerAndOnePass)
{
    auto dlg = open(base(320, 240));
    EXPECT_EQ(dlg->size(), QSize(500, 410));
    EXPECT_EQ(dlg->passes(), 1);
    ASSERT_EQ(dlg->layers().count(), 1);
    auto* list = platform::findControl<QListWidget>(dlg.get(), DlgMix::kLayerListId);
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("Image"));
    EXPECT_EQ(list->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_FALSE(dlg->horizontalBar()->isVisibleTo(dlg.get()));
    EXPECT_FALSE(dlg->verticalBar()->isVisibleTo(dlg.get()));
    EXPECT_EQ(dlg->drawOrigin(), QPoint(10, 32));
    EXPECT_EQ(dlg->result().pixel(5, 7), base(320, 240).pixel(5, 7));
    EXPECT_EQ(dlg->viewPicture().pixel(100, 50), base(320, 240).pixel(100, 50));
}

TEST_F(Mixer, ViewCentresSmallPicturesAndScrollsLargeOnes)
{
    auto small = open(base(200, 100));
    EXPECT_EQ(small->drawOrigin(), QPoint(70, 102));
    EXPECT_FALSE(small->horizontalBar()->isVisibleTo(small.get()));
    EXPECT_FALSE(small->verticalBar()->isVisibleTo(small.get()));
    EXPECT_EQ(small->viewPicture().pixel(60, 70), base(200, 100).pixel(0, 0));

    auto large = open(base(640, 480));
    QScrollBar* h = large->horizontalBar();
    QScrollBar* v = large->verticalBar();
    EXPECT_TRUE(h->isVisibleTo(large.get()));
    EXPECT_TRUE(v->isVisibleTo(large.get()));
    EXPECT_EQ(h->maximum(), 320);
    EXPECT_EQ(v->maximum(), 240);
    EXPECT_EQ(large->drawOrigin(), QPoint(10, 32));
    EXPECT_EQ(v->geometry(), QRect(330, 32, 18, 240));
    EXPECT_EQ(h->geometry(), QRect(10, 272, 320, 18));

    h->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(large->horizontalPosition(), 320);
    h->triggerAction(QAbstractSlider::SliderSingleStepSub); // line steps are ignored
    h->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(large->horizontalPosition(), 320);
    EXPECT_EQ(h->value(), 320);
    v->setSliderDown(true);
    v->setSliderPosition(100); // thumb tracking
    v->setSliderDown(false);
    EXPECT_EQ(large->verticalPosition(), 100);
    EXPECT_EQ(large->viewPicture().pixel(0, 0), base(640, 480).pixel(320, 100));
    h->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(large->horizontalPosition(), 0);
    // A pass starts at the top-left again.
    large->layers().moveLeft();
    EXPECT_EQ(large->verticalPosition(), 0);
}

TEST_F(Mixer, DragMovesTheSelectedLayerOnRelease)
{
    auto dlg = open(base(320, 240));
    dlg->layers().setLastPlaced(QPoint(50, -60));
    dlg->addImageLayer(folder + QStringLiteral("/s1.png"));
    const MixLayerData& layer = dlg->layers().layers()[1];
    ASSERT_EQ(layer.m_hitBox.left, 61);
    ASSERT_EQ(layer.m_hitBox.top, 93);
    const QPoint press(70, 100);
    send(dlg.get(), QEvent::MouseMove, press, Qt::NoButton);
    EXPECT_EQ(cursorImage(dlg->cursor()), cursorImage(dlg->hoverCursor()));
    send(dlg.get(), QEvent::MouseButtonPress, press);
    EXPECT_TRUE(dlg->isDragging());
    const int passes = dlg->passes();
    send(dlg.get(), QEvent::MouseMove, press + QPoint(15, -10));
    EXPECT_EQ(cursorImage(dlg->cursor()), cursorImage(dlg->dragCursor()));
    EXPECT_EQ(dlg->dragOutline(), QRect(61 + 15, 93 - 10, 30, 20));
    EXPECT_EQ(layer.m_x, 50); // the layer itself waits for the release
    EXPECT_EQ(dlg->passes(), passes);
    send(dlg.get(), QEvent::MouseButtonRelease, press + QPoint(15, -10), Qt::NoButton);
    EXPECT_FALSE(dlg->isDragging());
    EXPECT_TRUE(dlg->dragOutline().isEmpty());
    EXPECT_EQ(dlg->passes(), passes + 2);
    EXPECT_EQ(dlg->layers().layers()[1].m_x, 65);
    EXPECT_EQ(dlg->layers().layers()[1].m_y, -50); // 10 up on screen
    // The sticker's blue now starts 15 right and 10 up of where it was.
    EXPECT_EQ(qBlue(dlg->result().pixel(65 + 3, 50 + 3)), 200);

    // A press outside the selected box, released anywhere, moves nothing.
    send(dlg.get(), QEvent::MouseButtonPress, QPoint(300, 250));
    EXPECT_FALSE(dlg->isDragging());
    send(dlg.get(), QEvent::MouseButtonRelease, QPoint(80, 110), Qt::NoButton);
    EXPECT_EQ(dlg->layers().layers()[1].m_x, 65);
    EXPECT_EQ(dlg->passes(), passes + 2);
    // The base has an empty box and cannot be dragged.
    dlg->layers().selectLine(0);
    send(dlg.get(), QEvent::MouseButtonPress, QPoint(20, 40));
    EXPECT_FALSE(dlg->isDragging());
    send(dlg.get(), QEvent::MouseButtonRelease, QPoint(20, 40), Qt::NoButton);
}

TEST_F(Mixer, ListBoxTicksAndSelectionDriveVisibility)
{
    auto dlg = open(base(320, 240));
    dlg->addImageLayer(folder + QStringLiteral("/s2.png"));
    dlg->addImageLayer(folder + QStringLiteral("/s3.png"));
    auto* list = platform::findControl<QListWidget>(dlg.get(), DlgMix::kLayerListId);
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->currentRow(), 2);
    EXPECT_EQ(dlg->layers().lines()[2].text, folder + QStringLiteral("/s3.png"));
    EXPECT_EQ(list->item(2)->toolTip(), folder + QStringLiteral("/s3.png"));
    EXPECT_TRUE(list->item(2)->text().endsWith(QStringLiteral("s3.png")));
    // Unticking the line already selected waits until it is selected again.
    list->item(2)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(dlg->layers().layers()[2].m_visible, 1);
    list->setCurrentRow(0);
    list->setCurrentRow(2);
    EXPECT_EQ(dlg->layers().layers()[2].m_visible, 0);
    // Selecting a line and ticking it in the same click takes effect at once.
    list->setCurrentRow(1);
    list->item(1)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(dlg->layers().layers()[1].m_visible, 0);
    EXPECT_EQ(dlg->result().pixel(5, 5), base(320, 240).pixel(5, 5));

    platform::findControl<CxSkinButton>(dlg.get(), DlgMix::kLayerUpId)->click();
    EXPECT_EQ(list->currentRow(), 1);
    platform::findControl<CxSkinButton>(dlg.get(), DlgMix::kClearId)->click();
    EXPECT_EQ(list->count(), 1);
    EXPECT_EQ(list->currentRow(), 0);
}

TEST_F(Mixer, TextLayersStartFromTheRememberedSettings)
{
    auto dlg = open(base(320, 240));
    TextInfo seen;
    dlg->setTextEditor([&](const TextInfo& startWith) -> std::optional<TextInfo> {
        seen = startWith;
        TextInfo edited = startWith;
        SetTextOf(edited, QStringLiteral("Party"));
        edited.m_backColour = 0x0000FF;
        return edited;
    });
    platform::findControl<CxSkinButton>(dlg.get(), DlgMix::kAddTextId)->click();
    EXPECT_STREQ(seen.m_text, "Tolvenmark");
    EXPECT_STREQ(remembered.m_text, "Party");
    ASSERT_EQ(dlg->layers().count(), 2);
    EXPECT_STREQ(dlg->layers().layers()[1].m_textInfo.m_text, "Party");
    EXPECT_EQ(qRed(dlg->result().pixel(40, 40)), 255); // the box's bottom row at (40, 40)

    // The next opening of the mixer starts from what was confirmed; a cancel changes nothing.
    auto next = open(base(320, 240));
    next->setTextEditor([&](const TextInfo& startWith) -> std::optional<TextInfo> {
        seen = startWith;
        return std::nullopt;
    });
    next->addTextLayer();
    EXPECT_STREQ(seen.m_text, "Party");
    EXPECT_EQ(next->layers().count(), 1);
}

TEST_F(Mixer, StripPagesByFiveEntriesAndSkipsNonPictures)
{
    auto dlg = open(base(320, 240));
    const QStringList& entries = dlg->stickers();
    ASSERT_EQ(entries.size(), 8); // seven pictures and the notes, no folder
    auto pictures = [&](int from) {
        QStringList p;
        for (int i = from; i < entries.size() && p.size() < 5; ++i)
            if (!entries[i].endsWith(QStringLiteral(".txt")))
                p << entries[i];
        return p;
    };
    auto shown = [&] {
        QStringList p;
        for (int s = 0; s < 5; ++s)
            if (!dlg->stripSlotPath(s).isEmpty()) {
                EXPECT_TRUE(dlg->stripSlot(s)->isVisibleTo(dlg.get())) << s;
                p << dlg->stripSlotPath(s);
            } else {
                EXPECT_FALSE(dlg->stripSlot(s)->isVisibleTo(dlg.get())) << s;
            }
        return p;
    };
    EXPECT_EQ(shown(), pictures(0));
    dlg->previousStripPage(); // already on the first page
    EXPECT_EQ(dlg->stripFirst(), 0);
    dlg->nextStripPage();
    EXPECT_EQ(dlg->stripFirst(), 5);
    EXPECT_EQ(shown(), pictures(5));
    dlg->nextStripPage(); // 10 > 7: nothing
    EXPECT_EQ(dlg->stripFirst(), 5);
    dlg->previousStripPage();
    EXPECT_EQ(shown(), pictures(0));

    dlg->pressStripSlot(1);
    EXPECT_TRUE(dlg->stripSlot(1)->GetCheck());
    EXPECT_FALSE(dlg->stripSlot(0)->GetCheck());
    ASSERT_EQ(dlg->layers().count(), 2);
    EXPECT_EQ(dlg->layers().layers()[1].m_path, dlg->stripSlotPath(1));
}

TEST_F(Mixer, OkHandsBackTheCompositeAndBrowsingAddsTheChosenFile)
{
    auto dlg = open(base(320, 240));
    QString offered = folder + QStringLiteral("/s4.png");
    dlg->setBrowser([&] { return offered; });
    platform::findControl<CxSkinButton>(dlg.get(), DlgMix::kReplaceImageId)->click();
    ASSERT_EQ(dlg->layers().count(), 2);
    offered.clear(); // cancelled
    dlg->addImageLayerByBrowsing();
    EXPECT_EQ(dlg->layers().count(), 2);
    platform::findControl<CxSkinButton>(dlg.get(), DlgMix::kOkId)->click();
    EXPECT_EQ(dlg->QDialog::result(), DlgMix::IdOk);
    EXPECT_EQ(qBlue(dlg->result().pixel(5, 5)), 200);
    EXPECT_EQ(dlg->result().size(), QSize(320, 240));

    auto cancelled = open(base(320, 240));
    platform::findControl<CxSkinButton>(cancelled.get(), DlgMix::kCloseId)->click();
    EXPECT_EQ(cancelled->QDialog::result(), DlgMix::IdCancel);

    // Escape and the window's close give the same answer as Cancel, not 0.
    auto escaped = open(base(320, 240));
    escaped->show();
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(escaped.get(), &esc);
    EXPECT_EQ(escaped->QDialog::result(), DlgMix::IdCancel);
    auto closed = open(base(320, 240));
    closed->show();
    closed->close();
    EXPECT_EQ(closed->QDialog::result(), DlgMix::IdCancel);
}

TEST_F(Mixer, StandsInTheMiddleOfTheScreen)
{
    QWidget owner;
    owner.setGeometry(0, 0, 300, 200);
    owner.show();
    DlgMix dlg(base(320, 240), folder, remembered, prompts, &owner);
    const QRect area = owner.screen()->availableGeometry();
    EXPECT_EQ(dlg.geometry().center(), area.center()) << "not centred on the window that opened it";
}

TEST_F(Mixer, EmptyBasePictureGivesAnEmptyResult)
{
    auto dlg = open(QImage());
    EXPECT_TRUE(dlg->result().isNull());
    dlg->addImageLayer(folder + QStringLiteral("/s0.png"));
    EXPECT_TRUE(dlg->result().isNull());
    EXPECT_EQ(dlg->layers().count(), 2);
}
