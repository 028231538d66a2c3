// How qarn ends on an engine exception that no code below it handles.
#pragma once

#include <functional>

// Runs body and returns its result. An engine exception escaping it is
// written to the log and to standard error, shown in an "Error" message box,
// and ends the process with a non-zero status; the objects it may have left
// half-built are not destroyed.
int RunReportingEngineErrors(const std::function<int()>& body);
