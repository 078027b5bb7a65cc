#pragma once

// The upgrader fixtures live together.
#include "support/UpgraderFixture.h"
