#include "HostProcess.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

bool RunProgram(const std::vector<std::string>& args, const std::string& dir, const std::string& input) {
    if (args.empty()) return false;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return false;
    const pid_t pid = fork();
    if (pid < 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        return false;
    }
    if (pid == 0) {
        dup2(pipeFds[0], STDIN_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(127);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(pipeFds[0]);
    // A child that stops reading early must not kill us with SIGPIPE.
    void (*oldPipe)(int) = signal(SIGPIPE, SIG_IGN);
    size_t done = 0;
    while (done < input.size()) {
        const ssize_t n = write(pipeFds[1], input.data() + done, input.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    close(pipeFds[1]);
    signal(SIGPIPE, oldPipe);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
