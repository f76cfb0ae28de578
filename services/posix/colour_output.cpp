// Standard output for the preview's colours on POSIX: a terminal takes the
// sequences as they are, so there is only its width and the locale to tell.

#include <langinfo.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <clocale>
#include <cstring>

#include "services/host/host.h"
#include "services/host/screen_size.h"

int hostOutputColumns() {
    if (isatty(STDOUT_FILENO) != 1)
        return 0;
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return SCREEN_COLUMNS;
}

bool hostLocaleIsUtf8() {
    std::setlocale(LC_CTYPE, "");
    return std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
}

bool hostBeginColourOutput() {
    return true;
}

void hostEndColourOutput() {}
