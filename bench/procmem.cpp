// procmem PID: what Windows reports of another process's memory, as one JSON
// line, for the benchmarks' bytes-per-row figures.
//
//   {"pid":N,"private_bytes":...,"working_set":...,"peak_working_set":...,
//    "committed_private":...,"reserved":...,"free":...,"largest_free":...,
//    "address_limit":...}
//
// private_bytes and the working sets come from GetProcessMemoryInfo; the rest
// from a walk of the process's address space with VirtualQueryEx:
// committed_private is the committed private memory (what the process has
// really asked for, touched or not), reserved the address space held without
// being committed, free and largest_free what is left to allocate, and
// address_limit the end of the space the walk could see (2, 3 or 4 GiB for a
// 32-bit process, depending on large-address awareness and the host).
// Exits 1 with {"error":...} when the process cannot be opened or queried.
//
// procmem --write PATH BYTES [BLOCK]: the baseline of a save, BYTES written
// to a new file PATH with one WriteFile per BLOCK bytes (64 KiB unless
// given); prints {"bytes":N,"block":B,"ms":T}.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

void WriteLine(const std::string& text)
{
    std::string line = text + "\n";
    DWORD done = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &done,
              nullptr);
}

int Fail(const char* what)
{
    char buf[160];
    std::snprintf(buf, sizeof buf, "{\"error\":\"%s failed (error %lu)\"}", what,
                  static_cast<unsigned long>(GetLastError()));
    WriteLine(buf);
    return 1;
}

struct AddressSpace {
    unsigned long long committedPrivate = 0, reserved = 0, free = 0, largestFree = 0, limit = 0;
};

bool Walk(HANDLE process, AddressSpace& space)
{
    SYSTEM_INFO si{};
    GetSystemInfo(&si);
    unsigned long long at = reinterpret_cast<ULONG_PTR>(si.lpMinimumApplicationAddress);
    MEMORY_BASIC_INFORMATION mbi{};
    bool any = false;
    // A 32-bit walker sees at most the 32-bit space, whatever the target is.
    while (at < 0x100000000ULL &&
           VirtualQueryEx(process, reinterpret_cast<void*>(static_cast<ULONG_PTR>(at)), &mbi,
                          sizeof mbi) == sizeof mbi) {
        any = true;
        unsigned long long size = mbi.RegionSize;
        if (size == 0)
            break;
        if (mbi.State == MEM_FREE) {
            space.free += size;
            if (size > space.largestFree)
                space.largestFree = size;
        } else if (mbi.State == MEM_RESERVE) {
            space.reserved += size;
        } else if (mbi.State == MEM_COMMIT && mbi.Type == MEM_PRIVATE) {
            space.committedPrivate += size;
        }
        at = reinterpret_cast<ULONG_PTR>(mbi.BaseAddress) + size;
        space.limit = at;
    }
    return any;
}

}  // namespace

static int WriteBaseline(const wchar_t* path, unsigned long long bytes, size_t blockBytes)
{
    std::string block(blockBytes, '\0');
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>('a' + i % 26);
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&t0);
    // Created new when it does not exist, as the viewer's save does: a file
    // truncated to nothing is written out at its close on some file systems.
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS)
        file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Fail("CreateFileW");
    unsigned long long left = bytes;
    while (left > 0) {
        DWORD n = left < block.size() ? static_cast<DWORD>(left) : static_cast<DWORD>(block.size());
        DWORD done = 0;
        if (!WriteFile(file, block.data(), n, &done, nullptr) || done != n) {
            CloseHandle(file);
            return Fail("WriteFile");
        }
        left -= n;
    }
    if (!CloseHandle(file))
        return Fail("CloseHandle");
    QueryPerformanceCounter(&t1);
    char line[128];
    std::snprintf(line, sizeof line, "{\"bytes\":%llu,\"block\":%llu,\"ms\":%.3f}", bytes,
                  static_cast<unsigned long long>(block.size()),
                  double(t1.QuadPart - t0.QuadPart) * 1000.0 / double(freq.QuadPart));
    WriteLine(line);
    return 0;
}

int wmain(int argc, wchar_t** argv)
{
    if ((argc == 4 || argc == 5) && std::wcscmp(argv[1], L"--write") == 0) {
        const size_t block = argc == 5 ? std::wcstoul(argv[4], nullptr, 10) : 64 * 1024;
        if (block == 0) {
            WriteLine("{\"error\":\"the block size must be at least 1\"}");
            return 2;
        }
        return WriteBaseline(argv[2], std::wcstoull(argv[3], nullptr, 10), block);
    }
    wchar_t* end = nullptr;
    unsigned long pid = argc == 2 ? std::wcstoul(argv[1], &end, 10) : 0;
    if (argc != 2 || !end || *end || pid == 0) {
        WriteLine("{\"error\":\"usage: procmem PID\"}");
        return 2;
    }
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process)
        return Fail("OpenProcess");
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc),
                              sizeof pmc)) {
        int r = Fail("GetProcessMemoryInfo");
        CloseHandle(process);
        return r;
    }
    AddressSpace space;
    if (!Walk(process, space)) {
        int r = Fail("VirtualQueryEx");
        CloseHandle(process);
        return r;
    }
    CloseHandle(process);
    char buf[512];
    std::snprintf(buf, sizeof buf,
                  "{\"pid\":%lu,\"private_bytes\":%llu,\"working_set\":%llu,"
                  "\"peak_working_set\":%llu,\"committed_private\":%llu,\"reserved\":%llu,"
                  "\"free\":%llu,\"largest_free\":%llu,\"address_limit\":%llu}",
                  pid, static_cast<unsigned long long>(pmc.PrivateUsage),
                  static_cast<unsigned long long>(pmc.WorkingSetSize),
                  static_cast<unsigned long long>(pmc.PeakWorkingSetSize), space.committedPrivate,
                  space.reserved, space.free, space.largestFree, space.limit);
    WriteLine(buf);
    return 0;
}
