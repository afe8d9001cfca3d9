// Process-wide state of the plug-in library: the module handle recorded when
// the library is loaded, and the flag that tells the entry an instance could
// not be completed.
#pragma once

#include <string>

namespace strellon {

// Called once by the library's load-time initialiser with an address inside
// the library; records the module's handle and file name.
void recordModule(const void* addressInLibrary);
#ifdef _WIN32
// Windows: the library entry hands over its instance handle itself.
void recordModuleInstance(void* instance);
#endif

// The handle of the loaded library (its base address), null before loading.
void* moduleHandle();
// The library's own file name and the directory it lies in (no trailing
// separator); empty when unknown.
std::string modulePath();
std::string moduleDirectory();
// The separator between a directory and a name: '\\' on Windows, else '/'.
char pathSeparator();

// Set by a constructor that could not create a part it needs (the editor);
// read and cleared by the entry. Any thread.
void setOutOfMemory();
bool outOfMemory();
void clearOutOfMemory();

}  // namespace strellon
