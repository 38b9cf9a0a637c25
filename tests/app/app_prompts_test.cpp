// The Qt prompts: filter and suffix translation, message box buttons and results.
#include "app/app_prompts.h"

#include <QAbstractButton>
#include <QMessageBox>

#include <gtest/gtest.h>

using namespace platform;

TEST(AppPromptsFilters, ClassicFiltersBecomeQtNameFilters)
{
    EXPECT_EQ(qtNameFilters("Support files|*.bmp;*.jpg||"), QStringList { "Support files (*.bmp *.jpg)" });
    EXPECT_EQ(qtNameFilters("Kivra(*.kivra)|*.kivra||"), QStringList { "Kivra(*.kivra)" });
    EXPECT_EQ(qtNameFilters("BMP|*.bmp|JPEG|*.jpg;*.jpeg||"), (QStringList { "BMP (*.bmp)", "JPEG (*.jpg *.jpeg)" }));
    EXPECT_TRUE(qtNameFilters("").isEmpty());
    EXPECT_EQ(qtDefaultSuffix("*.*"), "");
    EXPECT_EQ(qtDefaultSuffix("*.bmp"), "bmp");
    EXPECT_EQ(qtDefaultSuffix(".kivra"), "kivra");
    EXPECT_EQ(qtDefaultSuffix("jpg"), "jpg");
}

namespace {

int clickAndRead(unsigned style, QMessageBox::StandardButton button)
{
    QMessageBox box;
    configureMessageBox(box, "Delete the picture?", style, "");
    if (button != QMessageBox::NoButton)
        box.button(button)->click();
    return messageBoxResult(box, style);
}

} // namespace

TEST(AppPromptsMessageBox, StyleBitsChooseButtonsAndIcon)
{
    QMessageBox box;
    configureMessageBox(box, "Save failed.", MbOkCancel | MbIconError, "Save");
    EXPECT_EQ(box.standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box.icon(), QMessageBox::Critical);
    EXPECT_EQ(box.windowTitle(), "Save");
    configureMessageBox(box, "Go on?", MbYesNo | MbIconQuestion, "");
    EXPECT_EQ(box.standardButtons(), QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.icon(), QMessageBox::Question);
    EXPECT_EQ(box.windowTitle(), "Kivra Tesselwick");
    configureMessageBox(box, "Done.", MbOk, "");
    EXPECT_EQ(box.standardButtons(), QMessageBox::Ok);
}

TEST(AppPromptsMessageBox, ResultsUseClassicIds)
{
    EXPECT_EQ(clickAndRead(MbYesNo, QMessageBox::Yes), IdYes);
    EXPECT_EQ(clickAndRead(MbYesNo, QMessageBox::No), IdNo);
    EXPECT_EQ(clickAndRead(MbOkCancel, QMessageBox::Cancel), IdCancel);
    EXPECT_EQ(clickAndRead(MbOk, QMessageBox::Ok), IdOk);
    // Closed without a button: the answer that backs out.
    EXPECT_EQ(clickAndRead(MbYesNo, QMessageBox::NoButton), IdNo);
    EXPECT_EQ(clickAndRead(MbOkCancel, QMessageBox::NoButton), IdCancel);
    EXPECT_EQ(clickAndRead(MbOk, QMessageBox::NoButton), IdOk);
}
