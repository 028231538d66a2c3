// The program's entry point, as the platform's GUI entry point.
#pragma once

#include "platform/Windows.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand);
