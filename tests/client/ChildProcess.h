#pragma once

// Child processes for the client tests: stand-in clients that talk over pipes, and programs run
// to their end with their output collected. Every wait has a deadline, so a child that hangs
// fails the test instead of blocking it.

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace spawn::testing {

// Generous: the first Wine program of a run may have to start Wine's own services first.
inline constexpr std::chrono::seconds kChildDeadline{300};

struct ProgramResult {
    int exitCode = -1; // -1 when the program did not end normally
    std::string out;
    std::string err;
};

class ChildProcess {
public:
    // Starts argv[0] (searched in PATH) with pipes on its standard input and output; its standard
    // error goes where ours goes unless `captureErr`. With `asNobody` and when running as root,
    // the child drops to user and group 65534 first, keeping no capabilities.
    // With `discardOutput` both outputs go to /dev/null instead (for programs that leave daemons
    // behind, which must not hold our pipes).
    static std::optional<ChildProcess> start(const std::vector<std::string>& argv, bool captureErr = false,
                                             bool asNobody = false, bool discardOutput = false) {
        int in[2];
        int out[2];
        int err[2] = {-1, -1};
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 ||
            (captureErr && pipe2(err, O_CLOEXEC) != 0)) {
            return std::nullopt;
        }
        std::vector<char*> args;
        for (const auto& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        const pid_t pid = fork();
        if (pid < 0) {
            return std::nullopt;
        }
        if (pid == 0) {
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            if (captureErr) {
                dup2(err[1], STDERR_FILENO);
            }
            if (discardOutput) {
                const int null = open("/dev/null", O_WRONLY);
                dup2(null, STDOUT_FILENO);
                dup2(null, STDERR_FILENO);
            }
            // Under Yama's ptrace_scope 1 only ancestors may read a process, and the readers of
            // a stand-in are its siblings; the exception outlives exec. Without Yama this fails
            // harmlessly.
            prctl(PR_SET_PTRACER, PR_SET_PTRACER_ANY, 0, 0, 0);
            if (asNobody && geteuid() == 0) {
                constexpr uid_t kNobody = 65534;
                if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) {
                    _exit(126);
                }
            }
            execvp(args[0], args.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        if (captureErr) {
            close(err[1]);
        }
        ChildProcess child;
        child.m_pid = pid;
        child.m_in = in[1];
        child.m_out = out[0];
        child.m_err = err[0];
        return child;
    }

    ChildProcess(ChildProcess&& other) noexcept { *this = std::move(other); }
    ChildProcess& operator=(ChildProcess&& other) noexcept {
        std::swap(m_pid, other.m_pid);
        std::swap(m_in, other.m_in);
        std::swap(m_out, other.m_out);
        std::swap(m_err, other.m_err);
        std::swap(m_buffered, other.m_buffered);
        return *this;
    }
    ~ChildProcess() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        closeFd(m_in);
        closeFd(m_out);
        closeFd(m_err);
    }

    pid_t pid() const { return m_pid; }

    bool writeLine(const std::string& line) {
        const std::string text = line + "\n";
        return write(m_in, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    }

    // The next line of standard output without its line end ("\n" or "\r\n"), or nothing when the
    // output ends or the deadline passes first.
    std::optional<std::string> readLine() {
        const auto deadline = std::chrono::steady_clock::now() + kChildDeadline;
        for (;;) {
            const auto end = m_buffered.find('\n');
            if (end != std::string::npos) {
                std::string line = m_buffered.substr(0, end);
                m_buffered.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r') {
                    line.pop_back();
                }
                return line;
            }
            if (!readSome(m_out, m_buffered, deadline)) {
                return std::nullopt;
            }
        }
    }

    // Closes standard input and waits for the exit, collecting the output. The output is not
    // read to its end: programs the child started (Wine's own services) may hold the pipes open
    // after the child has gone.
    ProgramResult finish(std::chrono::seconds wait = kChildDeadline) {
        closeFd(m_in);
        const auto deadline = std::chrono::steady_clock::now() + wait;
        ProgramResult result;
        result.out = std::move(m_buffered);
        int status = 0;
        bool exited = false;
        while (!exited && std::chrono::steady_clock::now() < deadline) {
            drain(result, kPollSlice);
            exited = waitpid(m_pid, &status, WNOHANG) == m_pid;
        }
        if (!exited) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
        }
        m_pid = -1;
        drain(result, std::chrono::milliseconds{0});
        result.exitCode = exited && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
    }

private:
    ChildProcess() = default;

    static void closeFd(int& fd) {
        if (fd >= 0) {
            close(fd);
            fd = -1;
        }
    }

    static constexpr std::chrono::milliseconds kPollSlice{20};

    // Reads whatever both pipes hold, waiting up to `wait` for the first of it.
    void drain(ProgramResult& result, std::chrono::milliseconds wait) {
        pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
        while (poll(fds, m_err >= 0 ? 2 : 1, static_cast<int>(wait.count())) > 0) {
            bool any = false;
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd >= 0 && (fds[i].revents & POLLIN) != 0) {
                    char buffer[4096];
                    const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
                    if (n > 0) {
                        (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
                        any = true;
                    }
                }
            }
            if (!any) {
                std::this_thread::sleep_for(wait); // only ends of output are left
                return;
            }
            wait = std::chrono::milliseconds{0};
        }
    }

    // Appends what `fd` has to `into`; false at its end or at the deadline.
    static bool readSome(int fd, std::string& into, std::chrono::steady_clock::time_point deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        char buffer[4096];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            return false;
        }
        into.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
    int m_err = -1;
    std::string m_buffered;
};

// Runs a program to its end with nothing on its standard input; one still running after `wait`
// is killed and has exit code -1.
inline ProgramResult runProgram(const std::vector<std::string>& argv, bool asNobody = false,
                                bool discardOutput = false, std::chrono::seconds wait = kChildDeadline) {
    auto child = ChildProcess::start(argv, true, asNobody, discardOutput);
    return child ? child->finish(wait) : ProgramResult{};
}

} // namespace spawn::testing
