// Qarn's parts that need no window of their own: the frame timer and the
// pulse over the virtual clock, the log, the options, the resources, and the
// program itself started as a user would.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <iterator>
#include <sstream>

#include "app/AlphaAnimation.h"
#include "app/EngineErrors.h"
#include "app/GameFrame.h"
#include "app/Options.h"
#include "app/Resource.h"
#include "app/Resources.h"
#include "engine/object/TSCustomException.h"
#include "tests/common/RunTool.h"
#include "tests/common/TestEvents.h"
#include "tests/platform/RecordingWindow.h"

namespace {

// One frame whose work takes workMs, paced to frameMs; the time it took.
DWORD RunFrame(CFrameTimer& timer, DWORD workMs, DWORD frameMs) {
  const DWORD start = timeGetTime();
  timer.Begin();
  Platform::AdvanceVirtualClock(workMs);
  timer.End();
  timer.Wait(frameMs);
  return timeGetTime() - start;
}

TEST(FrameTimer, SleepsOutTheRestOfTheFrameAndCountsFramesPerSecond) {
  const struct {
    DWORD clock, work, frame, took;
  } paced[] = {{0, 12, 30, 30}, {0, 45, 30, 45}, {0, 3, 0, 3}, {0xFFFFFFF0u, 12, 30, 30}};  // the last wraps
  for (const auto& f : paced) {
    Platform::EnableVirtualClock(f.clock, SYSTEMTIME{});
    CFrameTimer timer;
    EXPECT_EQ(RunFrame(timer, f.work, f.frame), f.took) << f.work << " of " << f.frame;
  }
  // The first End opens the first window; then frames whose End falls 30 ms
  // apart: the 34th is the first 1000 ms or more after it, and counts in
  // neither window. From time 0, and across a clock wrap.
  for (DWORD start : {0u, 0xFFFFFF00u}) {
    Platform::EnableVirtualClock(start, SYSTEMTIME{});
    CFrameTimer timer;
    DWORD frames = 0;
    for (RunFrame(timer, 10, 30); timer.GetFPS() == 0 && frames < 100; ++frames) RunFrame(timer, 10, 30);
    RunFrame(timer, 10, 30);
    EXPECT_TRUE(frames == 34u && timer.GetFPS() == 33u) << frames << " " << timer.GetFPS();
  }
  Platform::DisableVirtualClock();
}

TEST(AlphaAnimation, RunsDownTo0UpTo255AndBackInStepsOf5WhenMoreThan30msPassed) {
  CAlphaAnimation alpha(1000);
  EXPECT_FALSE(alpha.Step(1030));
  DWORD now = 1030;
  for (int n = 1; n <= 120; ++n) {
    now += n == 1 ? 1 : n % 2 ? 31 : 500;                        // a long gap is still one step
    ASSERT_TRUE(alpha.Step(now) && !alpha.Step(now + 30)) << n;  // measured from the last step
    EXPECT_EQ(alpha.GetAlpha(), DWORD(n <= 51    ? 255 - 5 * n
                                      : n <= 102 ? 5 * (n - 51)
                                                 : 255 - 5 * (n - 102)))
        << n;
  }
}

TEST(GameLog, FramesTheRunWithPaddedBannersCutsLongLinesAndReportsEscapingErrors) {
  TempFolder folder;
  Platform::EnableVirtualClock(0, SYSTEMTIME{2006, 3, 0, 5, 9, 7, 3, 0});
  CGameFrame::Log("left over from an earlier run");
  auto frame = std::make_unique<CGameFrame>();
  const std::string text(5000, 'a');
  CGameFrame::Log("%s", text.c_str());
  Sleep(3 * 3600 * 1000 + 50 * 60 * 1000 + 10 * 1000);  // to 12:57:13
  frame.reset();
  const std::string separator(70, '-');
  EXPECT_EQ(ReadWholeFile("QarnLog.txt"),
            separator + "\n----------------Qarn log Started at 2006,03,05, 9: 7:03---------------\n" +
                text.substr(0, 4095) +
                "\n-----------------Qarn log ended at 2006,03,05,12:57:13----------------\n" + separator +
                "\n");
  Platform::DisableVirtualClock();
  // A folder where the file should be: the lines are lost, nothing else.
  ASSERT_TRUE(std::remove("QarnLog.txt") == 0 && mkdir("QarnLog.txt", 0700) == 0);
  std::make_unique<CGameFrame>().reset();
  ASSERT_EQ(rmdir("QarnLog.txt"), 0);
  EXPECT_EXIT(RunReportingEngineErrors([]() -> int {
                throw new (std::nothrow) Tessel::CTSCustomException("Dirty Rect Count too large! %d", 7);
              }),
              testing::ExitedWithCode(1), "qarn: Dirty Rect Count too large! 7");
  EXPECT_TRUE(ReadWholeFile("QarnLog.txt") == "Dirty Rect Count too large! 7\n" &&
              RunReportingEngineErrors([] { return 42; }) == 42);
}

// The options read from the words of text: what they set, or "refused: " and why.
std::string Parsed(const std::string& text) {
  std::istringstream in(text);
  const std::vector<std::string> words{std::istream_iterator<std::string>(in), {}};
  std::vector<const char*> argv = {"qarn"};
  for (const std::string& word : words) argv.push_back(word.c_str());
  QarnOptions options;
  std::string error;
  if (!ParseQarnOptions(int(argv.size()), argv.data(), &options, &error))
    return "refused: " + error + (options.device == TS_GUID_GDI_GRAPHICS ? "" : " with a device set");
  std::string out = std::to_string(options.frames);
  if (options.headless) out += " headless";
  if (options.help) out += " help";
  if (!options.screenshot.empty()) out += " to " + options.screenshot;
  if (options.device != TS_GUID_GDI_GRAPHICS) out += options.device == TS_GUID_D3D8_GRAPHICS ? " d3d8" : " ?";
  return out;
}

TEST(Options, ReadsEachOptionAndRefusesBadOnes) {
  const std::pair<const char*, const char*> cases[] = {
      {"--headless --frames 60", "60 headless"},
      {"--screenshot out/last.png --help", "0 help to out/last.png"},
      {"--device d3d8", "0 d3d8"},
      {"--device d3d8 --device software", "0"},
  };
  for (auto [arguments, expected] : cases) EXPECT_EQ(Parsed(arguments), expected) << arguments;
  // A refusal names the option and changes no device.
  for (std::string bad : {"--device", "--device D3D8", "--frames", "--frames 0", "--frames -3",
                          "--frames 12x", "--frames 4294967296", "--fullscreen", "--screenshot",
                          "--screenshot shot.jpg", "--screenshot .png"}) {
    const std::string result = Parsed(bad);
    EXPECT_TRUE(result.starts_with("refused: ") && !result.ends_with(" set") &&
                result.find(bad.substr(0, bad.find(' '))) != std::string::npos)
        << bad << ": " << result;
  }
}

TEST(QarnResources, KeysChooseAbout) {
  Platform::SetResources(&QarnResources());
  HINSTANCE instance = GetModuleHandleA(nullptr);
  RecordingWindow window(LoadMenuA(instance, MAKEINTRESOURCEA(IDC_QARN)));
  HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDC_QARN));
  // Alt+"?" and Alt+"/" (accelerators, 1) and Alt+H A (the menu, 0) choose About; a key alone chooses
  // nothing. Alt+F X, Exit, is the frame loop's own test.
  const std::tuple<SDL_Keycode, Uint16, SDL_Keycode, std::vector<WPARAM>> cases[] = {
      {SDLK_SLASH, KMOD_LALT | KMOD_LSHIFT, 0, {MAKEWPARAM(IDM_ABOUT, 1)}},
      {SDLK_SLASH, KMOD_RALT, 0, {MAKEWPARAM(IDM_ABOUT, 1)}},
      {SDLK_h, KMOD_LALT, SDLK_a, {MAKEWPARAM(IDM_ABOUT, 0)}},
      {SDLK_x, KMOD_NONE, 0, {}}};
  for (const auto& [key, modifiers, then, commands] : cases) {
    window.Clear();
    TestEvents::PressKey(window.Handle(), key, modifiers);
    if (then != 0) TestEvents::PressKey(window.Handle(), then, KMOD_NONE);
    TestEvents::PumpAll(accelerators);
    std::vector<WPARAM> chosen;
    for (const RecordedMessage& received : window.Received(WM_COMMAND)) chosen.push_back(received.wParam);
    EXPECT_EQ(chosen, commands) << key << "+" << modifiers;
  }
}

TEST(QarnProcess, RunsHeadlessSavesTheLastFrameAndRefusesBadOptions) {
  TempFolder folder;
  auto qarn = [](const char* arguments) { return RunTool(QARN_PATH, arguments); };
  // Without its picture qarn says so and draws no frame; bad options and --help give the usage only.
  ToolRun run = qarn("--headless --frames 5");
  EXPECT_TRUE(run.status == 0 &&
              (run.out + run.errors).find("Error: Unable to Load Background\\logo.bmp") != std::string::npos)
      << run.out << run.errors;
  for (auto [arguments, status] : {std::pair{"--frames 0", 2}, {"--help", 0}}) {
    run = qarn(arguments);
    EXPECT_TRUE(run.status == status && (run.out + run.errors).find("Usage: qarn") != std::string::npos)
        << arguments << ": " << run.status << run.out << run.errors;
  }
  std::filesystem::copy(
      QARN_DATA_DIR, ".",
      std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
  run = qarn("--headless --frames 3 --screenshot last.bmp");
  EXPECT_TRUE(run.status == 0 &&
              run.out.find("Screenshot saved to " + folder.Path() + "/last.bmp") != std::string::npos &&
              ReadWholeFile("last.bmp").size() == 54u + 640u * 480u * 3u &&
              ReadWholeFile("last.bmp").substr(0, 2) == "BM")
      << run.out << run.errors;
  EXPECT_EQ(qarn("--headless --frames 3 --screenshot no/such/folder/last.png").status, 1);
}

}  // namespace
