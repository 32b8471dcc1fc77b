#include "platform/win/winsystem.h"

// Addresses are given in inet_ntoa's form; newer headers mark it
// deprecated in favour of inet_ntop.
#define _WINSOCK_DEPRECATED_NO_WARNINGS
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <cstddef>
#include <cwctype>

namespace {

const wchar_t kConsoleClass[] = L"ConsoleWindowClass";
constexpr int kNameLength = 260;      // class and console layout names
constexpr int kLocaleTextLength = 1024;

std::int64_t fileTimeValue(const FILETIME& time)
{
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32)
                                     | time.dwLowDateTime);
}

std::wstring trimmed(const std::wstring& text)
{
    std::size_t begin = 0, end = text.size();
    while (begin < end && std::iswspace(text[begin]))
        ++begin;
    while (end > begin && std::iswspace(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

}  // namespace

WinSystem::WinSystem(const wchar_t* module)
{
    HMODULE handle = LoadLibraryW(module);
    m_module = handle;
    if (handle) {
        // Through void(*)() so that the compiler accepts the change of
        // signature from the generic FARPROC.
        m_consoleLayoutName = reinterpret_cast<ConsoleLayoutNameFunction>(
            reinterpret_cast<void (*)()>(GetProcAddress(handle, "GetConsoleKeyboardLayoutNameW")));
    }
}

WinSystem::~WinSystem()
{
    if (m_module)
        FreeLibrary(static_cast<HMODULE>(m_module));
}

bool WinSystem::processorTimes(std::int64_t& idle, std::int64_t& kernel, std::int64_t& user)
{
    FILETIME idleTime, kernelTime, userTime;
    if (!GetSystemTimes(&idleTime, &kernelTime, &userTime))
        return false;
    idle = fileTimeValue(idleTime);
    kernel = fileTimeValue(kernelTime);
    user = fileTimeValue(userTime);
    return true;
}

bool WinSystem::memoryLoad(int& percent)
{
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status))
        return false;
    percent = static_cast<int>(status.dwMemoryLoad);
    return true;
}

WinSystem::ForegroundWindow WinSystem::foregroundWindow()
{
    ForegroundWindow result;
    GUITHREADINFO info = {};
    // The size of this build's structure: 48 bytes in a 32-bit build, 72 in
    // a 64-bit one, and the call refuses any other.
    info.cbSize = sizeof(info);
    result.infoRead = GetGUIThreadInfo(0, &info) != FALSE;
    // Without a foreground thread the window stays 0 and everything below
    // falls back to this thread's own layout.
    const HWND window = info.hwndActive;
    result.window = reinterpret_cast<std::uintptr_t>(window);
    DWORD processId = 0;
    result.threadId = GetWindowThreadProcessId(window, &processId);
    result.processId = processId;
    wchar_t name[kNameLength] = {};
    const int length = GetClassNameW(window, name, kNameLength);
    if (length > 0)
        result.className.assign(name, static_cast<std::size_t>(length));
    return result;
}

std::wstring WinSystem::keyboardLayoutCountry() const
{
    const ForegroundWindow foreground = foregroundWindow();
    if (foreground.className != kConsoleClass) {
        const HKL layout = GetKeyboardLayout(foreground.threadId);
        return localeCountry(LOWORD(reinterpret_cast<std::uintptr_t>(layout)));
    }
    // A console's layout belongs to the console, not to the window's thread:
    // only the console's own function can tell it, and it answers for the
    // console this process is attached to.
    if (!m_consoleLayoutName || !AttachConsole(foreground.processId))
        return std::wstring();
    wchar_t name[kNameLength] = {};
    const unsigned long locale = m_consoleLayoutName(name) ? consoleLayoutLocale(name) : 0;
    FreeConsole();
    return locale ? localeCountry(locale) : std::wstring();
}

std::wstring WinSystem::layoutSupportWarning() const
{
    if (m_module && !m_consoleLayoutName)
        return L"Error loading GetConsoleKeyboardLayoutNameW";
    return std::wstring();
}

void WinSystem::sleepMs(int milliseconds)
{
    Sleep(milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0);
}

std::vector<std::string> WinSystem::localIPv4Addresses()
{
    std::vector<std::string> addresses;
    // Room for the header and one entry; asked with a size of 0, the call
    // answers with the size it needs.
    std::vector<unsigned char> buffer(sizeof(MIB_IPADDRTABLE));
    ULONG size = 0;
    DWORD result = GetIpAddrTable(reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data()), &size, FALSE);
    // An address that appears between two calls makes the table outgrow the
    // size just reported: ask again a few times rather than give up.
    for (int attempt = 0; attempt < 3 && result == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
        buffer.assign(size, 0);
        result = GetIpAddrTable(reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data()), &size, FALSE);
    }
    if (result != NO_ERROR || buffer.size() < sizeof(MIB_IPADDRTABLE))
        return addresses;
    const auto* table = reinterpret_cast<const MIB_IPADDRTABLE*>(buffer.data());
    const std::size_t fits =
        (buffer.size() - offsetof(MIB_IPADDRTABLE, table)) / sizeof(MIB_IPADDRROW);
    const std::size_t count = table->dwNumEntries < fits ? table->dwNumEntries : fits;
    for (std::size_t i = 0; i < count; ++i) {
        in_addr address = {};
        address.s_addr = table->table[i].dwAddr;
        if (const char* text = inet_ntoa(address))
            addresses.emplace_back(text);
    }
    return addresses;
}

std::wstring WinSystem::lastErrorText()
{
    const DWORD code = GetLastError();
    if (code == 0)
        return std::wstring();
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message;
    if (length > 0 && text)
        message.assign(text, length);
    LocalFree(text);
    return trimmed(message);
}

std::wstring WinSystem::desktopName()
{
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    std::wstring name = L"session" + std::to_wstring(session);
    wchar_t desktop[kNameLength] = {};
    DWORD needed = 0;
    if (GetUserObjectInformationW(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, desktop, sizeof(desktop), &needed))
        name += L"-" + std::wstring(desktop);
    return name;
}

std::wstring WinSystem::localeCountry(unsigned long localeId)
{
    wchar_t text[kLocaleTextLength] = {};
    if (GetLocaleInfoW(localeId, LOCALE_SABBREVCTRYNAME, text, kLocaleTextLength) <= 0)
        return std::wstring();
    return std::wstring(text);
}

unsigned long WinSystem::consoleLayoutLocale(const std::wstring& layoutName)
{
    if (layoutName.empty() || layoutName.size() > 8)
        return 0;
    unsigned long value = 0;
    for (const wchar_t c : layoutName) {
        unsigned digit;
        if (c >= L'0' && c <= L'9')
            digit = unsigned(c - L'0');
        else if (c >= L'a' && c <= L'f')
            digit = unsigned(c - L'a' + 10);
        else if (c >= L'A' && c <= L'F')
            digit = unsigned(c - L'A' + 10);
        else
            return 0;
        value = value << 4 | digit;
    }
    return value & 0xFFFF;
}
