// What the script prints on Windows: a temporary file (deleted when the
// worker ends) under the C runtime's descriptors 1 and 2 and the process's
// standard handles. The script's debugger output (OutputDebugStringA, where
// the framework's debugPrint goes) is written into the same file as it is
// raised, so it shows at the call that wrote it, in order with the rest.
#include "rig/output_capture.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace vesk_host {

namespace {

// OutputDebugStringA raises this with two parameters: the length with its NUL, and the text.
constexpr DWORD debugPrintException = 0x40010006;

HANDLE captureFile = nullptr;

LONG CALLBACK debugText(EXCEPTION_POINTERS* exception)
{
    const EXCEPTION_RECORD* record = exception->ExceptionRecord;
    if (record->ExceptionCode != debugPrintException || record->NumberParameters < 2 || !captureFile)
        return EXCEPTION_CONTINUE_SEARCH;
    const auto length = static_cast<DWORD>(record->ExceptionInformation[0]);
    const char* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
    DWORD written = 0;
    if (text && length > 1)
        WriteFile(captureFile, text, length - 1, &written, nullptr);
    return EXCEPTION_CONTINUE_SEARCH;
}

HANDLE handleOf(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

} // namespace

bool OutputCapture::start()
{
    std::fflush(nullptr);
    char folder[MAX_PATH];
    char name[MAX_PATH];
    const DWORD length = GetTempPathA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder || GetTempFileNameA(folder, "vsk", 0, name) == 0)
        return false;
    const HANDLE file = CreateFileA(name, GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY | _O_RDWR);
    if (fd < 0) {
        CloseHandle(file);
        return false;
    }
    // 1 and 2 are copies of one handle: they share the file and its
    // position with fd_, so emptying it sends their next writes to its start.
    if (_dup2(fd, 1) != 0 || _dup2(fd, 2) != 0) {
        _close(fd);
        return false;
    }
    SetStdHandle(STD_OUTPUT_HANDLE, handleOf(1));
    SetStdHandle(STD_ERROR_HANDLE, handleOf(2));
    fd_ = fd;
    captureFile = file;
    AddVectoredExceptionHandler(0, debugText);
    return true;
}

std::size_t OutputCapture::take(char* into, std::size_t size, std::size_t& dropped)
{
    if (fd_ < 0)
        return 0;
    const HANDLE file = handleOf(fd_);
    LARGE_INTEGER zero{};
    LARGE_INTEGER end{};
    if (!SetFilePointerEx(file, zero, &end, FILE_CURRENT) || end.QuadPart <= 0)
        return 0;
    const auto written = static_cast<std::size_t>(end.QuadPart);
    const std::size_t wanted = written < size ? written : size;
    std::size_t got = 0;
    SetFilePointerEx(file, zero, nullptr, FILE_BEGIN);
    while (got < wanted) {
        DWORD read = 0;
        if (!ReadFile(file, into + got, static_cast<DWORD>(wanted - got), &read, nullptr) || read == 0)
            break;
        got += read;
    }
    dropped += written - got;
    SetFilePointerEx(file, zero, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    return got;
}

} // namespace vesk_host
