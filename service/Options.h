#pragma once

#include <string>

struct Options {
    std::string host = "127.0.0.1";
    int port = 8765; // 0 lets the system pick a free port
    std::string dbPath; // empty: the default file under the user's data folder
    std::string certFile;
    std::string keyFile;
    bool demo = false;
    int delayMs = 0;
    int policyDelayMs = 0;
    bool quiet = false;
};

struct ParsedOptions {
    enum class Outcome { Run, Help, Invalid };
    Outcome outcome = Outcome::Run;
    Options options;
    std::string error; // with Invalid: what was wrong, for standard error
};

ParsedOptions parseOptions(int argc, const char* const* argv);
std::string helpText();

// $XDG_DATA_HOME/lumaro-service/service.db, else ~/.local/share/lumaro-service/service.db;
// empty when neither variable is set.
std::string defaultDatabasePath();
