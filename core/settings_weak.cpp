#include "core/settings.h"

// Stands in for the settings reader while it is not linked in; the real one replaces it.
__attribute__((weak)) void GetMWFolders() {}
