// The executable's entry: everything happens in WinMain.
#include "main/winmain.h"

int main(int, char **) {
    return WinMain(nullptr, nullptr, nullptr, 1);
}
