// Write AVI and Configure Compress (the AVI output arrives in a later step).
#include "converter.h"

void WriteMovie(HWND hwnd) {}
void ChooseCompression(HWND owner, const char* path) {}
