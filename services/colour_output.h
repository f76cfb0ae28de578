#pragma once

// Standard output as a preview in colours needs it: how wide the terminal
// is, whether it reads UTF-8, and colour sequences turned on for the time of
// the preview.

// The columns of the terminal or console standard output goes to; 0 when it
// goes to a file or a pipe.
int outputColumns();
// Whether the terminal reads UTF-8 (always on Windows).
bool outputReadsUtf8();
// Turns colour sequences on for what is written next: on Windows a console
// is switched to virtual-terminal processing and the UTF-8 code page. False
// when the console cannot take them, and nothing was changed; every true
// is to be followed by endColourOutput().
bool beginColourOutput();
// Gives the console back its own mode and code page.
void endColourOutput();
