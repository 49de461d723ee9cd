// The host's window mode: the main window "Qorvex Vorever" with the frame
// loop driven from the desktop's event loop.
#pragma once

#include <cstdio>

struct SWindowOptions {
  const char* file = nullptr;        // imported at start when given
  const char* screenshot = nullptr;  // when given: the window's picture is saved there once drawn, then the program ends
};

// Reads "[FILE] [--screenshot PNG]"; false with a message on error.
bool ParseWindowArguments(int argc, char** argv, SWindowOptions& options, std::FILE* err);
// Runs the window until it is closed; the exit status.
int RunWindow(int argc, char** argv, const SWindowOptions& options);
