// pentarix-fakevna: a software analyser for the tests and for trying the
// analyser input without a device. It serves the NanoVNA shell on a
// pseudo-terminal (its path is the first line on stdout) or, with
// --librevna PORT, LibreVNA's SCPI on 127.0.0.1 (the port is printed). The
// antenna is a series RLC: 60 ohm, resonant at 7.1 MHz, 10 uH.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

struct TConfig {
    bool H4 = false;
    bool Old = false;   // firmware without `scan`
    bool Comma = false; // "," as the decimal separator
    std::string Fault;  // hang, garbage, cut, vanish, refuse, wrong
    int FaultSweep = 1; // the sweep that hang, garbage, cut and vanish damage
    std::size_t Chunk = 64;
    int DelayMs = 1;
    int LibrePort = -1; // -1: the NanoVNA shell on a pseudo-terminal
    std::string Link;   // a symbolic link to the pseudo-terminal
};
TConfig Config;

const char* const Usage =
    "Usage: pentarix-fakevna [--h4] [--old] [--comma] [--chunk BYTES] [--delay MS]\n"
    "                        [--fault hang|garbage|cut|vanish|refuse|wrong] [--fault-sweep N]\n"
    "                        [--link PATH]\n"
    "       pentarix-fakevna --librevna PORT [--fault ...]\n";

// S11 at 50 ohm of the model antenna.
std::complex<double> Gamma(double hz) {
    constexpr double pi = 3.14159265358979323846;
    const double r = 60, l = 10e-6, f0 = 7.1e6;
    const double c = 1 / ((2 * pi * f0) * (2 * pi * f0) * l);
    const double w = 2 * pi * hz;
    const std::complex<double> z(r, w * l - 1 / (w * c));
    return (z - 50.0) / (z + 50.0);
}

std::string Number(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.9g", v);
    std::string s(text);
    if (Config.Comma)
        for (char& ch : s)
            if (ch == '.') ch = ',';
    return s;
}

// Writes in chunks with a pause between them, as a USB device does.
bool Send(int fd, const std::string& text) {
    for (std::size_t at = 0; at < text.size(); at += Config.Chunk) {
        const std::string chunk = text.substr(at, Config.Chunk);
        if (write(fd, chunk.data(), chunk.size()) != ssize_t(chunk.size())) return false;
        if (Config.DelayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(Config.DelayMs));
    }
    return true;
}

std::vector<double> Frequencies(double start, double stop, int points) {
    std::vector<double> f;
    for (int i = 0; i < points; ++i)
        f.push_back(std::round(start + (stop - start) * i / (points - 1)));
    return f;
}

// What one sweep's reply becomes under the chosen fault (the others are
// whole, so that a client can be seen to keep its last sweep and recover).
// "hang" and "vanish" send the first half and a line begun; the caller then
// leaves the reply unfinished or goes away.
enum class TCut { None, Hang, Vanish };
int Sweeps = 0;
TCut Damage(std::vector<std::string>& lines, bool list = false) {
    if (++Sweeps != Config.FaultSweep || Config.Fault.empty()) return TCut::None;
    const std::size_t half = lines.size() / 2;
    // A list cut short: the last items are missing.
    if (Config.Fault == "cut" && list) lines.resize(lines.size() - 3);
    if (Config.Fault == "garbage") lines[half] = "\x01\xfe#\x7f@!";
    if (Config.Fault == "cut" && !list) lines[half] = lines[half].substr(0, lines[half].find(' '));
    if (Config.Fault == "hang" || Config.Fault == "vanish") {
        const std::string begun = lines[half].substr(0, lines[half].size() / 2);
        lines.resize(half);
        lines.push_back(begun);
        return Config.Fault == "hang" ? TCut::Hang : TCut::Vanish;
    }
    return TCut::None;
}

bool RangeValid(double start, double stop) {
    return start >= 10e3 && stop <= (Config.H4 ? 1.5e9 : 900e6) && start < stop;
}

// ---- The NanoVNA shell ----

struct TShell {
    double Start = 1e6, Stop = 30e6;
    int Points = 101;
};

// The reply to one command line; false when the device is to vanish.
bool Shell(int fd, TShell& shell, const std::string& line) {
    std::string out = line + "\r\n";
    std::vector<std::string> words;
    for (std::size_t at = 0; at < line.size();) {
        const std::size_t end = std::min(line.find(' ', at), line.size());
        if (end > at) words.push_back(line.substr(at, end - at));
        at = end + 1;
    }
    const std::string command = words.empty() ? "" : words[0];
    std::vector<std::string> lines;
    bool sweepReply = false;
    if (command == "info") {
        if (Config.Fault == "wrong")
            lines = {"Board: Frobnicator 3000", "Kernel: 1.0"};
        else
            lines = {Config.H4 ? "Board: NanoVNA-H 4" : "Board: NanoVNA",
                     "2019-2024 Copyright @DiSlord", "Platform: STM32F072xB", "Kernel: 4.0.0"};
    } else if (command == "version") {
        lines = {"1.2.27"};
    } else if (command == "help") {
        lines = {std::string("Commands: help info version ") + (Config.Old ? "" : "scan ") +
                 "sweep frequencies data"};
    } else if ((command == "scan" && !Config.Old) || command == "sweep") {
        const double start = words.size() > 1 ? std::atof(words[1].c_str()) : shell.Start;
        const double stop = words.size() > 2 ? std::atof(words[2].c_str()) : shell.Stop;
        const int points = words.size() > 3 ? std::atoi(words[3].c_str()) : shell.Points;
        const int limit = Config.H4 ? 401 : 101;
        if (!RangeValid(start, stop) || Config.Fault == "refuse")
            lines = {"frequency range is invalid"};
        else if (points < 2 || points > limit)
            lines = {"sweep points exceeds range " + std::to_string(limit)};
        else {
            shell.Start = start, shell.Stop = stop, shell.Points = points;
            if (command == "scan") {
                const int mask = words.size() > 4 ? std::atoi(words[4].c_str()) : 0;
                for (const double f : Frequencies(start, stop, points)) {
                    std::string l;
                    if (mask & 1) l += std::to_string((long long)(f));
                    if (mask & 2) {
                        const std::complex<double> g = Gamma(f);
                        l += (l.empty() ? "" : " ") + Number(g.real()) + " " + Number(g.imag());
                    }
                    lines.push_back(l);
                }
                sweepReply = true;
            }
        }
    } else if (command == "frequencies") {
        for (const double f : Frequencies(shell.Start, shell.Stop, shell.Points))
            lines.push_back(std::to_string((long long)(f)));
    } else if (command == "data") {
        for (const double f : Frequencies(shell.Start, shell.Stop, shell.Points)) {
            const std::complex<double> g = Gamma(f);
            lines.push_back(Number(g.real()) + " " + Number(g.imag()));
        }
        sweepReply = true;
    } else if (!command.empty()) {
        lines = {command + "?"};
    }
    const TCut cut = sweepReply ? Damage(lines) : TCut::None;
    for (std::size_t i = 0; i < lines.size(); ++i)
        out += lines[i] + (cut != TCut::None && i + 1 == lines.size() ? "" : "\r\n");
    if (cut == TCut::None) out += "ch> ";
    if (!Send(fd, out)) return false;
    return cut != TCut::Vanish;
}

int ServeShell() {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("pentarix-fakevna: pseudo-terminal");
        return 1;
    }
    const std::string path = ptsname(master);
    // Raw, and held open, so that a client's close is no hang-up.
    const int slave = open(path.c_str(), O_RDWR | O_NOCTTY);
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    if (!Config.Link.empty()) {
        unlink(Config.Link.c_str());
        if (symlink(path.c_str(), Config.Link.c_str()) != 0)
            std::perror("pentarix-fakevna: --link");
    }
    std::printf("%s\n", (Config.Link.empty() ? path : Config.Link).c_str());
    std::fflush(stdout);

    TShell shell;
    std::string pending;
    char buffer[4096];
    while (true) {
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0) break;
        pending.append(buffer, std::size_t(n));
        std::size_t end;
        while ((end = pending.find('\r')) != std::string::npos) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (!pending.empty() && pending[0] == '\n') pending.erase(0, 1);
            if (!Shell(master, shell, line)) {
                close(master);
                close(slave);
                if (!Config.Link.empty()) unlink(Config.Link.c_str());
                return 0;
            }
        }
    }
    return 0;
}

// ---- LibreVNA's SCPI ----

int ServeScpi() {
    const int server = socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    setsockopt(server, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(std::uint16_t(Config.LibrePort));
    socklen_t length = sizeof address;
    if (bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(server, 4) != 0 ||
        getsockname(server, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("pentarix-fakevna: --librevna");
        return 1;
    }
    std::printf("%d\n", ntohs(address.sin_port));
    std::fflush(stdout);

    while (true) {
        const int client = accept(server, nullptr, nullptr);
        if (client < 0) break;
        double start = 1e6, stop = 30e6;
        int points = 101, pollsLeft = 2;
        std::string pending;
        char buffer[4096];
        ssize_t n;
        while ((n = read(client, buffer, sizeof buffer)) > 0) {
            pending.append(buffer, std::size_t(n));
            std::size_t end;
            bool vanish = false;
            while (!vanish && (end = pending.find('\n')) != std::string::npos) {
                std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                const std::size_t blank = line.find(' ');
                const std::string command = line.substr(0, blank);
                const double value =
                    blank == std::string::npos ? 0 : std::atof(line.c_str() + blank);
                std::string reply;
                if (command == "*IDN?")
                    reply = Config.Fault == "wrong" ? "Frobnicator,3000" : "LibreVNA-GUI";
                else if (command == ":VNA:SWEEP")
                    reply = "";
                else if (command == ":VNA:FREQuency:START" || command == ":VNA:FREQuency:STOP") {
                    (command.back() == 'T' ? start : stop) = value;
                    const bool bad = value < 100e3 || value > 6e9 || Config.Fault == "refuse";
                    reply = bad ? "ERROR" : "";
                    pollsLeft = 2;
                } else if (command == ":VNA:ACQ:POINTS") {
                    points = int(value);
                    reply = points < 2 || points > 10001 ? "ERROR" : "";
                    pollsLeft = 2;
                } else if (command == ":VNA:ACQ:FIN?")
                    reply = pollsLeft-- > 0 ? "FALSE" : "TRUE";
                else if (command == ":VNA:TRACE:DATA?") {
                    std::vector<std::string> items;
                    for (const double f : Frequencies(start, stop, points)) {
                        const std::complex<double> g = Gamma(f);
                        items.push_back("[" + Number(f) + "," + Number(g.real()) + "," +
                                        Number(g.imag()) + "]");
                    }
                    const TCut cut = Damage(items, true);
                    for (std::size_t i = 0; i < items.size(); ++i)
                        reply += (i ? "," : "") + items[i];
                    if (cut != TCut::None) {
                        Send(client, reply); // unfinished: no line end
                        vanish = cut == TCut::Vanish;
                        continue;
                    }
                } else
                    reply = "ERROR";
                Send(client, reply + "\n");
            }
            if (vanish) break;
        }
        close(client);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "--h4")
            Config.H4 = true;
        else if (a == "--old")
            Config.Old = true;
        else if (a == "--comma")
            Config.Comma = true;
        else if (a == "--fault" && more)
            Config.Fault = argv[++i];
        else if (a == "--fault-sweep" && more)
            Config.FaultSweep = std::atoi(argv[++i]);
        else if (a == "--chunk" && more)
            Config.Chunk = std::max<std::size_t>(1, std::size_t(std::atoi(argv[++i])));
        else if (a == "--delay" && more)
            Config.DelayMs = std::atoi(argv[++i]);
        else if (a == "--librevna" && more)
            Config.LibrePort = std::atoi(argv[++i]);
        else if (a == "--link" && more)
            Config.Link = argv[++i];
        else {
            std::fputs(Usage, stderr);
            return 2;
        }
    }
    return Config.LibrePort >= 0 ? ServeScpi() : ServeShell();
}
