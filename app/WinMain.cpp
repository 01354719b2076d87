#include "app/OrlixApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    COrlixApp app;
    return app.Run();
}
