#pragma once

// Loads Qt's image format plugins once for the process, on the calling thread; every later
// call returns at once. Qt 6.4 loads a plugin on its first use, and two threads that first
// use the plugins together (tiles decoded on several threads, frames written by two jobs)
// corrupt the plugin loader's memory, which shows as a heap corruption when the process
// exits. Every image read or write calls this first. Safe to call from any thread: the
// others wait until the first caller is done.
void LoadImagePluginsOnce();
