// The deliveries of the installed test library, under the short name the
// framework's and the panel's suites use.
#ifndef VESK_TEST_DELIVERIES_H
#define VESK_TEST_DELIVERIES_H

#include "vesk/testing/deliveries.h"

namespace deliver = vesk::testing::deliver;

#endif
