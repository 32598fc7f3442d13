#pragma once
// nginx as the reference server for benchmarks: run in the foreground from a
// prefix folder of its own, so nothing it writes lands outside the run's
// temporary folder.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace pw::bench {

struct Nginx {
    pid_t pid = -1;
    Nginx() = default;
    Nginx(const Nginx&) = delete;
    Nginx& operator=(const Nginx&) = delete;
    ~Nginx() { stop(); }

    // The head of a configuration with its logs, pid file and every temporary
    // folder under the prefix; the caller adds its servers and closes "http {".
    static std::string configHead(const std::filesystem::path& prefix, const char* workers, int connections,
                                  const std::string& httpSettings) {
        const auto at = [&](const char* name) { return (prefix / name).string(); };
        return std::string("worker_processes ") + workers + ";\n" + "error_log " +
               (prefix / "logs" / "error.log").string() + ";\n" + "pid " + at("nginx.pid") + ";\n" + "user root;\n" +
               "events { worker_connections " + std::to_string(connections) + "; }\n" + "http {\n  access_log off;\n" +
               httpSettings + "  client_body_temp_path " + at("body") + ";\n" + "  proxy_temp_path " + at("proxy") +
               ";\n" + "  fastcgi_temp_path " + at("fastcgi") + ";\n" + "  uwsgi_temp_path " + at("uwsgi") + ";\n" +
               "  scgi_temp_path " + at("scgi") + ";\n";
    }

    // Writes the configuration and starts nginx on it; false when it could not
    // be started (the caller still waits for its ports to know it serves).
    bool start(const std::filesystem::path& prefix, const std::string& config) {
        std::filesystem::create_directories(prefix / "logs");
        std::ofstream(prefix / "nginx.conf") << config;
        pid = ::fork();
        if (pid == 0) {
            std::string p = prefix.string(), c = (prefix / "nginx.conf").string();
            ::execlp("nginx", "nginx", "-p", p.c_str(), "-c", c.c_str(), "-g", "daemon off;",
                     static_cast<char*>(nullptr));
            std::_Exit(127);
        }
        return pid > 0;
    }

    void stop() {
        if (pid > 0) {
            ::kill(pid, SIGQUIT);
            int status;
            ::waitpid(pid, &status, 0);
            pid = -1;
        }
    }
};

} // namespace pw::bench
