#include "app/command_line.h"
#include "services/standard_io.h"

int main(int argc, char** argv) {
    return runCommandLine(programArguments(argc, argv));
}
