// The main screen as the user sees it, with the bundled demo content: each state is grabbed and
// checked where it matters; with KIVRA_SCREEN_SHOTS=DIR the pictures are also written there.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include "booth/dlg_corvantis.h"
#include "output/dlg_thum_nail.h"
#include "output/thumbnail_button.h"
#include "platform/control_id.h"
#include "skin/cx_skin_button.h"
#include "skin/quen_menu.h"
#include "tests/booth/screen_test_support.h"

using namespace screentest;

namespace {

QString demoFolder();

class ScreenRender : public ScreenFixture {
protected:
    void SetUp() override
    {
        ScreenFixture::SetUp();
        const QString demo = demoFolder();
        if (demo.isEmpty())
            GTEST_SKIP() << "resources/demo not found";
        for (const auto& [from, to] : { std::pair { QStringLiteral("Frame"), appPaths().m_frameFolder },
                 std::pair { QStringLiteral("Portrait"), appPaths().m_portraitFolder } }) {
            for (const QString& name : QDir(demo + "/" + from).entryList(QDir::Files))
                QFile::copy(demo + "/" + from + "/" + name, to + "/" + name);
        }
        m_out = qEnvironmentVariable("KIVRA_SCREEN_SHOTS");
        if (!m_out.isEmpty())
            QDir().mkpath(m_out);
    }

    QImage shot(QWidget& w, const QString& name)
    {
        QCoreApplication::processEvents();
        const QImage img = w.grab().toImage();
        if (!m_out.isEmpty())
            img.save(m_out + "/" + name + ".png");
        return img;
    }

    QString m_out;
};

/// The bundled demo content: in the source tree, or found upwards from the build tree.
QString demoFolder()
{
    QStringList starts { QString::fromStdString(testsupport::sourceDir().string()), QDir::currentPath(),
        QCoreApplication::applicationDirPath() };
    for (QString dir : starts) {
        for (int up = 0; up < 4 && !dir.isEmpty(); ++up) {
            if (QFileInfo::exists(dir + QStringLiteral("/resources/demo/Frame")))
                return dir + QStringLiteral("/resources/demo");
            dir = QFileInfo(dir).dir().absolutePath();
        }
    }
    return QString();
}

bool near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
        && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

} // namespace

TEST_F(ScreenRender, EveryStateWithDemoContent)
{
    writeSettings(3);
    boothSettings().m_alpha = 255;
    DlgCorvantis s;
    s.show();
    ASSERT_GE(s.frameFiles().size(), 6);
    ASSERT_GE(s.photoFiles().size(), 4);

    // Camera off: the photo shows through the frame's opening, the border covers it.
    QImage idle = shot(s, "01_camera_off");
    const QRgb border = s.currentFrame().GetPixelColor(2, 120).rgbRed;
    Q_UNUSED(border);
    EXPECT_TRUE(near(idle.pixel(29 + 160, 59 + 230), qRgb(0x1F, 0x24, 0x40), 0)
        || !near(idle.pixel(29 + 160, 59 + 120), idle.pixel(29 + 160, 59 + 230), 10));
    EXPECT_FALSE(near(idle.pixel(29 + 160, 59 + 120), qRgb(255, 0, 255), 30)); // no key colour visible

    // Camera on with the frame overlay: the card's white bottom band is over the live picture.
    platform::findControl<CxSkinButton>(&s, DlgCorvantis::kCameraId)->click();
    ASSERT_TRUE(s.isLive());
    waitUntil([&] { return s.capture().preview() && s.capture().preview()->framesPainted() > 2; }, 3000);
    const QImage live = shot(s, "02_camera_on");
    EXPECT_TRUE(near(live.pixel(29 + 160, 59 + 225), qRgb(0xFD, 0xFB, 0xF7), 12));
    EXPECT_FALSE(near(live.pixel(29 + 160, 59 + 100), qRgb(255, 0, 255), 30));

    // The countdown in the middle of a shot.
    QImage counting;
    QObject::connect(&s, &DlgCorvantis::countdownChanged, [&](const QString& t) {
        if (t == QStringLiteral("count down 2 seconds"))
            counting = shot(s, "03_countdown");
    });
    platform::findControl<CxSkinButton>(&s, DlgCorvantis::kShootId)->click();
    ASSERT_FALSE(counting.isNull());
    // Magenta text somewhere in the label's rectangle.
    bool magenta = false;
    for (int y = 520; y < 554 && !magenta; ++y)
        for (int x = 436; x < 786 && !magenta; ++x)
            magenta = near(counting.pixel(x, y), qRgb(255, 0, 255), 40);
    EXPECT_TRUE(magenta);

    // More shots with other frames, then the sheet.
    writeSettings(0);
    boothSettings().m_shottingDelay = 0;
    for (int i = 0; i < 4; ++i) {
        s.booth().work().stepFrame(+1);
        platform::findControl<CxSkinButton>(&s, DlgCorvantis::kShootId)->click();
    }
    EXPECT_EQ(s.slotModel().usedSlots().size(), 5);
    shot(s, "04_five_shots");

    // Camera off, a chosen portrait composed with a frame.
    platform::findControl<CxSkinButton>(&s, DlgCorvantis::kCameraId)->click();
    s.booth().work().stepPhoto(+1);
    s.OnUsePicture();
    s.OnLayout(2);
    shot(s, "05_layout2_camera_off");
    // A project of this sheet, for pictures of a restored booth.
    if (!m_out.isEmpty()) {
        m_prompts.saveFileReply = m_out + QStringLiteral("/demo_sheet.kivra");
        s.booth().output().saveProject();
    }
    s.OnLayout(3);
    shot(s, "06_layout3");

    // The slot menu and the picture chooser.
    s.slotMenu()->popup(s.mapToGlobal(QPoint(500, 120)));
    QCoreApplication::processEvents();
    shot(*s.slotMenu(), "07_slot_menu");
    s.slotMenu()->hide();

    DlgThumNail chooser(appPaths().m_frameFolder + "/", &s, 0);
    chooser.setFramePreview(true);
    ASSERT_TRUE(chooser.initialise());
    chooser.show();
    chooser.waitForThumbnails();
    EXPECT_EQ(chooser.buttons().size(), 6);
    // The frames' openings show as checks, not in their key colour.
    for (CThumbnailButton* b : chooser.buttons()) {
        const QImage& t = b->thumbnail();
        EXPECT_FALSE(near(t.pixel(t.width() / 2, t.height() / 2), qRgb(255, 0, 255), 60)) << b->path().toStdString();
    }
    shot(chooser, "08_frame_chooser");
}
