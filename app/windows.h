#pragma once
// Registers the class of every window kind and wires the links between windows that may not
// include each other. The program does it first thing at start-up; tests do it in their fixture.
void RegisterWindows();
