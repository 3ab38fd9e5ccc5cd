#pragma once

// Makes the calling thread give way to the other threads of the process when they want the
// processor at the same time: for work in the background that must not delay the window's
// thread. Does nothing where the system cannot lower one thread's priority.
void LowerThisThreadPriority();
