// What the system tells of the running program and of the file this code was loaded from.
// Thread-safe but WriteStandardStreamsAsBytes (call it first in main); never fails.
#pragma once

#include <string>
#include <vector>

namespace qmz {

// The file this code was loaded from: on Linux the running program (which holds the statically
// linked library), on Windows the DLL or the program that holds it. "" when the system does not
// say.
std::string ModuleFile();
// Its folder, without a trailing separator.
std::string ModuleFolder();

// The running program's file name without its folder (and on Windows without ".exe"); "" when
// the system does not say.
std::string ProgramName();

// The program's arguments in UTF-8, its name first: argv itself on Linux; on Windows, where argv
// is in the ANSI code page, the wide command line's.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Standard output and error write bytes as given: on Windows they would turn "\n" into "\r\n".
void WriteStandardStreamsAsBytes();

}  // namespace qmz
