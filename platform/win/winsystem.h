#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The Win32 calls of the Windows layer. Plain C++ types in and out, so that
// this part builds and runs without the toolkit (it is checked on its own
// with a cross compiler).
class WinSystem
{
public:
    // The window the user is typing into, as the foreground thread tells it.
    struct ForegroundWindow
    {
        bool infoRead = false;      // GetGUIThreadInfo succeeded
        std::uintptr_t window = 0;  // the active window; 0 when there is none
        unsigned long threadId = 0;
        unsigned long processId = 0;
        std::wstring className;
    };

    // Loads `module` (kernel32.dll; another name only to check the fallback)
    // and looks up the console's layout-name function in it, which older
    // systems lack.
    explicit WinSystem(const wchar_t* module = L"kernel32.dll");
    ~WinSystem();

    WinSystem(const WinSystem&) = delete;
    WinSystem& operator=(const WinSystem&) = delete;

    // Processor times since boot in 100-ns units; kernel includes idle.
    static bool processorTimes(std::int64_t& idle, std::int64_t& kernel, std::int64_t& user);
    // Percentage of physical memory in use.
    static bool memoryLoad(int& percent);

    // Abbreviated country name of the layout of the foreground window's
    // thread; for a console window, the console's own layout. Empty when it
    // cannot be told.
    std::wstring keyboardLayoutCountry() const;
    // "Error loading GetConsoleKeyboardLayoutNameW" when the module loaded
    // but lacks the function; empty otherwise.
    std::wstring layoutSupportWarning() const;

    static void sleepMs(int milliseconds);
    // Dotted-quad addresses of the IPv4 address table, in its order; empty
    // when the table cannot be read.
    static std::vector<std::string> localIPv4Addresses();
    // The system's message for GetLastError(), white space trimmed; empty
    // for 0 or a code without a message.
    static std::wstring lastErrorText();

    // The login session and the desktop within it ("session1-Default"):
    // each of them shows its own windows.
    static std::wstring desktopName();

    static ForegroundWindow foregroundWindow();
    // LOCALE_SABBREVCTRYNAME of `localeId`; empty when the system has none.
    static std::wstring localeCountry(unsigned long localeId);
    // The language of a console layout name ("00000419" -> 0x0419): the
    // name is a layout identifier in hexadecimal whose low word is the
    // language; variants ("00010409", Dvorak) carry more above it, which is
    // no valid locale. 0 for a name that is not hexadecimal.
    static unsigned long consoleLayoutLocale(const std::wstring& layoutName);

private:
    using ConsoleLayoutNameFunction = int(__stdcall*)(wchar_t*);

    void* m_module = nullptr;
    ConsoleLayoutNameFunction m_consoleLayoutName = nullptr;
};
