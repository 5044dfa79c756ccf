#include "PulseTestServer.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <thread>

extern char** environ;

namespace quorvia::test {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::string findOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

std::string requireProgram(const std::string& name, const std::string& package) {
    std::string path = findOnPath(name);
    if (path.empty()) {
        throw std::runtime_error("'" + name + "' is not on PATH; the sound integration tests need a real PulseAudio " +
                                 "(Debian package " + package + ")");
    }
    return path;
}

std::filesystem::path makeTempDir(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder: " + std::string(std::strerror(errno)));
    }
    return pattern;
}

std::string readText(const std::filesystem::path& file) {
    std::ifstream in(file);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The current environment with `overrides` applied ("NAME=value" replaces, "NAME" removes).
std::vector<std::string> environmentWith(const std::vector<std::string>& overrides) {
    auto nameOf = [](std::string_view entry) { return entry.substr(0, entry.find('=')); };
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string_view entry(*e);
        const bool overridden = std::any_of(overrides.begin(), overrides.end(),
                                            [&](const std::string& o) { return nameOf(o) == nameOf(entry); });
        if (!overridden) {
            env.emplace_back(entry);
        }
    }
    for (const std::string& o : overrides) {
        if (o.find('=') != std::string::npos) {
            env.push_back(o);
        }
    }
    return env;
}

// Starts a child that is killed when this process dies, with stdin from /dev/null and
// stdout and stderr into the given files.
pid_t spawn(const std::vector<std::string>& args, const std::vector<std::string>& env, const std::filesystem::path& out,
            const std::filesystem::path& err) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : env) {
        envp.push_back(const_cast<char*>(e.c_str()));
    }
    envp.push_back(nullptr);

    const int inFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (inFd < 0 || outFd < 0 || errFd < 0) {
        throw std::runtime_error("cannot open files for " + args[0] + ": " + std::strerror(errno));
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        ::dup2(inFd, 0);
        ::dup2(outFd, 1);
        ::dup2(errFd, 2);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(inFd);
    ::close(outFd);
    ::close(errFd);
    if (pid < 0) {
        throw std::runtime_error("cannot start " + args[0] + ": " + std::strerror(errno));
    }
    return pid;
}

bool hasExited(pid_t pid) {
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == pid;
}

void stopChild(pid_t pid, int signal) {
    if (pid <= 0) {
        return;
    }
    ::kill(pid, signal);
    const auto deadline = Clock::now() + 3s;
    while (Clock::now() < deadline) {
        if (hasExited(pid)) {
            return;
        }
        std::this_thread::sleep_for(5ms);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

bool acceptsConnections(const std::filesystem::path& socketPath) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, socketPath.c_str(), sizeof(addr.sun_path) - 1);
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

PulseTestServer::PulseTestServer() {
    const std::string daemon = requireProgram("pulseaudio", "pulseaudio");
    dir_ = makeTempDir("quorvia-pulse-");
    const std::string d = dir_.string();
    const std::vector<std::string> env = environmentWith({
        "HOME=" + d,
        "XDG_RUNTIME_DIR=" + d,
        "XDG_CONFIG_HOME=" + d + "/config",
        "PULSE_RUNTIME_PATH=" + d + "/run",
        "PULSE_STATE_PATH=" + d + "/state",
        // No session bus and no X display: the daemon must not reach (or launch) either.
        "DBUS_SESSION_BUS_ADDRESS=unix:path=" + d + "/no-bus",
        "DISPLAY",
        "PULSE_SERVER",
    });
    try {
        pid_ = spawn({daemon, "-n", "--daemonize=no", "--system=false", "--exit-idle-time=-1", "--use-pid-file=no",
                      "--realtime=no", "--high-priority=no", "--log-target=stderr",
                      "--load=module-null-sink sink_name=" + std::string(SinkName),
                      "--load=module-native-protocol-unix auth-anonymous=1 socket=" + d + "/native"},
                     env, dir_ / "daemon.out", dir_ / "daemon.log");
    } catch (...) {
        std::filesystem::remove_all(dir_);
        throw;
    }

    const auto deadline = Clock::now() + 10s;
    while (!acceptsConnections(dir_ / "native")) {
        if (hasExited(pid_)) {
            pid_ = -1;
            const std::string log = readText(dir_ / "daemon.log");
            std::filesystem::remove_all(dir_);
            throw std::runtime_error("the PulseAudio test daemon exited at start:\n" + log);
        }
        if (Clock::now() > deadline) {
            stopChild(pid_, SIGKILL);
            pid_ = -1;
            const std::string log = readText(dir_ / "daemon.log");
            std::filesystem::remove_all(dir_);
            throw std::runtime_error("the PulseAudio test daemon did not open its socket within 10 s:\n" + log);
        }
        std::this_thread::sleep_for(5ms);
    }
}

PulseTestServer::~PulseTestServer() {
    stopChild(pid_, SIGTERM);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

void PulseTestServer::useAsDefaultServer() const { ::setenv("PULSE_SERVER", address().c_str(), 1); }

MonitorRecorder::MonitorRecorder(const PulseTestServer& server, std::uint32_t rate, std::uint16_t channels)
    : bytesPerSecond_(rate * channels * 2), bytesPerFrame_(channels * 2U) {
    const std::string parec = requireProgram("parec", "pulseaudio-utils");
    file_ = server.directory() / ("monitor-" + std::to_string(Clock::now().time_since_epoch().count()) + ".raw");
    const std::filesystem::path log = file_.string() + ".log";
    pid_ = spawn(
        {parec, "-s", server.address(), "-d", std::string(PulseTestServer::SinkName) + ".monitor", "--format=s16le",
         "--rate=" + std::to_string(rate), "--channels=" + std::to_string(channels), "--latency-msec=10"},
        environmentWith({}), file_, log);

    const auto deadline = Clock::now() + 10s;
    while (recordedBytes() == 0) {
        if (hasExited(pid_) || Clock::now() > deadline) {
            stopChild(pid_, SIGKILL);
            pid_ = -1;
            throw std::runtime_error("parec recorded nothing from the test sink within 10 s:\n" + readText(log));
        }
        std::this_thread::sleep_for(5ms);
    }
}

MonitorRecorder::~MonitorRecorder() { stopChild(pid_, SIGKILL); }

std::uintmax_t MonitorRecorder::recordedBytes() const {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file_, ec);
    return ec ? 0 : size;
}

std::uintmax_t MonitorRecorder::position() const {
    const std::uintmax_t bytes = recordedBytes();
    return bytes - bytes % bytesPerFrame_;
}

std::vector<std::int16_t> MonitorRecorder::samplesSince(std::uintmax_t from, std::chrono::milliseconds after) const {
    const std::uintmax_t wanted = recordedBytes() + bytesPerSecond_ * static_cast<std::uintmax_t>(after.count()) / 1000;
    const auto deadline = Clock::now() + 10s;
    while (recordedBytes() < wanted && Clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }

    std::ifstream in(file_, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(from));
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    bytes.resize(bytes.size() - bytes.size() % bytesPerFrame_);
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto lo = static_cast<std::uint8_t>(bytes[2 * i]);
        const auto hi = static_cast<std::uint8_t>(bytes[2 * i + 1]);
        samples[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8)));
    }
    return samples;
}

std::vector<std::int16_t> MonitorRecorder::finish(std::chrono::milliseconds after) {
    std::vector<std::int16_t> samples = samplesSince(0, after);
    stopChild(pid_, SIGINT);
    pid_ = -1;
    return samples;
}

std::vector<SoundMatch> findSound(const std::vector<std::int16_t>& recording, const std::vector<std::int16_t>& sound,
                                  std::uint16_t channels, double threshold, std::size_t separation) {
    const std::size_t soundFrames = sound.size() / channels;
    const std::size_t frames = recording.size() / channels;
    std::vector<SoundMatch> candidates;
    double soundEnergy = 0.0;
    for (std::int16_t s : sound) {
        soundEnergy += double(s) * s;
    }
    if (soundFrames == 0 || frames < soundFrames || soundEnergy == 0.0) {
        return {};
    }
    for (std::size_t f = 0; f + soundFrames <= frames; ++f) {
        const std::int16_t* r = recording.data() + f * channels;
        double dot = 0.0;
        double energy = 0.0;
        for (std::size_t i = 0; i < sound.size(); ++i) {
            dot += double(r[i]) * sound[i];
            energy += double(r[i]) * r[i];
        }
        if (energy == 0.0) {
            continue;
        }
        const double correlation = dot / std::sqrt(energy * soundEnergy);
        if (correlation >= threshold) {
            candidates.push_back({correlation, std::sqrt(energy / soundEnergy), f});
        }
    }
    std::sort(candidates.begin(), candidates.end(),
              [](const SoundMatch& a, const SoundMatch& b) { return a.correlation > b.correlation; });
    std::vector<SoundMatch> matches;
    for (const SoundMatch& c : candidates) {
        const bool separate = std::all_of(matches.begin(), matches.end(), [&](const SoundMatch& m) {
            return (c.frame > m.frame ? c.frame - m.frame : m.frame - c.frame) >= std::max(separation, soundFrames);
        });
        if (separate) {
            matches.push_back(c);
        }
    }
    std::sort(matches.begin(), matches.end(),
              [](const SoundMatch& a, const SoundMatch& b) { return a.frame < b.frame; });
    return matches;
}

}  // namespace quorvia::test
