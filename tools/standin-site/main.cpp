// standin-site: the stand-in for the site and the account service on
// 127.0.0.1, for running the app without the real services.
//
//   standin-site --plist <file> [--log <file>] [--poetry <dir>] [--covers <dir>]
//
// Writes a SiteHosts.plist naming every host to <file> once all listen (the
// app reads it from its Library folder), logs one line per request, and runs
// until SIGINT or SIGTERM.
#include "Catalogue.h"
#include "StandinSite.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <mutex>
#include <string>

namespace {

volatile std::sig_atomic_t g_stop = 0;
void onSignal(int) {
    g_stop = 1;
}

} // namespace

int main(int argc, char** argv) {
    std::string plist, logFile;
    pw::standin::StandinSite::Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--plist")
            plist = argv[i + 1];
        else if (arg == "--log")
            logFile = argv[i + 1];
        else if (arg == "--poetry")
            options.poetry = argv[i + 1];
        else if (arg == "--covers")
            options.covers = argv[i + 1];
        else {
            std::cerr << "standin-site: unknown option " << arg << "\n";
            return 2;
        }
    }
    if (plist.empty()) {
        std::cerr << "usage: standin-site --plist <file> [--log <file>] [--poetry <dir>] [--covers <dir>]\n";
        return 2;
    }
    auto log = std::make_shared<std::ofstream>();
    if (!logFile.empty())
        log->open(logFile, std::ios::app);
    auto mutex = std::make_shared<std::mutex>();
    options.log = [log, mutex](const std::string& line) {
        std::lock_guard lock(*mutex);
        if (log->is_open())
            *log << line << std::endl;
        else
            std::cout << line << std::endl;
    };
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    pw::standin::StandinSite site(options);
    if (!site.catalogue().available())
        std::cerr << "standin-site: the chinese-poetry package was not found; the catalogue is empty "
                     "(run scripts/setup.sh)\n";
    if (!site.writeSiteHosts(plist)) {
        std::cerr << "standin-site: cannot write " << plist << "\n";
        return 1;
    }
    std::cerr << "standin-site: interface " << site.baseUrl(pw::standin::Host::Interface) << ", account "
              << site.baseUrl(pw::standin::Host::Account) << "; hosts written to " << plist << "\n";
    while (!g_stop)
        site.waitOrStop(0.2);
    return 0;
}
