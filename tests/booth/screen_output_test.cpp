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

TEST_F(ScreenOutput, DialogsGetTheSheetTheEmptySlotAndTheSettings)
{
    boothSettings().m_printWidth = 364;
    boothSettings().m_printHeight = 274;
    DlgCorvantis s;
    QImage red(320, 240, QImage::Format_RGB32);
    red.fill(qRgb(220, 0, 0));
    ASSERT_EQ(s.slotModel().storeIntoFirstFree(red, red, red, 255), 0);

    std::unique_ptr<DlgPrint> print(s.createPrintDialog());
    EXPECT_EQ(print->picture(), s.slotModel().printSheet());
    EXPECT_NE(print->picture(), s.slotModel().sheet()); // the gaps show the empty slot picture
    EXPECT_EQ(print->widthText(), QStringLiteral("364"));
    EXPECT_EQ(print->parentWidget(), &s);

    std::unique_ptr<DlgSavePicture> save(s.createSaveDialog());
    EXPECT_EQ(save->parentWidget(), &s);
    EXPECT_EQ(save->composite(), ComposeOnBackdrop(s.slotModel().sheet(), save->backdrop()));
    EXPECT_EQ(save->backdrop().size(), QSize(530, 400));
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
