#pragma once

#include "support/SimulatedUnit.h"
