// vesk::testing: unit tests for a panel script, without the emulator. A
// FakeHost loads the script into the test, delivers events, answers
// commands from a FakePlant, records every command and checks the
// hand-back rules; the matchers read them. Link vesk::testing and
// GoogleTest (vesk_add_script_test does both).
#ifndef VESK_TESTING_H
#define VESK_TESTING_H

#include "vesk/testing/deliveries.h"
#include "vesk/testing/fake_host.h"
#include "vesk/testing/fake_plant.h"
#include "vesk/testing/matchers.h"
#include "vesk/testing/script_loader.h"

#endif
