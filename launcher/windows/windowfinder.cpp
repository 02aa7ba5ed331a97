#include "launcher/windows/windowfinder.h"

#include <windows.h>

#include <string>

namespace {

// Far more windows with the title than anyone opens; a bound on the walk.
constexpr int mostWindows = 256;

} // namespace

std::optional<std::vector<TitledWindow>> TitleWindowFinder::find(std::string_view title)
{
    const int wideLength = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, title.data(),
                                                 int(title.size()), nullptr, 0);
    if (wideLength <= 0)
        return std::nullopt;
    std::wstring wide(size_t(wideLength), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, title.data(), int(title.size()), wide.data(), wideLength);

    // A system whose code page is UTF-8 spells every title, and may not be asked whether it lost
    // any.
    BOOL lossy = FALSE;
    const bool utf8 = ::GetACP() == CP_UTF8;
    const int length = ::WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, wide.c_str(),
                                             -1, nullptr, 0, nullptr, utf8 ? nullptr : &lossy);
    if (length <= 0 || lossy)
        return std::nullopt;
    std::string inCodePage(size_t(length), '\0');
    ::WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, wide.c_str(), -1,
                          inCodePage.data(), length, nullptr, nullptr);

    std::vector<TitledWindow> windows;
    HWND window = ::FindWindowA(nullptr, inCodePage.c_str());
    for (int count = 0; window && count < mostWindows; ++count) {
        std::wstring shown(wide.size() + 2, L'\0');
        shown.resize(size_t(::GetWindowTextW(window, shown.data(), int(shown.size()))));
        if (shown == wide) {
            DWORD processId = 0;
            ::GetWindowThreadProcessId(window, &processId);
            // A window handle's value fits in 32 bits, also in a 64-bit process.
            windows.push_back(
                {std::uint32_t(reinterpret_cast<std::uintptr_t>(window)), pid_t(processId)});
        }
        window = ::FindWindowExA(nullptr, window, nullptr, inCodePage.c_str());
    }
    return windows;
}
