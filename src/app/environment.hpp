#pragma once
// The process environment as a lookup, so rules that read it can be tested
// with a made-up environment. The core owns it; the app uses the short names.

#include "store/paths.hpp"

using EnvLookup = Store::EnvLookup;
using Store::fixedEnvironment;
using Store::processEnvironment;
