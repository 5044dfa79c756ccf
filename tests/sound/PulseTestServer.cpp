#include "PulseTestServer.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace quorvia::test {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::string readText(const std::filesystem::path& file) {
    std::ifstream in(file);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Starts a program found on PATH as a child that dies with this process, with the given
// environment (this process's own when empty), stderr into one file and stdout into another.
pid_t spawn(std::vector<std::string> args, const std::vector<std::string>& env, const std::filesystem::path& err,
            const std::filesystem::path& out = "/dev/null") {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const pid_t parent = ::getpid();
    const pid_t pid = outFd < 0 || errFd < 0 ? -1 : ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);
        ::dup2(outFd, 1);
        ::dup2(errFd, 2);
        ::execvpe(argv[0], argv.data(), env.empty() ? environ : envp.data());
        ::_exit(127);
    }
    ::close(outFd);
    ::close(errFd);
    if (pid < 0) throw std::runtime_error("cannot start " + args[0] + ": " + std::strerror(errno));
    return pid;
}

bool hasExited(pid_t& pid) {
    if (::waitpid(pid, nullptr, WNOHANG) != pid) return false;
    pid = -1;
    return true;
}

void stop(pid_t& pid, int signal) {
    if (pid > 0) {
        ::kill(pid, signal);
        ::waitpid(pid, nullptr, 0);
    }
    pid = -1;
}

std::uintmax_t sizeOf(const std::filesystem::path& f) {
    return std::filesystem::exists(f) ? std::filesystem::file_size(f) : 0;
}

}  // namespace

PulseTestServer::PulseTestServer(std::uint32_t rate, std::uint16_t channels) : bytesPerSecond_(rate * channels * 2U) {
    std::string d = (std::filesystem::temp_directory_path() / "quorvia-pulse-XXXXXX").string();
    if (::mkdtemp(d.data()) == nullptr) throw std::runtime_error("cannot create a temporary folder");
    dir_ = d;
    // A fresh environment: no session bus, X display or user folder the daemon could reach.
    const std::vector<std::string> env = {"HOME=" + d, "XDG_RUNTIME_DIR=" + d,
                                          "DBUS_SESSION_BUS_ADDRESS=unix:path=" + d};
    daemon_ = spawn(
        {"pulseaudio", "-n", "--daemonize=no", "--system=false", "--exit-idle-time=-1", "--use-pid-file=no",
         "--realtime=no", "--high-priority=no", "--log-target=stderr", "--load=module-null-sink sink_name=quorviatest",
         "--load=module-native-protocol-unix auth-anonymous=1 socket=" + d + "/native"},
        env, dir_ / "daemon.log");
    const auto deadline = Clock::now() + 10s;
    while (sizeOf(dir_ / "monitor.raw") == 0) {
        if (hasExited(daemon_) || Clock::now() > deadline) {
            const std::string logs = readText(dir_ / "daemon.log") + readText(dir_ / "parec.log");
            stop(parec_, SIGKILL);
            stop(daemon_, SIGKILL);
            std::filesystem::remove_all(dir_);
            throw std::runtime_error("no recording from pulseaudio and parec (pulseaudio-utils) in 10 s:\n" + logs);
        }
        // parec fails and is started again while the daemon does not listen yet.
        if (std::filesystem::exists(dir_ / "native") && (parec_ < 0 || hasExited(parec_))) {
            parec_ =
                spawn({"parec", "-s", address(), "-d", "quorviatest.monitor", "--format=s16ne",
                       "--rate=" + std::to_string(rate), "--channels=" + std::to_string(channels), "--latency-msec=10"},
                      {}, dir_ / "parec.log", dir_ / "monitor.raw");
        }
        std::this_thread::sleep_for(5ms);
    }
}

PulseTestServer::~PulseTestServer() {
    stop(parec_, SIGKILL);
    stop(daemon_, SIGTERM);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

std::vector<std::int16_t> PulseTestServer::recording(std::chrono::milliseconds after) {
    const std::filesystem::path raw = dir_ / "monitor.raw";
    const std::uintmax_t wanted = sizeOf(raw) + bytesPerSecond_ * after.count() / 1000;
    for (const auto deadline = Clock::now() + 10s; sizeOf(raw) < wanted && Clock::now() < deadline;) {
        std::this_thread::sleep_for(5ms);
    }
    std::vector<std::int16_t> samples(sizeOf(raw) / 2);
    std::ifstream(raw, std::ios::binary).read(reinterpret_cast<char*>(samples.data()), samples.size() * 2);
    return samples;
}

std::vector<std::size_t> findSound(const std::vector<std::int16_t>& recording, const std::vector<std::int16_t>& sound,
                                   std::size_t channels, double threshold, std::size_t separation) {
    double soundEnergy = 0.0;
    for (std::int16_t s : sound) soundEnergy += double(s) * s;
    std::vector<std::size_t> found;
    for (std::size_t f = 0; soundEnergy > 0.0 && f * channels + sound.size() <= recording.size(); ++f) {
        if (!found.empty() && f - found.back() < separation) continue;
        double dot = 0.0;
        double energy = 0.0;
        for (std::size_t i = 0; i < sound.size(); ++i) {
            const double r = recording[f * channels + i];
            dot += r * sound[i];
            energy += r * r;
        }
        if (energy > 0.0 && dot / std::sqrt(energy * soundEnergy) >= threshold) found.push_back(f);
    }
    return found;
}

}  // namespace quorvia::test
