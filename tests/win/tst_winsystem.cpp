// Checks of the Windows layer's Win32 core, cross-built and run under Wine
// on a private X server. One line per check; the exit status counts the
// failures.
#include "platform/win/winsystem.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

int failures = 0;

std::string narrow(const std::wstring& text)
{
    std::string out;
    for (const wchar_t c : text)
        out += c < 128 ? char(c) : '?';
    return out;
}

void check(bool ok, const std::string& what, const std::string& got = std::string())
{
    std::printf("%s  %s%s%s\n", ok ? "PASS" : "FAIL", what.c_str(), ok ? "" : ": got ", ok ? "" : got.c_str());
    std::fflush(stdout);
    if (!ok)
        ++failures;
}

void pumpMessages(int milliseconds)
{
    const DWORD until = GetTickCount() + DWORD(milliseconds);
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        Sleep(10);
    } while (GetTickCount() < until);
}

// A shown top-level window of class `className`, brought to the front.
HWND frontWindow(const wchar_t* className)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassW(&windowClass);
    const HWND window = CreateWindowExW(0, className, L"probe", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr,
                                        nullptr, windowClass.hInstance, nullptr);
    ShowWindow(window, SW_SHOW);
    // A new console's own window may still be coming up and take the front.
    for (int attempt = 0; attempt < 50 && GetForegroundWindow() != window; ++attempt) {
        SetForegroundWindow(window);
        pumpMessages(50);
    }
    return window;
}

const wchar_t kChildArgument[] = L"--console-window";

std::wstring eventName(DWORD parent, const wchar_t* what)
{
    return L"Local\\OrvoWinSystemCheck-" + std::to_wstring(parent) + L"-" + what;
}

// The child: a process with a console of its own and, in front, a window of
// the console class, as a console program shows on the desktop.
int consoleChild(DWORD parent)
{
    frontWindow(L"ConsoleWindowClass");
    const HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, eventName(parent, L"ready").c_str());
    const HANDLE done = CreateEventW(nullptr, TRUE, FALSE, eventName(parent, L"done").c_str());
    SetEvent(ready);
    WaitForSingleObject(done, 20000);
    return 0;
}

void checkProcessorAndMemory()
{
    std::int64_t idle[2] = {}, kernel[2] = {}, user[2] = {};
    const ULONGLONG start = GetTickCount64();
    bool sampled = WinSystem::processorTimes(idle[0], kernel[0], user[0]);
    while (GetTickCount64() - start < 200) {
        // Busy, so that some time passes on a processor.
    }
    sampled = WinSystem::processorTimes(idle[1], kernel[1], user[1]) && sampled;
    const std::int64_t elapsed = std::int64_t(GetTickCount64() - start);
    const std::int64_t dIdle = idle[1] - idle[0], dKernel = kernel[1] - kernel[0], dUser = user[1] - user[0];
    const std::int64_t total = dKernel + dUser;
    const std::int64_t load = total > 0 ? (total - dIdle) * 100 / total : -1;
    const std::string got =
        "idle " + std::to_string(dIdle) + ", kernel " + std::to_string(dKernel) + ", user " + std::to_string(dUser);
    check(sampled && dIdle >= 0 && dKernel >= dIdle && dUser >= 0 && load >= 0 && load <= 100,
          "two processor samples give a load within 0..100", got);
    // All processors together cannot have run longer than the wall clock
    // allows (in 100-ns units, with room for the counters' coarse steps).
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    check(total <= (elapsed + 50) * 10000 * std::int64_t(info.dwNumberOfProcessors),
          "processor times count 100-ns units", got + " in " + std::to_string(elapsed) + " ms");

    int memory = -1;
    check(WinSystem::memoryLoad(memory) && memory >= 1 && memory <= 100, "memory load within 1..100",
          std::to_string(memory));
}

void checkLayoutOfWindowInFront(const WinSystem& system)
{
    const HWND window = frontWindow(L"OrvoLayoutProbe");
    const WinSystem::ForegroundWindow front = WinSystem::foregroundWindow();
    check(front.infoRead, "GetGUIThreadInfo accepts the structure of this build");
    check(front.window == reinterpret_cast<std::uintptr_t>(window) && front.threadId == GetCurrentThreadId()
              && front.processId == GetCurrentProcessId() && front.className == L"OrvoLayoutProbe",
          "the window in front, its thread, process and class", narrow(front.className));
    const std::wstring country = system.keyboardLayoutCountry();
    check(country == L"USA", "layout of the thread in front (en-US)", narrow(country));
    DestroyWindow(window);

    const std::wstring russia = WinSystem::localeCountry(0x0419);
    check(russia == L"RUS", "country of locale 0x0419", narrow(russia));

    struct Row
    {
        const wchar_t* name;
        unsigned long locale;
    };
    const Row rows[] = {
        {L"00000419", 0x0419},  // the common form
        {L"0000080a", 0x080A},  // lower-case digits
        {L"00010409", 0x0409},  // a variant (Dvorak) keeps its language
        {L"", 0},
        {L"0x0409", 0},  // only bare digits are a layout name
        {L"000004190", 0},
    };
    for (const Row& row : rows) {
        const unsigned long got = WinSystem::consoleLayoutLocale(row.name);
        check(got == row.locale, "console layout name \"" + narrow(row.name) + "\"", std::to_string(got));
    }
}

void checkWarning()
{
    check(WinSystem().layoutSupportWarning().empty(), "no warning when kernel32 has the console function");
    const std::wstring warning = WinSystem(L"user32.dll").layoutSupportWarning();
    check(warning == L"Error loading GetConsoleKeyboardLayoutNameW", "warning when the function is missing",
          narrow(warning));
    check(WinSystem(L"orvo-no-such-module.dll").layoutSupportWarning().empty(),
          "no warning when the module itself does not load");
}

void checkAddressesAndErrors()
{
    const std::vector<std::string> addresses = WinSystem::localIPv4Addresses();
    std::string list;
    for (const std::string& address : addresses)
        list += address + " ";
    check(std::find(addresses.begin(), addresses.end(), "127.0.0.1") != addresses.end(),
          "the IPv4 address list holds 127.0.0.1", list);

    SetLastError(ERROR_FILE_NOT_FOUND);
    const std::wstring text = WinSystem::lastErrorText();
    check(!text.empty() && !iswspace(text.front()) && !iswspace(text.back()), "text of error 2, trimmed",
          "\"" + narrow(text) + "\"");
    SetLastError(0);
    check(WinSystem::lastErrorText().empty(), "no text without an error");
}

// Last: the process gives up its own console here to attach to the child's.
void checkConsoleInFront(const WinSystem& system)
{
    const DWORD self = GetCurrentProcessId();
    const HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, eventName(self, L"ready").c_str());
    const HANDLE done = CreateEventW(nullptr, TRUE, FALSE, eventName(self, L"done").c_str());
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(path) + L"\" " + kChildArgument + L" " + std::to_wstring(self);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, nullptr,
                        &startup, &child)
        || WaitForSingleObject(ready, 10000) != WAIT_OBJECT_0) {
        check(false, "a console window in front");
        return;
    }
    FreeConsole();

    // What the console itself says of its layout; Wine answers with an empty
    // name, where the window's thread would give USA.
    std::wstring expected;
    if (AttachConsole(child.dwProcessId)) {
        using NameFunction = BOOL(WINAPI*)(LPWSTR);
        const auto name = reinterpret_cast<NameFunction>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetConsoleKeyboardLayoutNameW")));
        wchar_t layout[KL_NAMELENGTH + 1] = {};
        if (name(layout) && layout[0])
            expected = WinSystem::localeCountry(WinSystem::consoleLayoutLocale(layout));
        FreeConsole();
    }
    const std::wstring country = system.keyboardLayoutCountry();
    check(country == expected, "a console in front shows the console's layout", narrow(country));
    // Still attached, this process could attach to no other console: the
    // indicator would stay blank for consoles from then on.
    const bool detached = AttachConsole(child.dwProcessId) != FALSE;
    FreeConsole();
    check(detached, "the console is left again");

    const std::wstring without = WinSystem(L"user32.dll").keyboardLayoutCountry();
    check(without.empty(), "without the console function a console in front clears the indicator",
          narrow(without));

    SetEvent(done);
    WaitForSingleObject(child.hProcess, 10000);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
}

// A fault in the code under test ends the run at once with a failure, not
// in the debugger that Wine would start.
LONG WINAPI reportCrash(EXCEPTION_POINTERS* exception)
{
    std::printf("FAIL  crashed with exception 0x%08lx\n", exception->ExceptionRecord->ExceptionCode);
    std::fflush(stdout);
    ExitProcess(100);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(reportCrash);
    if (argc == 3 && std::wstring(argv[1]) == kChildArgument)
        return consoleChild(DWORD(std::stoul(argv[2])));

    const WinSystem system;
    checkProcessorAndMemory();
    checkLayoutOfWindowInFront(system);
    checkWarning();
    checkAddressesAndErrors();
    checkConsoleInFront(system);
    std::printf("%d failed\n", failures);
    return failures;
}
