// A serial printer on the far end of a pseudo-terminal (socat makes the
// pair; Wine maps the other end to a COM port). It answers the receipt
// printers' real-time status request (DLE EOT n) and the label printers'
// status inquiry (ESC ! ?) the way a printer on line does, or misbehaves on
// purpose for the tests:
//
//   serial-printer --device PATH [--mode MODE] [--delay MS] [--lifetime S]
//
//   answer   (default) one status byte per query, after --delay ms
//   silent   reads everything, answers nothing
//   garbage  answers each query with a burst of bytes that mean nothing
//   flood    answers each query with bytes without end (until --lifetime)
//   drop     closes the line at the first query and ends
//
// Every query and answer is printed on stdout, one line each. The program
// ends on SIGTERM or SIGINT, and after --lifetime seconds (default 600).
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

enum class Mode { kAnswer, kSilent, kGarbage, kFlood, kDrop };

struct Options {
    std::string device;
    Mode mode = Mode::kAnswer;
    int delayMs = 0;
    int lifetimeS = 600;
};

bool ParseMode(const std::string& text, Mode* mode) {
    static const std::pair<const char*, Mode> kModes[] = {
        {"answer", Mode::kAnswer}, {"silent", Mode::kSilent}, {"garbage", Mode::kGarbage},
        {"flood", Mode::kFlood},   {"drop", Mode::kDrop}};
    for (const auto& [name, value] : kModes) {
        if (text == name) {
            *mode = value;
            return true;
        }
    }
    return false;
}

bool ParseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return false;
        const std::string value = argv[++i];
        if (arg == "--device") {
            options->device = value;
        } else if (arg == "--mode") {
            if (!ParseMode(value, &options->mode)) return false;
        } else if (arg == "--delay") {
            options->delayMs = std::atoi(value.c_str());
        } else if (arg == "--lifetime") {
            options->lifetimeS = std::atoi(value.c_str());
        } else {
            return false;
        }
    }
    return !options->device.empty() && options->delayMs >= 0 && options->lifetimeS > 0;
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The query that ends `pending`, if any: "receipt", "label" or nullptr.
// Bytes before a query (noise, a half query) are dropped with it.
const char* TakeQuery(std::string* pending) {
    const std::size_t receipt = pending->find("\x10\x04");
    if (receipt != std::string::npos && receipt + 2 < pending->size()) {
        pending->erase(0, receipt + 3);
        return "receipt";
    }
    const std::size_t label = pending->find("\x1B!?");
    if (label != std::string::npos) {
        pending->erase(0, label + 3);
        return "label";
    }
    // Keep only what may still begin a query.
    if (pending->size() > 8) pending->erase(0, pending->size() - 2);
    return nullptr;
}

std::string AnswerTo(const char* query) {
    // On line, no error: the status byte a receipt printer sends with its
    // fixed bits; a label printer's inquiry gets "ready".
    return std::strcmp(query, "receipt") == 0 ? std::string("\x12") : std::string(1, '\0');
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr,
                     "usage: serial-printer --device PATH [--mode answer|silent|garbage|flood|drop]"
                     " [--delay MS] [--lifetime S]\n");
        return 2;
    }
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);

    const int fd = open(options.device.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) {
        std::perror(options.device.c_str());
        return 1;
    }
    termios raw{};
    if (tcgetattr(fd, &raw) == 0) {
        cfmakeraw(&raw);
        tcsetattr(fd, TCSANOW, &raw);
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("serial-printer: listening on %s\n", options.device.c_str());

    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(options.lifetimeS);
    std::string pending;
    bool flooding = false;
    while (!g_stop && std::chrono::steady_clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, flooding ? 0 : 200);
        if (ready < 0 && errno != EINTR) break;
        if (flooding && !WriteAll(fd, std::string(64, 'F'))) break;
        if (ready <= 0 || (p.revents & POLLIN) == 0) {
            // A hang-up of the other end gives POLLHUP without data: wait,
            // the other end may be opened again.
            if ((p.revents & POLLHUP) != 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        char buffer[256];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) continue;
        pending.append(buffer, static_cast<std::size_t>(n));
        while (const char* query = TakeQuery(&pending)) {
            std::printf("serial-printer: %s status query\n", query);
            switch (options.mode) {
                case Mode::kSilent:
                    break;
                case Mode::kDrop:
                    std::printf("serial-printer: dropping the line\n");
                    close(fd);
                    return 0;
                case Mode::kFlood:
                    flooding = true;
                    break;
                case Mode::kGarbage:
                    std::this_thread::sleep_for(std::chrono::milliseconds(options.delayMs));
                    WriteAll(fd, std::string("\xFF\xFE garbage \x01\x7F", 13));
                    std::printf("serial-printer: sent garbage\n");
                    break;
                case Mode::kAnswer:
                    std::this_thread::sleep_for(std::chrono::milliseconds(options.delayMs));
                    WriteAll(fd, AnswerTo(query));
                    std::printf("serial-printer: answered\n");
                    break;
            }
        }
    }
    close(fd);
    return 0;
}
