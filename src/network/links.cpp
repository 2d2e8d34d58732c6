#include "network/links.hpp"
