#include "core/settings.h"

// Stands in for the settings reader while it is not linked in; the real one replaces it.
__attribute__((weak)) void GetMWFolders() {}
__attribute__((weak)) int16_t funGetCDDBINI(const int16_t&) { return 0; }
