#include "network/presets.hpp"
