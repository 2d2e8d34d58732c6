#include "sim/error.hpp"
