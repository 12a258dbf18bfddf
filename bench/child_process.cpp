#include "child_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

extern char** environ;

namespace drovalin::bench {
namespace {

bool WaitSucceeded(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

std::optional<ChildReport> RunInChild(const std::function<void(std::array<double, 8>&)>& work) {
    int fds[2];
    if (pipe(fds) != 0) return std::nullopt;
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return std::nullopt;
    }
    if (pid == 0) {
        close(fds[0]);
        ChildReport report;
        work(report.values);
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        report.peakRssMb = usage.ru_maxrss / 1024.0;  // ru_maxrss is in kilobytes on Linux
        const bool written = write(fds[1], &report, sizeof(report)) == static_cast<ssize_t>(sizeof(report));
        _exit(written ? 0 : 1);
    }
    close(fds[1]);
    ChildReport report;
    std::size_t got = 0;
    auto* bytes = reinterpret_cast<char*>(&report);
    while (got < sizeof(report)) {
        const ssize_t n = read(fds[0], bytes + got, sizeof(report) - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    close(fds[0]);
    if (!WaitSucceeded(pid) || got != sizeof(report)) return std::nullopt;
    return report;
}

double TimeCommand(const std::vector<std::string>& command) {
    std::vector<std::string> words = command;
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0 || !WaitSucceeded(pid)) return -1;
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double TimeFind(const std::string& dir) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::string program = "find";
    std::string path = dir;
    std::string depthOption = "-maxdepth";
    std::string depth = "1";
    std::string typeOption = "-type";
    std::string type = "f";
    std::string printOption = "-printf";
    std::string format = "%s\n";
    char* argv[] = {program.data(), path.data(),        depthOption.data(), depth.data(), typeOption.data(),
                    type.data(),    printOption.data(), format.data(),      nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "find", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0 || !WaitSucceeded(pid)) return -1;
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace drovalin::bench
