// Writes the module loader's fuzz seeds (see ModuleSeeds.cpp) into an existing directory.
#pragma once

#include <string>

void WriteModuleSeeds(const std::string& directory);
