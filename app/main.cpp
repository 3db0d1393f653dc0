#include "app/ConverterApp.h"

CConverterApp theApp;

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    return AfxWinMain(hInstance);
}
