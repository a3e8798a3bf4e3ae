#pragma once
// The fake CDDB server lives in tests/support/fakecddb.h; this name is kept for the tests
// that include it from here.
#include "../support/fakecddb.h"
