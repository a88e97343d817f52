// LaunchProgram, shared by Sentrel and SentrelLib: starts a program with a
// command line (no other options): 1, or 0 after writing
// "LaunchProgram("%s", "%s") failed %s" (the system's text for the error) to
// the OJThread sink.
#pragma once

#include <string>

int LaunchProgram(const std::u16string& module, const std::u16string& commandLine);
