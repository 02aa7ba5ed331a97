#include "launcher/windows/processstarter.h"

#include "launcher/windows/tempfolder.h"

#include <array>
#include <cwctype>
#include <string>

namespace {

constexpr std::array<std::wstring_view, 2> notPassedOn = {L"QT_PLUGIN_PATH",
                                                          L"QT_QPA_PLATFORM_PLUGIN_PATH"};

// Variable names are compared regardless of case, as Windows does.
bool isPassedOn(std::wstring_view variable)
{
    for (std::wstring_view name : notPassedOn) {
        if (variable.size() <= name.size() || variable[name.size()] != L'=')
            continue;
        bool same = true;
        for (size_t i = 0; i < name.size() && same; ++i)
            same = std::towupper(variable[i]) == name[i];
        if (same)
            return false;
    }
    return true;
}

// The launcher's environment block without the variables not passed on.
std::wstring environmentBlock()
{
    std::wstring block;
    wchar_t *const strings = ::GetEnvironmentStringsW();
    if (!strings)
        return block;
    for (const wchar_t *variable = strings; *variable; variable += wcslen(variable) + 1) {
        if (isPassedOn(variable))
            block.append(variable).push_back(L'\0');
    }
    ::FreeEnvironmentStringsW(strings);
    if (block.empty())
        block.push_back(L'\0');
    block.push_back(L'\0');
    return block;
}

} // namespace

std::optional<pid_t> ProcessStarter::start(std::string_view fileName, Bytes expected)
{
    // Held until the process has been made from it: nobody can change it meanwhile.
    const UniqueHandle program = m_folder.openOwnCopy(fileName, expected);
    if (!program.isValid())
        return std::nullopt;

    const std::wstring path = m_folder.filePath(fileName);
    std::wstring commandLine = L"\"" + path + L"\""; // the program's name alone
    std::wstring environment = environmentBlock();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                          CREATE_UNICODE_ENVIRONMENT | CREATE_DEFAULT_ERROR_MODE,
                          environment.data(), nullptr, &startup, &process))
        return std::nullopt;
    ::CloseHandle(process.hThread);
    const auto id = pid_t(process.dwProcessId);
    m_processes[id] = UniqueHandle(process.hProcess);
    return id;
}

bool ProcessStarter::hasEnded(pid_t processId)
{
    const auto process = m_processes.find(processId);
    return process == m_processes.end() ||
           ::WaitForSingleObject(process->second.get(), 0) != WAIT_TIMEOUT;
}

void ProcessStarter::awaitEnd(pid_t processId, std::chrono::milliseconds bound)
{
    const auto process = m_processes.find(processId);
    if (process != m_processes.end())
        ::WaitForSingleObject(process->second.get(), DWORD(bound.count()));
}
