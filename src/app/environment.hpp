#pragma once
// The process environment as a lookup, so rules that read it can be tested
// with a made-up environment.

#include <map>
#include <string>

#include "store/paths.hpp"

using EnvLookup = Store::EnvLookup;

// Reads the real environment at call time.
EnvLookup processEnvironment();

// For tests and fixed setups: only the given variables exist.
EnvLookup fixedEnvironment(std::map<std::string, std::string> vars);
