// Runs a built program as a process in the current folder and collects what
// it said. Output goes through files so that a tool's own writes never mix
// with the test's.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "tests/common/TempFolder.h"

struct ToolRun {
  int status;          // exit status, or -1 when the program did not exit normally
  std::string out;     // standard output
  std::string errors;  // standard error
};

inline ToolRun RunTool(const std::string& program, const std::string& arguments) {
  std::string command = program + " " + arguments + " >tool-out.txt 2>tool-errors.txt";
  int raw = std::system(command.c_str());
  return ToolRun{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadWholeFile("tool-out.txt"),
                 ReadWholeFile("tool-errors.txt")};
}
