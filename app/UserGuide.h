// Help › User Guide (F1): the guide that ships beside the program.
#pragma once
#include <windows.h>

// Opens UserGuide.html in the default browser; where no program is set for
// web pages (or it cannot be started), UserGuide.txt with the program set
// for text files, else Notepad. False, after a box that says so, when
// neither opens.
bool OpenUserGuide(HWND owner);
