// Shared test support (see runtime_test.h).
#include "tests/support/runtime_test.h"
