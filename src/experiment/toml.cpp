// toml++'s implementation, compiled once here for every file that reads or writes TOML.
#define TOML_IMPLEMENTATION
#include <toml++/toml.h>
