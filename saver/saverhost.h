#pragma once

// The host that stands in for the platform's screen-saver framework: it reads the command
// line (see saveroptions.h), makes the saver window for the chosen mode or runs the
// configuration dialog, and returns the process's exit code: 0, 1 when the saver cannot
// run (no display, no such window), 2 after a usage error.
int RunSaverHost(int argc, char** argv);
