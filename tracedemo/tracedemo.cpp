// tracedemo: the console sample client. Greets on its own console and sends
// one formatted line to a running Orlix (if any) through DebugTrace.
#include "DebugTrace.h"
#include <fcntl.h>
#include <io.h>

static char kFormat[] = "hello %s";
static const char kSampleText[] = "orlix.example.org";

int main()
{
    // The greeting ends in a bare line feed wherever stdout goes (a console
    // shows it as a line end; a pipe or file gets exactly "\n").
    _setmode(_fileno(stdout), _O_BINARY);
    printf("Hello World!\n");
    DebugTrace(kFormat, kSampleText);
    return 0;
}
