#include "launcher/windows/tempfolder.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <cwctype>
#include <vector>

namespace {

// The launcher's names are ASCII; a run-time path is UTF-8 all the same.
std::wstring widened(std::string_view text)
{
    if (text.empty())
        return {};
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), length);
    return wide;
}

// The objects of launchers that share a folder are named after it: Windows
// compares paths regardless of case.
std::wstring objectName(const std::wstring &folder, const wchar_t *kind)
{
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (wchar_t character : folder) {
        hash ^= std::uint64_t(std::towupper(character));
        hash *= 1099511628211ull;
    }
    wchar_t hex[17];
    for (int digit = 15; digit >= 0; --digit) {
        hex[digit] = L"0123456789abcdef"[hash & 15];
        hash >>= 4;
    }
    hex[16] = L'\0';
    return std::wstring(L"Local\\VarnicaSolo.") + hex + L"." + kind;
}

void waitFor(HANDLE mutex)
{
    // An abandoned mutex (its launcher crashed) is owned all the same.
    ::WaitForSingleObject(mutex, INFINITE);
}

bool writeAll(HANDLE file, Bytes bytes)
{
    const char *data = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const DWORD chunk = DWORD(std::min<size_t>(left, 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(file, data, chunk, &written, nullptr) || written == 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

bool contentEquals(HANDLE file, Bytes bytes)
{
    std::vector<char> buffer(65536);
    size_t offset = 0;
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file, buffer.data(), DWORD(buffer.size()), &got, nullptr))
            return false;
        if (got == 0)
            return offset == bytes.size();
        if (offset + got > bytes.size() ||
            std::memcmp(buffer.data(), bytes.data() + offset, got) != 0)
            return false;
        offset += got;
    }
}

// One step of a name: never empty, never a way out of the folder.
bool isPlainPart(std::wstring_view part)
{
    return !part.empty() && part != L"." && part != L"..";
}

} // namespace

std::wstring temporaryFolder()
{
    const DWORD needed = ::GetEnvironmentVariableW(L"temp", nullptr, 0);
    if (needed == 0)
        return {};
    std::wstring value(needed, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(L"temp", value.data(), needed);
    value.resize(length < needed ? length : 0);
    return value;
}

TempFolder::TempFolder(std::wstring folder) : m_folder(std::move(folder))
{
    m_guard = UniqueHandle(::CreateMutexW(nullptr, FALSE, objectName(m_folder, L"guard").c_str()));
    m_count = UniqueHandle(
        ::CreateSemaphoreW(nullptr, 0, LONG_MAX, objectName(m_folder, L"launchers").c_str()));
    if (!m_guard.isValid() || !m_count.isValid())
        return;
    waitFor(m_guard.get());
    m_counted = ::ReleaseSemaphore(m_count.get(), 1, nullptr) != 0;
    ::ReleaseMutex(m_guard.get());
}

TempFolder::~TempFolder()
{
    countOut();
    if (m_guardHeld)
        ::ReleaseMutex(m_guard.get());
}

void TempFolder::countOut()
{
    if (m_counted)
        ::WaitForSingleObject(m_count.get(), 0);
    m_counted = false;
}

bool TempFolder::lastToLeave()
{
    // Without the two objects nothing can be told apart: the files go, as
    // they would with one launcher.
    if (!m_guard.isValid() || !m_count.isValid())
        return true;
    if (!m_guardHeld) {
        waitFor(m_guard.get());
        m_guardHeld = true;
    }
    countOut();
    // A semaphore tells its count only when it is raised: raise it by one
    // and take that back. Nobody else counts in or out meanwhile.
    LONG others = 0;
    if (!::ReleaseSemaphore(m_count.get(), 1, &others))
        return false;
    ::WaitForSingleObject(m_count.get(), 0);
    return others == 0;
}

std::wstring TempFolder::filePath(std::string_view name) const
{
    std::wstring path = m_folder + L"\\" + widened(name);
    for (size_t i = m_folder.size(); i < path.size(); ++i) {
        if (path[i] == L'/')
            path[i] = L'\\';
    }
    return path;
}

void TempFolder::removeMatching(std::string_view pattern)
{
    const std::wstring folderPrefix = m_folder + L"\\";
    WIN32_FIND_DATAW found{};
    const HANDLE listing = ::FindFirstFileW((folderPrefix + widened(pattern)).c_str(), &found);
    if (listing == INVALID_HANDLE_VALUE)
        return;
    std::vector<std::wstring> matches;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            matches.emplace_back(found.cFileName);
    } while (::FindNextFileW(listing, &found));
    ::FindClose(listing);
    for (const std::wstring &match : matches)
        ::DeleteFileW((folderPrefix + match).c_str());
}

void TempFolder::remove(std::string_view name)
{
    ::DeleteFileW(filePath(name).c_str());
}

void TempFolder::removeFolder(std::string_view name)
{
    ::RemoveDirectoryW(filePath(name).c_str());
}

bool TempFolder::exists(std::string_view name) const
{
    return ::GetFileAttributesW(filePath(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool TempFolder::create(std::string_view name, Bytes bytes, FileKind)
{
    const std::wstring path = filePath(name);
    // The folders on the way, each a plain part of the name.
    const std::wstring_view inner = std::wstring_view(path).substr(m_folder.size() + 1);
    size_t start = 0;
    for (;;) {
        const size_t separator = inner.find(L'\\', start);
        if (!isPlainPart(inner.substr(start, separator - start)))
            return false;
        if (separator == std::wstring_view::npos)
            break;
        ::CreateDirectoryW(path.substr(0, m_folder.size() + 1 + separator).c_str(), nullptr);
        start = separator + 1;
    }

    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.isValid())
        return false;
    bool written = writeAll(file.get(), bytes);
    // A program still open for writing cannot be started: close before reporting.
    written = ::CloseHandle(file.release()) && written;
    if (!written)
        ::DeleteFileW(path.c_str());
    return written;
}

bool TempFolder::holdsCopyOf(std::string_view name, Bytes bytes) const
{
    return openOwnCopy(name, bytes).isValid();
}

UniqueHandle TempFolder::openOwnCopy(std::string_view name, Bytes bytes) const
{
    // Shared for reading only: while the handle is open, nobody may write
    // the file or delete it. A link is opened as itself and refused.
    UniqueHandle file(
        ::CreateFileW(filePath(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!file.isValid() || !::GetFileInformationByHandle(file.get(), &information) ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return {};
    const std::uint64_t size =
        (std::uint64_t(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
    if (size != bytes.size() || !contentEquals(file.get(), bytes))
        return {};
    return file;
}
