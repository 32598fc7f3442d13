// The built-in web server against nginx with one worker serving the same
// folder on loopback, both driven by wrk side by side in the same run, in
// several rounds in a row. Prints each measurement and the ratio (ours /
// nginx): requests per second for a 1 KB file with keep-alive, and the
// throughput of a 100 MB file over one and over 8 parallel connections.
//
// Both servers run on the same processors and wrk on others (by default the
// first two processors this process may use for the servers and the next two
// for wrk), so neither server competes with the load generator and both get
// the same share of a busy machine. Within a round the side measured first
// alternates, so a change in the machine's load does not always fall on the
// same side.
//
// Options: --small-seconds N (default 5), --big-seconds N (default 5),
//          --big-megabytes N (default 100), --rounds N (default 3),
//          --server-cpus LIST, --client-cpus LIST (as taskset -c takes them;
//          "none" for both leaves every process unpinned).
#include "support/Loopback.h"
#include "support/Nginx.h"
#include "transfer/http/HTTPServer.h"

#include <arpa/inet.h>
#include <sched.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using pw::bench::freePort;
using pw::bench::waitForPort;

namespace {

std::string run(const std::string& cmd) {
    std::string out;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p)
        return out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    ::pclose(p);
    return out;
}

// Value of a wrk summary line ("Requests/sec:" or "Transfer/sec:"), in units
// (bytes for transfer).
std::optional<double> wrkValue(const std::string& out, const std::string& key) {
    auto p = out.find(key);
    if (p == std::string::npos)
        return std::nullopt;
    double v = std::strtod(out.c_str() + p + key.size(), nullptr);
    auto unitPos = out.find_first_not_of(" 0123456789.", p + key.size());
    if (unitPos != std::string::npos) {
        switch (out[unitPos]) {
        case 'K':
            v *= 1024;
            break;
        case 'M':
            v *= 1024 * 1024;
            break;
        case 'G':
            v *= 1024.0 * 1024 * 1024;
            break;
        default:
            break;
        }
    }
    return v;
}

// nginx with the given workers serving root, as plainly as it serves files fastest.
bool startNginx(pw::bench::Nginx& nginx, const fs::path& prefix, const fs::path& root, uint16_t port,
                const char* workers) {
    const std::string conf = pw::bench::Nginx::configHead(prefix, workers, 1024,
                                                          "  sendfile on;\n  tcp_nopush on;\n"
                                                          "  keepalive_requests 100000000;\n  keepalive_timeout 65;\n"
                                                          "  default_type application/octet-stream;\n") +
                             "  server { listen 127.0.0.1:" + std::to_string(port) + "; root " + root.string() +
                             "; }\n}\n";
    return nginx.start(prefix, conf) && waitForPort(port);
}

// Processors in a list such as "0,1" or "2-3"; empty for "none" or a list
// that does not parse.
std::vector<int> parseCpuList(const std::string& list) {
    std::vector<int> cpus;
    if (list == "none")
        return cpus;
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find(',', start);
        std::string piece = list.substr(start, end == std::string::npos ? std::string::npos : end - start);
        char* rest = nullptr;
        long first = std::strtol(piece.c_str(), &rest, 10);
        long last = first;
        if (*rest == '-')
            last = std::strtol(rest + 1, &rest, 10);
        if (rest == piece.c_str() || *rest != '\0' || first < 0 || last < first || last >= CPU_SETSIZE)
            return {};
        for (long c = first; c <= last; ++c)
            cpus.push_back(static_cast<int>(c));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return cpus;
}

std::string cpuListText(const std::vector<int>& cpus) {
    std::string text;
    for (int c : cpus)
        text += (text.empty() ? "" : ",") + std::to_string(c);
    return text;
}

// The processors this process may run on, in order.
std::vector<int> allowedCpus() {
    std::vector<int> cpus;
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) != 0)
        return cpus;
    for (int c = 0; c < CPU_SETSIZE; ++c)
        if (CPU_ISSET(c, &set))
            cpus.push_back(c);
    return cpus;
}

// Pins the calling thread, and so every thread and process it starts later
// (the built-in server's threads and nginx), to the given processors.
bool pinTo(const std::vector<int>& cpus) {
    cpu_set_t set;
    CPU_ZERO(&set);
    for (int c : cpus)
        CPU_SET(c, &set);
    return ::sched_setaffinity(0, sizeof set, &set) == 0;
}

// Processor time (user and system) a process and its children alive now have
// used so far, in seconds; the built-in server's threads all count in this
// process, nginx's worker in a child of its master.
double cpuSeconds(pid_t pid) {
    auto own = [](pid_t p) {
        std::ifstream stat("/proc/" + std::to_string(p) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        auto close = text.rfind(')');
        if (close == std::string::npos)
            return 0.0;
        // Fields after the name: state is the 3rd, utime the 14th, stime the 15th.
        std::istringstream rest(text.substr(close + 2));
        std::string field;
        double ticks = 0;
        for (int i = 3; i <= 15 && rest >> field; ++i)
            if (i >= 14)
                ticks += std::strtod(field.c_str(), nullptr);
        return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
    };
    double total = own(pid);
    std::ifstream children("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
    for (pid_t child; children >> child;)
        total += own(child);
    return total;
}

} // namespace

int main(int argc, char** argv) {
    int smallSeconds = 5, bigSeconds = 5, rounds = 3;
    long bigMegabytes = 100;
    std::vector<int> serverCpus, clientCpus;
    if (auto allowed = allowedCpus(); allowed.size() >= 4) {
        serverCpus = {allowed[0], allowed[1]};
        clientCpus = {allowed[2], allowed[3]};
    }
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        if (a == "--small-seconds")
            smallSeconds = std::atoi(argv[i + 1]);
        if (a == "--big-seconds")
            bigSeconds = std::atoi(argv[i + 1]);
        if (a == "--big-megabytes")
            bigMegabytes = std::atol(argv[i + 1]);
        if (a == "--rounds")
            rounds = std::atoi(argv[i + 1]);
        if (a == "--server-cpus")
            serverCpus = parseCpuList(argv[i + 1]);
        if (a == "--client-cpus")
            clientCpus = parseCpuList(argv[i + 1]);
    }
    // Pinned before the server and nginx start, so all their threads inherit it.
    if (!serverCpus.empty() && !pinTo(serverCpus)) {
        std::fprintf(stderr, "cannot run on processors %s\n", cpuListText(serverCpus).c_str());
        return 1;
    }
    std::printf("servers on processors %s, wrk on %s\n",
                serverCpus.empty() ? "any" : cpuListText(serverCpus).c_str(),
                clientCpus.empty() ? "any" : cpuListText(clientCpus).c_str());
    ::signal(SIGPIPE, SIG_IGN);
    char tmpl[] = "/tmp/pw-bench-web-XXXXXX";
    fs::path dir = ::mkdtemp(tmpl);
    fs::path root = dir / "site";
    fs::create_directories(root);
    {
        std::ofstream small(root / "small.html");
        for (int i = 0; i < 28; ++i)
            small << "<p>Pagewell transfer page line " << i << "</p>\n";
    }
    {
        std::ofstream big(root / "big.bin", std::ios::binary);
        std::string block(1 << 20, '\0');
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<char>(i * 7 + (i >> 10));
        for (long i = 0; i < bigMegabytes; ++i)
            big.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    std::printf("small file: %ju bytes; big file: %ld MB\n", static_cast<uintmax_t>(fs::file_size(root / "small.html")),
                bigMegabytes);

    auto server = pw::HTTPServer::create();
    server->setInterface("127.0.0.1");
    server->setDocumentRoot(root.string());
    if (!server->start()) {
        std::fprintf(stderr, "the built-in server did not start\n");
        fs::remove_all(dir);
        return 1;
    }
    uint16_t ourPort = server->listeningPort();
    uint16_t nginxPort = freePort();
    // The built-in server handles every connection's HTTP work on one queue,
    // so the like-for-like reference is nginx with one worker process.
    pw::bench::Nginx nginx;
    if (!startNginx(nginx, dir / "nginx", root, nginxPort, "1")) {
        std::fprintf(stderr, "nginx did not start\n");
        server->stop();
        fs::remove_all(dir);
        return 1;
    }

    const std::string wrkCommand = clientCpus.empty() ? "wrk " : "taskset -c " + cpuListText(clientCpus) + " wrk ";
    auto wrk = [&](const std::string& args) { return run(wrkCommand + args + " 2>&1"); };
    auto url = [](uint16_t port, const char* path) { return "http://127.0.0.1:" + std::to_string(port) + path; };
    std::string smallArgs = "-t2 -c32 -d" + std::to_string(smallSeconds) + "s ";
    std::string bigArgs = "-t1 -c1 --timeout 60s -d" + std::to_string(bigSeconds) + "s ";
    std::string parallelArgs = "-t2 -c8 --timeout 60s -d" + std::to_string(bigSeconds) + "s ";
    wrk("-t1 -c4 -d1s " + url(ourPort, "/small.html"));
    wrk("-t1 -c4 -d1s " + url(nginxPort, "/small.html"));

    int rc = 0;
    // Beside each ratio, the processor time each server spent on its side of
    // the measurement: both may use every processor they are pinned to, and
    // this shows how much of them each took.
    struct Side {
        std::optional<double> value;
        double cpu = 0;
    };
    auto report = [&](const char* what, const Side& ours, const Side& theirs, double target, const char* unit,
                      double scale) {
        if (!ours.value || !theirs.value || *theirs.value <= 0) {
            std::printf("  %s: measurement failed\n", what);
            rc = 1;
            return;
        }
        double ratio = *ours.value / *theirs.value;
        std::printf("  %s: ours %.1f %s, nginx %.1f %s, ratio %.2f (target >= %.2f)%s; processor time ours %.1f s, "
                    "nginx %.1f s\n",
                    what, *ours.value / scale, unit, *theirs.value / scale, unit, ratio, target,
                    ratio >= target ? "" : "  BELOW TARGET", ours.cpu, theirs.cpu);
        std::fflush(stdout);
    };
    // Each pair is measured back to back, so both see the same machine; odd
    // rounds measure ours first, even rounds nginx first.
    for (int round = 1; round <= rounds; ++round) {
        std::printf("round %d\n", round);
        const bool oursFirst = round % 2 == 1;
        auto measure = [&](const std::string& args, const char* path, const char* key) {
            auto side = [&](uint16_t port, pid_t pid) {
                double before = cpuSeconds(pid);
                Side result;
                result.value = wrkValue(wrk(args + url(port, path)), key);
                result.cpu = cpuSeconds(pid) - before;
                return result;
            };
            Side ours, theirs;
            if (oursFirst)
                ours = side(ourPort, ::getpid());
            theirs = side(nginxPort, nginx.pid);
            if (!oursFirst)
                ours = side(ourPort, ::getpid());
            return std::make_pair(ours, theirs);
        };
        auto [oursSmall, nginxSmall] = measure(smallArgs, "/small.html", "Requests/sec:");
        report("1 KB file, keep-alive, requests/s", oursSmall, nginxSmall, 0.9, "req/s", 1);
        auto [oursBig, nginxBig] = measure(bigArgs, "/big.bin", "Transfer/sec:");
        report("100 MB file, one connection, throughput", oursBig, nginxBig, 0.8, "MB/s", 1024 * 1024);
        auto [oursParallel, nginxParallel] = measure(parallelArgs, "/big.bin", "Transfer/sec:");
        report("100 MB file, 8 connections, throughput", oursParallel, nginxParallel, 0.8, "MB/s", 1024 * 1024);
    }

    nginx.stop();
    server->stop();
    server.reset();
    fs::remove_all(dir);
    // Other work on the machine changes both sides; say how busy it was.
    if (std::ifstream load("/proc/loadavg"); load) {
        double one = 0;
        load >> one;
        std::printf("load average during the run: %.1f on %u processors\n", one, std::thread::hardware_concurrency());
    }
    return rc;
}
