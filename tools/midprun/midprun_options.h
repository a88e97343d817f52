// The launcher's option pairs (midprun --option K=V), kept for the option
// look-ups of the VM's options service that the test port answers.
#pragma once

#include <string>

// Keeps the pair; a later pair of the same key wins.
void vsMidprun_storeOption(const std::string& key, const std::string& value);
