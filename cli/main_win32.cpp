// Process entry of qvx.exe: UTF-16 arguments, UTF-8 bytes out in binary mode.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/app.h"

namespace {

void writeAll(std::FILE* stream, std::string_view bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

// A console shows the UTF-8 bytes as text and reverse video only when told to.
bool prepareConsole() {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (out == INVALID_HANDLE_VALUE || !GetConsoleMode(out, &mode)) return false;
    SetConsoleOutputCP(CP_UTF8);
    return SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));

    // No line-feed translation: --raw output is byte for byte the viewer's text.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);

    qvx::cli::Console console;
    console.out = [](std::string_view bytes) { writeAll(stdout, bytes); };
    console.err = [](std::string_view bytes) { writeAll(stderr, bytes); };
    console.stdoutIsTerminal = _isatty(_fileno(stdout)) != 0 && prepareConsole();
    console.stderrIsTerminal = _isatty(_fileno(stderr)) != 0;
    console.noColor = std::getenv("NO_COLOR");
    return qvx::cli::runQvx(args, console);
}
