// The Qt prompts: filter and suffix translation.
#include "app/app_prompts.h"

#include <gtest/gtest.h>

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
