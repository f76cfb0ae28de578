#include "services/colour_output.h"

#include "services/host/host.h"

int outputColumns() {
    return hostOutputColumns();
}

bool outputReadsUtf8() {
    return hostLocaleIsUtf8();
}

bool beginColourOutput() {
    return hostBeginColourOutput();
}

void endColourOutput() {
    hostEndColourOutput();
}
