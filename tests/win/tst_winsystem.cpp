// The Windows layer's Win32 core under Wine (en-US): one line per check; the exit status counts the failures.
#include "platform/win/winsystem.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

int failures = 0;

void check(bool ok, const char* what, const std::wstring& got = std::wstring())
{
    std::printf("%s  %s%s%ls\n", ok ? "PASS" : "FAIL", what, ok ? "" : ": got ", ok ? L"" : got.c_str());
    failures += ok ? 0 : 1;
}

// A crash ends the run with a failure, not in Wine's debugger.
LONG WINAPI reportCrash(EXCEPTION_POINTERS* exception)
{
    std::printf("FAIL  crashed with exception 0x%08lx\n", exception->ExceptionRecord->ExceptionCode);
    std::fflush(stdout);
    ExitProcess(100);
}

}  // namespace

int main()
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(reportCrash);

    // Around 200 ms of work: kernel time includes idle, and all processors ran no longer than the wall clock allows
    // (in 100-ns units, with room for the counters' coarse steps).
    std::int64_t idle[2], kernel[2], user[2];
    const ULONGLONG start = GetTickCount64();
    bool sampled = WinSystem::processorTimes(idle[0], kernel[0], user[0]);
    while (GetTickCount64() - start < 200) {
    }
    sampled = WinSystem::processorTimes(idle[1], kernel[1], user[1]) && sampled;
    const std::int64_t elapsed = std::int64_t(GetTickCount64() - start);
    const std::int64_t dIdle = idle[1] - idle[0], dKernel = kernel[1] - kernel[0], total = dKernel + user[1] - user[0];
    const std::int64_t load = total > 0 ? (total - dIdle) * 100 / total : -1;
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    check(sampled && dIdle >= 0 && dKernel >= dIdle && load >= 0 && load <= 100
              && total <= (elapsed + 50) * 10000 * std::int64_t(system.dwNumberOfProcessors),
          "two processor samples give a load within 0..100",
          std::to_wstring(dIdle) + L" idle, " + std::to_wstring(total) + L" in all");

    int memory = -1;
    check(WinSystem::memoryLoad(memory) && memory >= 1 && memory <= 100, "memory load within 1..100",
          std::to_wstring(memory));

    // A window of ours in front: its thread's layout is the prefix's.
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.lpszClassName = L"OrvoLayoutProbe";
    RegisterClassW(&windowClass);
    const HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"probe", WS_OVERLAPPEDWINDOW, 10, 10, 200,
                                        100, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    const WinSystem::ForegroundWindow front = WinSystem::foregroundWindow();
    check(front.infoRead, "GetGUIThreadInfo accepts the structure of this build");
    const WinSystem layer;
    check(layer.keyboardLayoutCountry() == L"USA", "layout of the thread in front", layer.keyboardLayoutCountry());
    check(WinSystem::localeCountry(0x0419) == L"RUS", "country of locale 0x0419", WinSystem::localeCountry(0x0419));
    // A console names its layout; a variant keeps its language in the low word.
    check(WinSystem::consoleLayoutLocale(L"00000419") == 0x0419 && WinSystem::consoleLayoutLocale(L"00010409") == 0x0409
              && WinSystem::consoleLayoutLocale(L"zz") == 0,
          "language of console layout names");
    check(layer.layoutSupportWarning().empty()
              && WinSystem(L"user32.dll").layoutSupportWarning() == L"Error loading GetConsoleKeyboardLayoutNameW"
              && WinSystem(L"orvo-no-such-module.dll").layoutSupportWarning().empty(),
          "warning only when kernel32 loads without the console function");

    const std::vector<std::string> addresses = WinSystem::localIPv4Addresses();
    check(std::find(addresses.begin(), addresses.end(), "127.0.0.1") != addresses.end(),
          "the IPv4 address list holds 127.0.0.1", std::to_wstring(addresses.size()) + L" addresses");

    SetLastError(ERROR_FILE_NOT_FOUND);
    const std::wstring text = WinSystem::lastErrorText();
    check(!text.empty() && !iswspace(text.front()) && !iswspace(text.back()), "text of error 2, trimmed",
          L"\"" + text + L"\"");

    std::printf("%d failed\n", failures);
    return failures;
}
