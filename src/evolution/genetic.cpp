#include "evolution/genetic.hpp"
