#pragma once
// Start-up of the toolkit for test programs: one application object for the
// whole process (offscreen platform unless the environment chooses another).
namespace TestApp {
void Init(int& argc, char** argv);
}
