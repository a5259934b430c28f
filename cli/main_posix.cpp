// Process entry of qvx outside Windows: arguments are taken as the bytes of paths, UTF-8 or not.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/text.h"
#include "cli/app.h"

namespace {

void writeAll(std::FILE* stream, std::string_view bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) args.push_back(qvx::pathFromSystem(argv[i]));

    qvx::cli::Console console;
    console.out = [](std::string_view bytes) { writeAll(stdout, bytes); };
    console.err = [](std::string_view bytes) { writeAll(stderr, bytes); };
    console.stdoutIsTerminal = ::isatty(STDOUT_FILENO) == 1;
    console.stderrIsTerminal = ::isatty(STDERR_FILENO) == 1;
    console.noColor = std::getenv("NO_COLOR");
    return qvx::cli::runQvx(args, console);
}
