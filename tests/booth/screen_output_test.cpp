// The main screen hands the sheet to the save and print dialogs as the booth always has.
#include <memory>

#include <QApplication>

#include <gtest/gtest.h>

#include "booth/dlg_corvantis.h"
#include "output/dlg_print.h"
#include "output/dlg_save_picture.h"
#include "output/picture_save.h"
#include "output/printer_mark.h"
#include "platform/control_id.h"
#include "tests/booth/screen_test_support.h"

using namespace screentest;

using ScreenOutput = ScreenFixture;

TEST_F(ScreenOutput, DialogsGetTheUsedSlotsOnPaperWithoutScreenArt)
{
    DlgCorvantis s;
    QImage red(320, 240, QImage::Format_RGB32);
    red.fill(qRgb(220, 0, 0));
    ASSERT_EQ(s.slotModel().storeIntoFirstFree(red, red, red, 255), 0);

    std::unique_ptr<DlgPrint> print(s.booth().output().createPrintDialog(&s));
    // The print picture: the slot on white paper, the empty slots and gaps white too.
    EXPECT_EQ(print->picture().size(), QSize(364, 276));
    EXPECT_EQ(print->picture().pixel(100, 60) & 0xFFFFFF, 0xDC0000u);
    EXPECT_EQ(print->picture().pixel(300, 200) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(print->picture().pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
    // Its texts say what Print sends.
    EXPECT_EQ(print->widthText(), QStringLiteral("364"));
    EXPECT_EQ(print->heightText(), QStringLiteral("276"));
    EXPECT_EQ(print->parentWidget(), &s);

    std::unique_ptr<DlgSavePicture> save(s.booth().output().createSaveDialog(&s));
    EXPECT_EQ(save->parentWidget(), &s);
    EXPECT_EQ(save->composite(), s.slotModel().sheetPicture().compose(QSize(530, 400), save->backdrop(), kPaperWhite));
    EXPECT_EQ(save->backdrop().size(), QSize(530, 400));
    EXPECT_EQ(save->composite().pixel(400, 300) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(ScreenOutput, PrintButtonCarriesThePrinterMarkOnceShown)
{
    DlgCorvantis s;
    EXPECT_EQ(s.printerMark(), nullptr); // no thread asks the server before the screen is up
    s.show();
    QApplication::processEvents();
    ASSERT_NE(s.printerMark(), nullptr);
    auto* button = platform::findControl<QWidget>(&s, DlgCorvantis::kPrintId);
    EXPECT_EQ(s.printerMark()->parentWidget(), button);
    EXPECT_TRUE(button->toolTip().startsWith(QStringLiteral("Print the sheet\nPrinter")))
        << button->toolTip().toStdString();
    s.hide();
}
