// The Windows interfaces the engine and the demo call. On Windows this is the
// system's own header; elsewhere the platform layer provides the same names,
// types and constant values for the subset in use.
#pragma once

#ifdef _WIN32
// std::min and std::max stay usable beside the system headers.
#ifndef NOMINMAX
#define NOMINMAX
#endif
// The system headers and ours need this order.
// clang-format off
#include <windows.h>
#include <mmsystem.h>
#include <ddraw.h>
#include <d3d8.h>
// The clock functions go through the platform layer, which reads the virtual
// clock while it is enabled.
#include "platform/windows/Clock.h"
#define timeGetTime ::Platform::ClockTimeGetTime
#define QueryPerformanceCounter ::Platform::ClockQueryPerformanceCounter
#define QueryPerformanceFrequency ::Platform::ClockQueryPerformanceFrequency
#define Sleep ::Platform::ClockSleep
#define GetLocalTime ::Platform::ClockGetLocalTime
// So do the window and resource functions: headless windows are never shown,
// and the program's resource table gives menus, accelerators and icons.
#include "platform/windows/User.h"
#define ShowWindow ::Platform::UserShowWindow
#define UpdateWindow ::Platform::UserUpdateWindow
#define LoadMenuA ::Platform::UserLoadMenuA
#define LoadAcceleratorsA ::Platform::UserLoadAcceleratorsA
#define LoadIconA ::Platform::UserLoadIconA
#define RegisterClassExA ::Platform::UserRegisterClassExA
#define CreateWindowExA ::Platform::UserCreateWindowExA
// GetProcAddress gives the exports tests replace.
#include "platform/windows/Module.h"
#define GetProcAddress ::Platform::ModuleGetProcAddress
#else
#include "platform/win32/Types.h"
#include "platform/win32/Sync.h"
#include "platform/win32/Time.h"
#include "platform/win32/Rect.h"
#include "platform/win32/File.h"
#include "platform/win32/User.h"
#include "platform/win32/Gdi.h"
#include "platform/win32/DeviceContext.h"
#include "platform/win32/Metafile.h"
#include "platform/win32/Module.h"
#include "platform/win32/DirectDraw.h"
#include "platform/win32/D3D8.h"
// clang-format on
#endif
