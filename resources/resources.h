#pragma once

// Registers the images and the schema compiled into the program's library.
// Safe to call more than once.
void orvoInitResources();
