// Child processes for the end-to-end tests: posix_spawn with pipes or a pseudo-terminal.
#include "run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "base/unique_handle.h"

extern char** environ;

namespace qvx::test {
namespace {

using Fd = UniqueHandle<int, &::close, -1>;

void check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

std::vector<std::string> childEnvironment(const ProgramOptions& options) {
    std::map<std::string, std::string> vars;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string entry(*e);
        auto eq = entry.find('=');
        if (eq != std::string::npos) vars[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    for (const auto& [name, value] : options.env) {
        if (value) {
            vars[name] = *value;
        } else {
            vars.erase(name);
        }
    }
    std::vector<std::string> out;
    for (const auto& [name, value] : vars) out.push_back(name + "=" + value);
    return out;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (auto& s : strings) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

// Opens a pseudo-terminal pair; the slave is raw so that the bytes pass unchanged.
void openTerminal(Fd& master, Fd& slave) {
    master.reset(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    check(master.get() >= 0, "posix_openpt");
    check(::grantpt(master.get()) == 0 && ::unlockpt(master.get()) == 0, "grantpt");
    const char* name = ::ptsname(master.get());
    check(name != nullptr, "ptsname");
    slave.reset(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    check(slave.get() >= 0, "open pts");
    termios mode{};
    check(::tcgetattr(slave.get(), &mode) == 0, "tcgetattr");
    ::cfmakeraw(&mode);
    check(::tcsetattr(slave.get(), TCSANOW, &mode) == 0, "tcsetattr");
}

}  // namespace

ProgramResult runProgram(const std::vector<std::string>& argv, const ProgramOptions& options) {
    Fd outRead, outWrite, errRead, errWrite;
    int fds[2];
    if (options.stdoutTerminal) {
        openTerminal(outRead, outWrite);
    } else {
        check(::pipe2(fds, O_CLOEXEC) == 0, "pipe");
        outRead.reset(fds[0]);
        outWrite.reset(fds[1]);
    }
    check(::pipe2(fds, O_CLOEXEC) == 0, "pipe");
    errRead.reset(fds[0]);
    errWrite.reset(fds[1]);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outWrite.get(), 1);
    posix_spawn_file_actions_adddup2(&actions, errWrite.get(), 2);
    if (!options.workingDir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, options.workingDir.c_str());

    std::vector<std::string> args = argv;
    std::vector<std::string> env = childEnvironment(options);
    auto argp = pointers(args);
    auto envp = pointers(env);
    pid_t pid = -1;
    int spawned = ::posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error("posix_spawn " + args[0] + ": " + std::strerror(spawned));
    outWrite.reset();
    errWrite.reset();

    ProgramResult result;
    pollfd polls[2] = {{outRead.get(), POLLIN, 0}, {errRead.get(), POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        if (::poll(polls, 2, -1) < 0) {
            if (errno == EINTR) continue;
            check(false, "poll");
        }
        for (int i = 0; i < 2; ++i) {
            if (polls[i].fd < 0 || polls[i].revents == 0) continue;
            char buffer[4096];
            ssize_t n = ::read(polls[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                // A terminal whose last writer is gone reports EIO instead of end of file.
                polls[i].fd = -1;
                --open;
            }
        }
    }

    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) check(errno == EINTR, "waitpid");
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace qvx::test
