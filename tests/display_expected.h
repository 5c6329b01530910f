// Tests that need the X display skip when run by hand without one. The test
// script runs them under its own virtual display and says so through
// GV_EXPECT_DISPLAY: there a missing display is a failure, never a skip.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

inline bool GVTestDisplayExpected() {
  const char* v = std::getenv("GV_EXPECT_DISPLAY");
  return v && *v && *v != '0';
}

// Leaves the test: failed under the test script, skipped elsewhere.
#define GV_NO_DISPLAY(what)                                                        \
  do {                                                                             \
    if (GVTestDisplayExpected()) FAIL() << what << " (the test script's display)"; \
    GTEST_SKIP() << what;                                                          \
  } while (0)
