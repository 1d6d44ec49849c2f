// lumaro-service: the local stand-in for the parental-control service.

#include "Database.h"
#include "Demo.h"
#include "Moments.h"
#include "Options.h"
#include "Routes.h"

#include <httplib.h>

#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

namespace {

std::string baseAddress(bool tls, const std::string& host, int port)
{
    const bool ipv6 = host.find(':') != std::string::npos;
    return std::string(tls ? "https" : "http") + "://" + (ipv6 ? "[" + host + "]" : host) + ":"
        + std::to_string(port);
}

std::optional<std::string> databasePath(const Options& options)
{
    if (options.dbPath == ":memory:")
        return options.dbPath;
    std::string path = options.dbPath.empty() ? defaultDatabasePath() : options.dbPath;
    if (path.empty()) {
        std::fprintf(stderr, "lumaro-service: neither XDG_DATA_HOME nor HOME is set; give --db\n");
        return std::nullopt;
    }
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code error;
    if (!folder.empty())
        std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "lumaro-service: cannot create %s: %s\n", folder.c_str(), error.message().c_str());
        return std::nullopt;
    }
    return path;
}

} // namespace

int main(int argc, char** argv)
{
    const ParsedOptions parsed = parseOptions(argc, argv);
    if (parsed.outcome == ParsedOptions::Outcome::Help) {
        std::fputs(helpText().c_str(), stdout);
        return 0;
    }
    if (parsed.outcome == ParsedOptions::Outcome::Invalid) {
        std::fprintf(stderr, "lumaro-service: %s\nTry 'lumaro-service --help'.\n", parsed.error.c_str());
        return 2;
    }
    const Options& options = parsed.options;

    // A client that hangs up mid-answer must not end the process.
    signal(SIGPIPE, SIG_IGN);
    // SIGINT and SIGTERM are taken by one thread with sigwait; blocking them here,
    // before any thread starts, keeps them away from the server's workers.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    // The database holds device tokens and unlock secrets: readable by this user only.
    umask(077);
    const auto path = databasePath(options);
    if (!path)
        return 1;
    std::unique_ptr<Database> db;
    try {
        db = std::make_unique<Database>(*path);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lumaro-service: %s\n", error.what());
        return 1;
    }

    const bool tls = !options.certFile.empty();
    std::unique_ptr<httplib::Server> server;
    if (tls)
        server = std::make_unique<httplib::SSLServer>(options.certFile.c_str(), options.keyFile.c_str());
    else
        server = std::make_unique<httplib::Server>();
    if (!server->is_valid()) {
        std::fprintf(stderr, "lumaro-service: cannot load the certificate %s with the key %s\n",
                     options.certFile.c_str(), options.keyFile.c_str());
        return 1;
    }

    Routes routes(*db,
                  { std::chrono::milliseconds(options.delayMs), std::chrono::milliseconds(options.policyDelayMs) },
                  !options.quiet);
    routes.install(*server);

    // The library listens with a backlog of five. A burst of new connections (parents signing
    // in at once, each console opening several) overflows that, and the kernel then holds
    // connections back for a second or drops them. Listening again on the bound socket
    // raises the backlog.
    socket_t listener = INVALID_SOCKET;
    server->set_socket_options([&listener](socket_t fd) {
        httplib::default_socket_options(fd);
        listener = fd;
    });
    int port = options.port;
    if (port == 0)
        port = server->bind_to_any_port(options.host);
    else if (!server->bind_to_port(options.host, port))
        port = -1;
    if (port >= 0 && listener != INVALID_SOCKET && ::listen(listener, SOMAXCONN) != 0)
        port = -1;
    if (port < 0) {
        std::fprintf(stderr, "lumaro-service: cannot listen on %s port %d\n", options.host.c_str(), options.port);
        return 1;
    }

    std::optional<std::string> onlineDevice;
    if (options.demo) {
        try {
            onlineDevice = seedDemoData(*db, nowMillis());
        } catch (const std::exception& error) {
            std::fprintf(stderr, "lumaro-service: cannot add the demo data: %s\n", error.what());
            return 1;
        }
    }

    std::printf("%s\n", baseAddress(tls, options.host, port).c_str());
    if (options.demo)
        std::printf("demo e-mail: %s\ndemo password: %s\n", demoEmail, demoPassword);
    std::fflush(stdout);

    std::optional<DemoHeartbeat> presence;
    if (onlineDevice)
        presence.emplace(*db, *onlineDevice, std::chrono::seconds(30));

    std::atomic<bool> listening { true };
    std::thread stopper([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        // stop() does nothing before listen_after_bind() has started, so a signal that
        // came early is repeated until the listener is really gone.
        while (listening) {
            server->stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });

    const bool listened = server->listen_after_bind();
    listening = false;
    pthread_kill(stopper.native_handle(), SIGTERM); // wakes the stopper if no signal came
    stopper.join();
    presence.reset();
    return listened ? 0 : 1;
}
