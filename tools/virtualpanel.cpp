// A switch panel on a pseudo-terminal, for trying the configuration tool without hardware
// and for testing it over a real serial line. It keeps 64 bytes of panel memory, answers the
// attention command "A" with "D000D", the write command "S",0,addr,0,data,"D" with "D000D",
// and the read command "V",0,addr,"0","0","V" with ten times the byte in at least five
// decimal digits. Options inject the faults a real line or panel can show.
//
// Unix only: it uses the POSIX pseudo-terminal calls.

#include "version.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <string>
#include <termios.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

const char usage[] =
    "Usage: durvex-virtual-panel [options]\n"
    "Plays a DURVEX 4/6 button switch panel on a pseudo-terminal. Prints the terminal's\n"
    "path on the first line of its output; point the tool at it: durvex-config --port PATH.\n"
    "Ends on SIGINT or SIGTERM, or when the program that started it ends.\n"
    "\n"
    "  --link PATH          also make PATH a symbolic link to the terminal\n"
    "  --memory FILE        keep the 64 memory bytes in FILE (read at start, saved after writes)\n"
    "  --model N            model identification byte at address 63 (default 74)\n"
    "  --set ADDR=VALUE     preset one memory byte (repeatable)\n"
    "  --log FILE           append every byte received to FILE\n"
    "  --silent             never answer anything\n"
    "  --ack-from N         answer \"A\" only from the Nth \"A\" on\n"
    "  --ack-lowercase      answer \"A\" with \"d000d\"\n"
    "  --ack-extra          answer \"A\" with \"D000D\" and a sixth byte\n"
    "  --write-ack ADDR=TEXT  answer the write command at ADDR with TEXT\n"
    "  --reply ADDR=TEXT    answer reads of ADDR with TEXT (\\xNN for any byte)\n"
    "  --no-verify ADDR     store a different value at ADDR, so its read-back fails\n"
    "  --trickle N          send replies N bytes at a time, 10 ms apart\n"
    "  --hangup-after N     answer N commands, then hang up when the next one comes\n"
    "  --ack-delay MS       answer each \"A\" only after MS milliseconds, reading nothing meanwhile\n"
    "  --ack-late MS        answer each \"A\" MS milliseconds after it came, on a timer of its\n"
    "                       own, while answering other commands at once\n"
    "  --flood-after N      after N commands, send bytes without end\n"
    "  --quiet              print nothing but the terminal's path\n"
    "  --help               show this text\n"
    "  --version            show the version\n"
    "\n"
    "Files:\n"
    "  The memory file (--memory) holds the panel's 64 memory bytes, so that what one run\n"
    "  writes the next can read back; without it the panel starts fresh: nothing assigned,\n"
    "  every intensity at 100 %, model byte 74.\n"
    "\n"
    "Exit status: 0 when ended by a signal or its starter, 2 for a usage error.\n";

volatile std::sig_atomic_t stopRequested = 0;
void onSignal(int) { stopRequested = 1; }

struct Options
{
    std::string link, memoryFile, logFile;
    int model = -1;
    std::map<int, int> presets;
    bool silent = false, ackLowercase = false, ackExtra = false, quiet = false;
    int ackFrom = 1;
    std::map<int, std::string> writeAcks, replies;
    std::map<int, bool> noVerify;
    int trickle = 0;
    long hangupAfter = -1;
    int ackDelay = 0;
    int ackLate = 0;
    long floodAfter = -1;
};

[[noreturn]] void fail(const std::string &message)
{
    std::fprintf(stderr, "durvex-virtual-panel: %s\n", message.c_str());
    std::exit(2);
}

long number(const std::string &text, const char *what)
{
    char *end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || errno != 0)
        fail(std::string("not a number for ") + what + ": " + text);
    return value;
}

// "\x00" and friends, so that any reply can be given on a command line.
std::string unescape(const std::string &text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() + 0 && text[i + 1] == 'x') {
            out += char(std::strtol(text.substr(i + 2, 2).c_str(), nullptr, 16));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::pair<int, std::string> addressPair(const std::string &text, const char *what)
{
    const size_t eq = text.find('=');
    if (eq == std::string::npos)
        fail(std::string(what) + " takes ADDR=VALUE");
    return {int(number(text.substr(0, eq), what)), unescape(text.substr(eq + 1))};
}

Options parse(int argc, char **argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                fail(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            std::fputs(usage, stdout);
            std::exit(0);
        } else if (arg == "--version") {
            std::printf("durvex-virtual-panel %s\n", DURVEX_VERSION);
            std::exit(0);
        } else if (arg == "--link") {
            o.link = value();
        } else if (arg == "--memory") {
            o.memoryFile = value();
        } else if (arg == "--log") {
            o.logFile = value();
        } else if (arg == "--model") {
            o.model = int(number(value(), "--model"));
        } else if (arg == "--set") {
            auto [address, v] = addressPair(value(), "--set");
            o.presets[address] = int(number(v, "--set"));
        } else if (arg == "--silent") {
            o.silent = true;
        } else if (arg == "--ack-from") {
            o.ackFrom = int(number(value(), "--ack-from"));
        } else if (arg == "--ack-lowercase") {
            o.ackLowercase = true;
        } else if (arg == "--ack-extra") {
            o.ackExtra = true;
        } else if (arg == "--write-ack") {
            o.writeAcks.insert(addressPair(value(), "--write-ack"));
        } else if (arg == "--reply") {
            o.replies.insert(addressPair(value(), "--reply"));
        } else if (arg == "--no-verify") {
            o.noVerify[int(number(value(), "--no-verify"))] = true;
        } else if (arg == "--trickle") {
            o.trickle = int(number(value(), "--trickle"));
        } else if (arg == "--hangup-after") {
            o.hangupAfter = number(value(), "--hangup-after");
        } else if (arg == "--ack-delay") {
            o.ackDelay = int(number(value(), "--ack-delay"));
        } else if (arg == "--ack-late") {
            o.ackLate = int(number(value(), "--ack-late"));
        } else if (arg == "--flood-after") {
            o.floodAfter = number(value(), "--flood-after");
        } else if (arg == "--quiet") {
            o.quiet = true;
        } else {
            fail("unknown option " + arg + " (see --help)");
        }
    }
    return o;
}

// A whole trickled reply stays well inside the tool's 100 ms tick, even on a loaded machine.
constexpr int trickleGap = 10; // ms

void sleepMs(int ms)
{
    timespec t{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0 && errno == EINTR && !stopRequested) {
    }
}

long long nowNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

class Panel
{
public:
    Panel(Options options, int master) : o(std::move(options)), fd(master)
    {
        // A fresh panel: nothing assigned, every intensity at 100 %.
        for (int a = 0; a < 14; ++a)
            memory[a] = 160;
        for (int a = 14; a < 17; ++a)
            memory[a] = 10;
        memory[63] = 74;
        load();
        if (o.model >= 0)
            memory[63] = (unsigned char)o.model;
        for (auto [address, value] : o.presets)
            if (address >= 0 && address < 64)
                memory[address] = (unsigned char)value;
        save();
    }

    bool flooding() const { return o.floodAfter >= 0 && commands >= o.floodAfter; }

    // Returns false once the panel has hung up.
    bool feed(const char *bytes, size_t n)
    {
        log(bytes, n);
        pending.append(bytes, n);
        while (!pending.empty()) {
            const char c = pending[0];
            const bool command = c == 'A' || ((c == 'S' || c == 'V') && pending.size() >= 6);
            if (command && o.hangupAfter >= 0 && commands >= o.hangupAfter)
                return false;
            if (command)
                ++commands;
            if (c == 'A') {
                pending.erase(0, 1);
                ++attentions;
                if (o.ackDelay > 0)
                    sleepMs(o.ackDelay);
                if (attentions < o.ackFrom)
                    continue;
                const std::string ack = o.ackLowercase ? "d000d" : o.ackExtra ? std::string("D000D") + 'D' : "D000D";
                if (o.ackLate > 0)
                    lateAcks.push_back({nowNs() + o.ackLate * 1000000LL, ack});
                else
                    reply(ack);
            } else if (c == 'S' || c == 'V') {
                if (pending.size() < 6)
                    return true;
                const std::string command = pending.substr(0, 6);
                pending.erase(0, 6);
                const int address = (unsigned char)command[2];
                c == 'S' ? write(address, (unsigned char)command[4]) : read(address);
            } else {
                pending.erase(0, 1);
                continue;
            }
        }
        return true;
    }

    // How long until the next late answer is due: none (-1), or nanoseconds, 0 when due.
    long long untilNextAck() const
    {
        if (lateAcks.empty())
            return -1;
        return std::max(0LL, lateAcks.front().first - nowNs());
    }

    // The late answers whose time has come, in the order their "A"s came.
    void sendDueAcks()
    {
        while (!lateAcks.empty() && lateAcks.front().first <= nowNs()) {
            reply(lateAcks.front().second);
            lateAcks.pop_front();
        }
    }

private:
    void write(int address, unsigned char value)
    {
        if (address < 64) {
            memory[address] = o.noVerify.count(address) ? (unsigned char)(value + 1) : value;
            save();
        }
        const auto custom = o.writeAcks.find(address);
        reply(custom != o.writeAcks.end() ? custom->second : "D000D");
    }

    void read(int address)
    {
        const auto custom = o.replies.find(address);
        if (custom != o.replies.end()) {
            reply(custom->second);
            return;
        }
        char text[16];
        std::snprintf(text, sizeof text, "%05d", address < 64 ? memory[address] * 10 : 0);
        reply(text);
    }

    void reply(const std::string &bytes)
    {
        if (o.silent || bytes.empty())
            return;
        const size_t chunk = o.trickle > 0 ? size_t(o.trickle) : bytes.size();
        for (size_t i = 0; i < bytes.size(); i += chunk) {
            if (i > 0)
                sleepMs(trickleGap);
            const size_t n = std::min(chunk, bytes.size() - i);
            if (::write(fd, bytes.data() + i, n) < 0 && !o.quiet)
                std::perror("durvex-virtual-panel: write");
        }
    }

    void log(const char *bytes, size_t n)
    {
        if (o.logFile.empty())
            return;
        if (FILE *f = std::fopen(o.logFile.c_str(), "ab")) {
            std::fwrite(bytes, 1, n, f);
            std::fclose(f);
        }
    }

    void load()
    {
        if (o.memoryFile.empty())
            return;
        if (FILE *f = std::fopen(o.memoryFile.c_str(), "rb")) {
            unsigned char stored[64];
            if (std::fread(stored, 1, 64, f) == 64)
                std::memcpy(memory, stored, 64);
            std::fclose(f);
        }
    }

    void save()
    {
        if (o.memoryFile.empty())
            return;
        const std::string temporary = o.memoryFile + ".new";
        if (FILE *f = std::fopen(temporary.c_str(), "wb")) {
            std::fwrite(memory, 1, 64, f);
            std::fclose(f);
            std::rename(temporary.c_str(), o.memoryFile.c_str());
        }
    }

    Options o;
    int fd;
    unsigned char memory[64] = {};
    std::string pending;
    std::deque<std::pair<long long, std::string>> lateAcks; // due time (ns), answer
    int attentions = 0;
    long commands = 0;
};

} // namespace

int main(int argc, char **argv)
{
    Options options = parse(argc, argv);

    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        fail(std::string("cannot create a pseudo-terminal: ") + std::strerror(errno));
    const char *slavePath = ptsname(master);
    if (!slavePath)
        fail("cannot name the pseudo-terminal");
    const std::string path = slavePath;

    // Keep the terminal's own end open, raw: without it the master reads fail whenever the
    // tool has closed the port.
    const int slave = open(path.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0)
        fail("cannot open " + path + ": " + std::strerror(errno));
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);

    if (!options.link.empty()) {
        unlink(options.link.c_str());
        if (symlink(path.c_str(), options.link.c_str()) != 0)
            fail("cannot link " + options.link + ": " + std::strerror(errno));
    }

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGHUP, onSignal);

    std::printf("%s\n", path.c_str());
    std::fflush(stdout);
    if (!options.quiet)
        std::fprintf(stderr, "durvex-virtual-panel: serving %s (model byte %d)\n", path.c_str(),
                     options.model >= 0 ? options.model : 74);

    // A flooding panel must never block in write() and so stop reading.
    if (options.floodAfter >= 0)
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    const std::string link = options.link;
    const bool quiet = options.quiet;
    Panel panel(std::move(options), master);
    bool hungUp = false;
    // A panel left behind by a crashed test or script would run on for ever: it ends when
    // whatever started it has gone.
    const pid_t starter = getppid();
    while (!stopRequested && getppid() == starter) {
        pollfd p{master, short(POLLIN | (panel.flooding() ? POLLOUT : 0)), 0};
        // Late answers keep their own time: the wait ends when the next one is due.
        long long timeout = 200 * 1000000LL;
        if (const long long untilAck = panel.untilNextAck(); untilAck >= 0)
            timeout = std::min(timeout, untilAck);
        const timespec t{time_t(timeout / 1000000000LL), long(timeout % 1000000000LL)};
        const int ready = ppoll(&p, 1, &t, nullptr);
        panel.sendDueAcks();
        if (ready <= 0)
            continue;
        if (p.revents & POLLOUT) {
            static const char flood[] = "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF";
            if (::write(master, flood, sizeof flood - 1) < 0 && errno != EAGAIN)
                sleepMs(10);
        }
        if (!(p.revents & POLLIN))
            continue;
        char buffer[256];
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0) {
            sleepMs(10); // the tool has the port closed
            continue;
        }
        if (!panel.feed(buffer, size_t(n))) {
            hungUp = true;
            break;
        }
    }
    if (hungUp && !quiet)
        std::fprintf(stderr, "durvex-virtual-panel: hanging up\n");
    close(slave);
    close(master);
    if (!link.empty())
        unlink(link.c_str());
    return 0;
}
