// The journeys' print server: the tests' own cupsd with a default queue "booth". Prints
// "socket=PATH jobs=FOLDER" once it answers, then keeps the server until its input closes.
#include <cstdio>
#include <iostream>
#include <string>

#include "tests/output/cups_fixture.h"

int main()
{
    testsupport::CupsServer server;
    std::string error;
    if (!server.start(&error) || !server.addPrinter("booth", true, &error)) {
        std::printf("error=%s\n", error.c_str());
        return 1;
    }
    std::printf("socket=%s jobs=%s\n", server.socketPath().c_str(), server.jobFolder().c_str());
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) { }
    return 0;
}
