#pragma once

// Lets the process keep the memory of large freed blocks for reuse instead of handing it
// back to the system at once. Every frame preparation decodes the whole map folder again
// and draws into a new frame image, tens of megabytes each time; with the C library's
// defaults these blocks come fresh from the system and each page costs a fault on first
// touch, about a third of a preparation on the build machine. Called once by whoever
// creates a renderer; calling it again changes nothing.
void KeepImageMemoryForReuse();
