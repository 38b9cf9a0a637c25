// kivra-image apply without operations lists every operation of both tables.
#include "cli/kivra_image.h"

#include "editing/fc/fc_operations.h"
#include "imaging/cximage_operations.h"

#include <sstream>

#include <gtest/gtest.h>

TEST(KivraImageApplyListing, NoOperationsListsBothTablesWithArguments)
{
    for (std::vector<std::string> args :
        { std::vector<std::string> { "apply" }, std::vector<std::string> { "apply", "in.bmp", "out.bmp" } }) {
        std::ostringstream out, err;
        EXPECT_EQ(kivracli::runKivraImage(args, out, err), 2);
        const std::string text = err.str();
        EXPECT_EQ(text.rfind("usage: kivra-image apply IN OUT OP...\noperations:\n", 0), 0u) << text;
        for (const ImageOperationSpec& op : ImageOperations())
            EXPECT_NE(text.find("\n  " + platform::operationSyntax(op.name, op.args) + " "), std::string::npos)
                << op.name;
        for (const FcOperationSpec& op : FcOperations())
            EXPECT_NE(text.find("\n  " + platform::operationSyntax(op.name, op.args) + " "), std::string::npos)
                << op.name;
        EXPECT_NE(text.find("unsharp:RADIUS,AMOUNT,THRESHOLD"), std::string::npos);
        EXPECT_NE(text.find("THRESHOLD 0..255 (default 0)"), std::string::npos);
    }
}
