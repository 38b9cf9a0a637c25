// kivra-image entry point.
#include "cli/kivra_image.h"

#include <iostream>

int main(int argc, char** argv)
{
    return kivracli::runKivraImage(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
