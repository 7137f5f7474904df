// The slide's clock in the test programs: time is what the slide asked to wait, and each wait
// still sleeps for real. The slide then takes exactly its designed positions however late a
// loaded machine wakes the thread, and positions can be asserted without timing the run.
#pragma once

// Installs that clock for every later slide (test_main does so before any test runs).
void UseExactSlideClock();
